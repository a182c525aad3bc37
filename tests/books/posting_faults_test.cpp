// Postings of every kind under faults of the disk: a write or sync that fails (a full disk, an
// I/O error) and a power loss that forgets every write not yet synced. After each fault the
// program starts again on the same files: no document is there in part, every posting that
// returned is on file, a posting that failed is not, and the books agree with the documents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

#include "engine/engine.h"
#include "engine/file_io.h"
#include "tests/books/company_fixture.h"
#include "tests/books/posting_driver.h"
#include "tests/support/fault_files.h"

namespace bookstest {
namespace {

int Rounds(int fallback) {
    const char* env = std::getenv("STOCKMERE_FAULT_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : fallback;
}

class BooksFaultTest : public CompanyFixture {};

TEST_F(BooksFaultTest, TheCheckerFindsHalfPostedDocumentsAndBooksThatDoNotAgree) {
    PostingDriver driver(5);
    {
        const BooksSession session(folder, *host);
        for (const PostingKind kind : {PostingKind::InvoiceAdd, PostingKind::InvoiceAdd,
                                       PostingKind::POAdd, PostingKind::POAdd}) {
            const PostingResult r = driver.Post(kind);
            ASSERT_EQ(r.outcome, PostingResult::Outcome::Returned) << r.what << ": " << r.error;
        }
        ASSERT_NE(driver.Post(PostingKind::Receipt).outcome, PostingResult::Outcome::Failed);
    }
    EXPECT_TRUE(testsupport::CheckBooks(folder, CompanyNumber, Today, opening).empty());

    // Each change below is what a posting stopped half way would leave.
    const auto found = [&](const std::function<void(testsupport::CompanyBooks&)>& damage) {
        testsupport::CompanyBooks books = testsupport::ReadCompanyBooks(folder, CompanyNumber);
        damage(books);
        std::vector<std::string> all = testsupport::HalfPostedDocuments(books);
        for (std::string& p : testsupport::BooksDisagreements(books, Today, opening))
            all.push_back(p);
        return all;
    };
    EXPECT_FALSE(found([](auto& b) { b.invoiceLines.pop_back(); }).empty()) << "a line lost";
    EXPECT_FALSE(found([](auto& b) { b.invoices.pop_back(); }).empty()) << "a header lost";
    EXPECT_FALSE(found([](auto& b) { b.orderLines.clear(); }).empty()) << "an order's lines";
    EXPECT_FALSE(found([](auto& b) { b.orders.clear(); }).empty()) << "an order lost";
    EXPECT_FALSE(found([](auto& b) {
                     EXPECT_TRUE(
                         b.company->set(Company::NextInvoiceNumber,
                                        TrimBlanks(b.invoices.back().get(Invoice::InvNumber))));
                 }).empty())
        << "a next number left behind";
    EXPECT_FALSE(found([](auto& b) {
                     EXPECT_TRUE(b.customers.front().set(Customer::Balance, "99999.00"));
                 }).empty())
        << "a balance";
    EXPECT_FALSE(found([](auto& b) {
                     EXPECT_TRUE(b.products.back().set(Product::StockOnHand, "-7777"));
                 }).empty())
        << "a stock";
    EXPECT_FALSE(found([](auto& b) {
                     for (InvoiceRec& r : b.invoices)
                         if (TrimBlanks(r.get(Invoice::InvKind)) == Invoice::KindLineItems)
                             r.set(Invoice::InvKind, Invoice::KindMemo);
                 }).empty())
        << "a memo lost";
    EXPECT_FALSE(found([](auto& b) {
                     ASSERT_TRUE(b.openItems && !b.openItems->empty());
                     b.openItems->pop_back();
                 }).empty())
        << "an open item not listed";
}

// A disk that refuses its first sync and every write and sync after it.
class DeadAtFirstSync : public engine_io::FileLayer {
public:
    int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) override {
        return dead_ ? EIO : FileLayer::write(fd, offset, buffer, done);
    }
    int resize(int fd, uint64_t size) override { return dead_ ? EIO : FileLayer::resize(fd, size); }
    int sync(int) override {
        dead_ = true;
        return EIO;
    }

private:
    bool dead_ = false;
};

// A failed posting tells whether it may still be on file: when the disk failed the journal's
// sync once, the unit is cut off again and nothing of it is saved; when the disk refuses
// everything from then on, the journal keeps it and the next start may find it.
TEST_F(BooksFaultTest, AFailedPostingTellsWhetherItMayStillBeOnFile) {
    PostingDriver driver(3);
    const auto postUnder = [&](engine_io::FileLayer& layer) {
        PostingResult r;
        {
            const testsupport::LayerScope installed(layer);
            const BooksSession session(folder, *host);
            r = driver.Post(PostingKind::InvoiceAdd);
            EngineAbandon();
        }
        EngineStart(30);
        Facts model;
        const RestartFindings f = CheckAfterRestart(folder, *host, opening, model, nullptr);
        EXPECT_TRUE(f.halfPosted.empty() && f.disagreements.empty());
        EXPECT_EQ(r.outcome, PostingResult::Outcome::Failed);
        return std::pair{r, model.count(r.facts.front().key) > 0};
    };
    testsupport::FailingFiles once;
    once.sticky = false;
    once.failAt = 2;  // while the journal is written, once
    const auto [failedOnce, onFileOnce] = postUnder(once);
    EXPECT_NE(failedOnce.error.find("Nothing of it was saved."), std::string::npos)
        << failedOnce.error;
    EXPECT_FALSE(onFileOnce);

    DeadAtFirstSync dead;
    const auto [failedDead, onFileDead] = postUnder(dead);
    EXPECT_NE(failedDead.error.find("It may still be on file the next time the program starts"),
              std::string::npos)
        << failedDead.error;
    EXPECT_TRUE(onFileDead);
}

// Each round is one run of the program: a few postings, then one of a chosen kind with the
// n-th write or sync failing, or the power lost at the n-th write or sync (or between two
// postings), then a new run that reopens the files as the program does after a crash.
TEST_F(BooksFaultTest, FailedWritesAndPowerLossesLeaveNoPostingHalfDoneOrLost) {
    std::mt19937 random(20261207);
    PostingDriver driver(77);
    Facts model;
    const auto post = [&](PostingKind kind, std::optional<PostingResult>* inFlight = nullptr) {
        PostingResult r = driver.Post(kind, [&](const PostingResult& planned) {
            if (inFlight) *inFlight = planned;
        });
        if (r.outcome == PostingResult::Outcome::Returned) model = After(model, r.facts);
        return r;
    };
    const auto anyKind = [&] { return static_cast<PostingKind>(random() % PostingKindCount); };
    {
        const BooksSession session(folder, *host);
        for (int k = 0; k < 3 * PostingKindCount; ++k) {
            const PostingResult r = post(static_cast<PostingKind>(k % PostingKindCount));
            ASSERT_NE(r.outcome, PostingResult::Outcome::Failed) << r.what << ": " << r.error;
        }
    }
    ASSERT_EQ(ObservedFacts(testsupport::ReadCompanyBooks(folder, CompanyNumber)), model);

    // Writes and syncs each kind makes, as measured on the postings that ran unharmed.
    std::array<int, PostingKindCount> span;
    span.fill(40);
    std::array<int, PostingKindCount> faultedKinds{};
    int faults = 0, powerLosses = 0, betweenPostings = 0, returned = 0, failed = 0,
        failedButSaved = 0, toldMaybeSaved = 0;
    RestartTally tally;
    const int total = Rounds(24);
    for (int round = 0; round < total; ++round) {
        const bool losePower = round % 2 == 0;
        testsupport::PowerLossFiles power;
        testsupport::FailingFiles failing;
        failing.error = random() % 2 ? ENOSPC : EIO;
        failing.sticky = random() % 2 == 0;
        engine_io::FileLayer& layer =
            losePower ? static_cast<engine_io::FileLayer&>(power) : failing;
        const auto calls = [&] { return losePower ? power.calls : failing.calls; };
        const auto faulted = [&] { return losePower ? power.lost : failing.failed(); };

        PostingKind kind = anyKind();
        std::optional<PostingResult> inFlight;
        PostingResult::Outcome inFlightOutcome = PostingResult::Outcome::NothingToPost;
        std::string failure;
        {
            const testsupport::LayerScope installed(layer);
            const BooksSession session(folder, *host);
            driver.holdFiles = random() % 2 == 0;
            for (int k = static_cast<int>(random() % 3); k > 0; --k) {
                const PostingKind before = anyKind();
                const int from = calls();
                const PostingResult r = post(before);
                if (r.outcome == PostingResult::Outcome::Failed)
                    ADD_FAILURE() << "round " << round << ": " << r.what
                                  << " failed unharmed: " << r.error;
                if (r.outcome == PostingResult::Outcome::Returned) {
                    ++returned;
                    auto& s = span[static_cast<std::size_t>(before)];
                    s = std::max(s, calls() - from);
                }
            }
            // Armed: the n-th write or sync from here is the fault.
            const int n = calls() + 1 +
                          static_cast<int>(random() % (span[static_cast<std::size_t>(kind)] + 4));
            (losePower ? power.lossAt : failing.failAt) = n;
            for (int attempt = 0; attempt < 12 && !faulted(); ++attempt) {
                inFlight.reset();
                const PostingResult r = post(attempt == 0 ? kind : anyKind(), &inFlight);
                if (r.outcome == PostingResult::Outcome::NothingToPost) continue;
                kind = r.kind;
                inFlightOutcome = r.outcome;
                failure = r.error;
                if (r.outcome == PostingResult::Outcome::Returned) ++returned;
                if (r.outcome == PostingResult::Outcome::Failed) {
                    ++failed;
                    if (!faulted())
                        ADD_FAILURE() << "round " << round << ": " << r.what
                                      << " failed before the fault: " << r.error;
                }
                // Now and then the power goes between two postings.
                if (losePower && !faulted() && random() % 4 == 0) {
                    power.lost = true;
                    ++betweenPostings;
                    inFlight.reset();
                }
            }
            if (!faulted()) continue;
            ++faults;
            ++faultedKinds[static_cast<std::size_t>(kind)];
            if (losePower) {
                ++powerLosses;
                EngineAbandon();
                power.powerLoss();
            } else if (random() % 2 == 0) {
                EngineStop();  // the user closes the program, the disk still failing
            } else {
                EngineAbandon();
            }
        }
        EngineStart(30);

        // The next run of the program.
        const bool notReturned = inFlight && inFlightOutcome != PostingResult::Outcome::Returned;
        const RestartFindings f = CheckAfterRestart(folder, *host, opening, model,
                                                    notReturned ? &inFlight->facts : nullptr);
        const std::string where = "round " + std::to_string(round) + " (" + PostingKindName(kind) +
                                  (losePower        ? ", power lost"
                                   : failing.sticky ? ", every write failing from then on"
                                                    : ", one write failing") +
                                  ")";
        tally.Add(f, where);
        // A posting the user was told nothing of was saved must not be there; one the disk
        // kept in the journal is told as possibly on file.
        if (f.inFlightDone && inFlightOutcome == PostingResult::Outcome::Failed && !losePower) {
            if (failure.find("may still be on file") != std::string::npos) {
                ++toldMaybeSaved;
            } else {
                ++failedButSaved;
                tally.notes.push_back(where + ": " + inFlight->what +
                                      " is on file, but was reported failed: " + failure);
            }
        }
    }

    std::cout << "books fault test: " << total << " rounds, " << faults << " faults ("
              << powerLosses << " power losses, " << betweenPostings
              << " of them between postings, " << faults - powerLosses
              << " failed writes or syncs); " << returned << " postings returned, " << failed
              << " failed (" << toldMaybeSaved << " told they may be on file and found there, "
              << failedButSaved << " told nothing was saved and found there); faults by kind:";
    for (int k = 0; k < PostingKindCount; ++k)
        std::cout << ' ' << PostingKindName(static_cast<PostingKind>(k)) << ' ' << faultedKinds[k];
    std::cout << "\n  " << tally.Summary();
    tally.ExpectNothingWrong();
    EXPECT_EQ(failedButSaved, 0);
    EXPECT_GT(faults, total / 2);
}

}  // namespace
}  // namespace bookstest
