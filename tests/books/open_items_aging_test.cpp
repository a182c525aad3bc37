// The daily re-aging reads the open records alone, through the invoice file's open-item index:
// after postings of every kind it ages every customer as the books checker ages all records,
// a company written before the index existed gets it when its invoice file is opened, and an
// index out of step with its records costs a full read, not a wrong aging.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "invoicing/receivables/aging_recalculation.h"
#include "invoicing/records/invoice_files.h"
#include "shell/app_context.h"
#include "tests/books/company_fixture.h"
#include "tests/books/posting_driver.h"

namespace bookstest {
namespace {

class OpenItemsAgingTest : public CompanyFixture {
protected:
    // Re-ages the customers on `day` in a run of the program; what it had to leave.
    AgingRecalculation ReageOn(Date day) {
        const BooksSession session(folder, *host);
        Shell().clock.setToday(day);
        return RecalculateCustomerAging();
    }
    std::string InvoiceSet() const { return folder.fileSet(std::string(CompanyNumber) + "I"); }
};

TEST_F(OpenItemsAgingTest, TheReagingOfTheOpenItemsAgesAsEveryRecordSays) {
    PostingDriver driver(23);
    {
        const BooksSession session(folder, *host);
        for (int k = 0; k < 4 * PostingKindCount; ++k) {
            const PostingResult r = driver.Post(static_cast<PostingKind>(k % PostingKindCount));
            ASSERT_NE(r.outcome, PostingResult::Outcome::Failed) << r.what << ": " << r.error;
        }
    }
    const Date later{2026, 8, 14};
    const AgingRecalculation run = ReageOn(later);
    EXPECT_TRUE(run.refusal.isEmpty() && run.skipped.isEmpty()) << run.refusal.toStdString();
    EXPECT_GT(run.changed, 0);
    EXPECT_EQ(testsupport::CheckBooks(folder, CompanyNumber, later, opening),
              std::vector<std::string>{});

    // An older company's invoice file, indexed by the six keys alone: opening it for the
    // re-aging adds the index, built from the records.
    const FileDesc& file = InvoiceData().desc().file;
    ReindexFile(InvoiceSet(), InvoiceKeyCount, file.keyTable(), file.buildKey);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    const testsupport::CompanyBooks older = testsupport::ReadCompanyBooks(folder, CompanyNumber);
    ASSERT_TRUE(older.unreadable.empty()) << older.unreadable.front();
    ASSERT_FALSE(older.openItems);
    const Date after{2026, 10, 1};
    EXPECT_TRUE(ReageOn(after).refusal.isEmpty());
    const testsupport::CompanyBooks books = testsupport::ReadCompanyBooks(folder, CompanyNumber);
    ASSERT_TRUE(books.openItems);
    EXPECT_FALSE(books.openItems->empty());
    EXPECT_EQ(testsupport::CheckBooks(folder, CompanyNumber, after, opening),
              std::vector<std::string>{});
}

TEST_F(OpenItemsAgingTest, AnIndexOutOfStepWithItsRecordsIsNotBelieved) {
    PostingDriver driver(5);
    {
        const BooksSession session(folder, *host);
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(driver.Post(PostingKind::InvoiceAdd).outcome,
                      PostingResult::Outcome::Returned);
    }
    // An open invoice moved to another customer behind the file layer's back: the index
    // still lists it under the first.
    const testsupport::CompanyBooks books = testsupport::ReadCompanyBooks(folder, CompanyNumber);
    ASSERT_TRUE(books.openItems && !books.openItems->empty());
    const auto [listedUnder, moved] = books.openItems->front();
    std::string other;
    for (const CustomerRec& c : books.customers)
        if (KeyText(c.get(Customer::Number), 8) != listedUnder) other = c.get(Customer::Number);
    {
        FileSetHandle h = 0;
        OpenFileSet(h, InvoiceSet());
        ASSERT_TRUE(EngineOK);
        const FileSetCloser closer(h);
        InvoiceRec r;
        ReadRecord(h, moved, r.bytes());
        ASSERT_TRUE(r.set(Invoice::InvCustomerNumber, other));
        PutRecord(h, moved, r.bytes());
        ASSERT_TRUE(EngineOK);
    }
    const Date later{2026, 9, 30};
    EXPECT_TRUE(ReageOn(later).refusal.isEmpty());
    // The customers are aged by their records; only the balances (left alone behind the
    // file layer's back) and the index itself disagree.
    for (const std::string& problem :
         testsupport::CheckBooks(folder, CompanyNumber, later, opening))
        EXPECT_EQ(problem.find("aging"), std::string::npos) << problem;
}

}  // namespace
}  // namespace bookstest
