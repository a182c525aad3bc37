// Postings of every kind on a disk that runs full: one that refuses every write, or an index
// store that fails a change half way through a posting. A posting that meets it is rolled back
// whole and says why; once there is room again the next posting works in the same run, and the
// next start trusts every index.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

#include "engine/engine.h"
#include "engine/file_io.h"
#include "invoicing/manager/document_manager_form.h"
#include "invoicing/records/invoice_files.h"
#include "shell/company/company_list.h"
#include "tests/books/company_fixture.h"
#include "tests/books/posting_driver.h"
#include "tests/support/fault_files.h"

namespace bookstest {
namespace {

using Outcome = PostingResult::Outcome;
using testsupport::FailingFiles;
using testsupport::IndexChangeFails;
using testsupport::LayerScope;
using testsupport::ReadsRefused;

const std::string DiskFull = "The posting could not be saved: the disk is full.";

class FullDiskTest : public CompanyFixture {
protected:
    // A posting of the kind that must go through; the model follows it.
    void PostWhole(PostingDriver& driver, PostingKind kind) {
        const PostingResult r = driver.Post(kind);
        ASSERT_NE(r.outcome, Outcome::Failed) << r.what << ": " << r.error;
        model = After(model, r.facts);
    }
    // Some documents of every kind to pay, change, delete and receive.
    void PostSomeOfEach(PostingDriver& driver) {
        for (int k = 0; k < 2 * PostingKindCount; ++k)
            PostWhole(driver, static_cast<PostingKind>(k % PostingKindCount));
    }
    // The next start: nothing rebuilt, nothing half-posted, the books agree with the documents,
    // and the documents on file are those of the postings that returned.
    void ExpectTheNextStartFindsTheBooksWhole() {
        const RestartFindings f = CheckAfterRestart(folder, *host, opening, model, nullptr);
        EXPECT_EQ(f.rebuilt, 0);
        EXPECT_TRUE(f.unreadable.empty() && f.halfPosted.empty() && f.disagreements.empty() &&
                    f.lost.empty())
            << testing::PrintToString(f.halfPosted) << testing::PrintToString(f.disagreements)
            << testing::PrintToString(f.lost);
    }

    Facts model;
};

TEST_F(FullDiskTest, APostingThatMeetsAFullDiskIsRolledBackWholeAndSaysSo) {
    PostingDriver driver(11);
    {
        const BooksSession session(folder, *host);
        PostSomeOfEach(driver);
        std::set<PostingKind> failedKinds;
        for (int k = 0; k < PostingKindCount; ++k) {
            const auto kind = static_cast<PostingKind>(k);
            // Documents to pay, change, delete and receive.
            for (const PostingKind more : {PostingKind::InvoiceAdd, PostingKind::POAdd})
                PostWhole(driver, more);
            IndexChangeFails indexFull;
            FailingFiles diskFull;  // armed when the posting starts writing
            for (engine_io::FileLayer* layer : {static_cast<engine_io::FileLayer*>(&indexFull),
                                                static_cast<engine_io::FileLayer*>(&diskFull)}) {
                const LayerScope installed(*layer);
                const PostingResult r = driver.Post(
                    kind, [&](const PostingResult&) { diskFull.failAt = diskFull.calls + 1; });
                // A posting that changes no index has nothing to meet the full index store.
                if (r.outcome == Outcome::Returned) {
                    EXPECT_EQ(layer, &indexFull) << r.what;
                    model = After(model, r.facts);
                }
                if (r.outcome != Outcome::Failed) continue;
                failedKinds.insert(kind);
                EXPECT_NE(r.error.find(DiskFull), std::string::npos) << r.what << ": " << r.error;
            }
        }
        EXPECT_EQ(failedKinds.size(), static_cast<size_t>(PostingKindCount));
    }
    ExpectTheNextStartFindsTheBooksWhole();
}

TEST_F(FullDiskTest, OnceThereIsRoomAgainTheNextPostingWorksWithoutARestart) {
    PostingDriver driver(12);
    {
        const BooksSession session(folder, *host);
        PostSomeOfEach(driver);
        {
            FailingFiles diskFull;
            diskFull.failAt = 1;
            const LayerScope installed(diskFull);
            for (const PostingKind kind : {PostingKind::Deposit, PostingKind::InvoiceAdd})
                EXPECT_EQ(driver.Post(kind).outcome, Outcome::Failed);
        }
        {
            IndexChangeFails indexFull;
            const LayerScope installed(indexFull);
            EXPECT_EQ(driver.Post(PostingKind::Deposit).outcome, Outcome::Failed);
        }
        // Room again: every kind posts in the same run, and no file asks to be rebuilt (an
        // unexpected question fails the test).
        for (int round = 0; round < 2; ++round) PostSomeOfEach(driver);
    }
    ExpectTheNextStartFindsTheBooksWhole();
}

TEST_F(FullDiskTest, TheMessagesSayWhatTheOperatingSystemSaid) {
    PostingDriver driver(13);
    {
        const BooksSession session(folder, *host);
        PostSomeOfEach(driver);
        const std::pair<int, std::string> refusals[] = {
            {ENOSPC, "the disk is full."},
            {EROFS, "the data folder is read-only."},
            {EACCES, "access to the data folder's files is denied."},
            {EIO, "the disk reported a read or write error."}};
        for (const auto& [error, sentence] : refusals) {
            FailingFiles refusing;
            refusing.failAt = 1;
            refusing.error = error;
            const LayerScope installed(refusing);
            const PostingResult r = driver.Post(PostingKind::Deposit);
            EXPECT_EQ(r.outcome, Outcome::Failed);
            EXPECT_NE(r.error.find("The posting could not be saved: " + sentence),
                      std::string::npos)
                << r.error;
        }

        // Files that cannot be read: the code, and why.
        const std::string denied = "\n\nAccess to the data folder's files is denied.";
        ReadsRefused unreadable;
        const LayerScope installed(unreadable);
        EXPECT_FALSE(OpenInvoiceDatabases());
        EXPECT_EQ(DocumentManagerForm::OpenFailureText().toStdString(),
                  "Unable to open databases: 10110" + denied);
        CloseInvoiceDatabases();
        host->Answer(MsgResult::Ok, QString::fromStdString(
                                        "The company file cannot be read (error 10110)." + denied));
        EXPECT_FALSE(ReadCompanies(CompanyOrder::ByName));
    }
    ExpectTheNextStartFindsTheBooksWhole();
}

}  // namespace
}  // namespace bookstest
