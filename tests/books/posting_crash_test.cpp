// The program killed while it posts: a child process posts invoices, payments, purchase
// orders and receipts through the posting code and is killed with SIGKILL at a random moment.
// The next run finds no document in part, every posting the child saw return on file, the
// one in flight there whole or not at all, books that agree with the documents, and no file
// to rebuild: the machine kept every write of the killed program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>

#include "engine/engine.h"
#include "tests/books/company_fixture.h"
#include "tests/books/posting_driver.h"
#include "tests/support/killed_child.h"

namespace bookstest {
namespace {

// One pipe message: a posting about to be written, one of its facts, or its end.
struct Msg {
    enum Kind : uint32_t { Intent = 1, Posted = 2, Returned = 3, Failed = 4 } kind = Intent;
    char key[40] = {};
    char value[60] = {};
};

void Copy(char (&to)[40], const std::string& from) {
    std::strncpy(to, from.c_str(), sizeof to - 1);
}
void Copy(char (&to)[60], const std::string& from) {
    std::strncpy(to, from.c_str(), sizeof to - 1);
}

int Rounds(int fallback) {
    const char* env = std::getenv("STOCKMERE_CRASH_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : fallback;
}

// Invoices most of the time; now and then the other postings a working day brings.
PostingKind PickKind(std::mt19937& random) {
    static constexpr PostingKind others[] = {
        PostingKind::InvoiceChange, PostingKind::PaymentInFull, PostingKind::PaymentInPart,
        PostingKind::Deposit,       PostingKind::POAdd,         PostingKind::Receipt,
        PostingKind::InvoiceDelete, PostingKind::FinanceCharges};
    if (random() % 2 == 0) return PostingKind::InvoiceAdd;
    return others[random() % std::size(others)];
}

// The child: one run of the program posting until it is killed. Each posting is announced
// with its facts before it is written, and reported once it has returned.
[[noreturn]] void Poster(const DataFolder& folder, int fd, uint32_t seed) {
    EngineStart(30);
    ScriptedHost host([fd](const QString& text) {
        Msg m;
        m.kind = Msg::Failed;
        Copy(m.value, "a message was shown: " + text.toStdString());
        testsupport::SendToParent(fd, m);
        ::_exit(2);
    });
    const MessageHost* previous = InstallHost(&host);
    static_cast<void>(previous);
    const BooksSession session(folder, host);
    PostingDriver driver(seed);
    std::mt19937 random(seed);
    for (int n = 0; n < 100000; ++n) {
        const PostingResult r = driver.Post(PickKind(random), [fd](const PostingResult& planned) {
            Msg intent;
            Copy(intent.key, planned.what);
            testsupport::SendToParent(fd, intent);
            for (const Fact& f : planned.facts) {
                Msg m;
                m.kind = Msg::Posted;
                Copy(m.key, f.key);
                Copy(m.value, f.value);
                testsupport::SendToParent(fd, m);
            }
        });
        if (r.outcome == PostingResult::Outcome::NothingToPost) continue;
        Msg end;
        end.kind = r.outcome == PostingResult::Outcome::Returned ? Msg::Returned : Msg::Failed;
        Copy(end.value, r.error);
        testsupport::SendToParent(fd, end);
        if (r.outcome == PostingResult::Outcome::Failed) ::_exit(2);
    }
    ::_exit(0);
}

// The child inherits the fixture's running engine and leaves with _exit, so that only the
// parent stops the engine and removes the folder.
class BooksCrashTest : public CompanyFixture {};

TEST_F(BooksCrashTest, KilledWhilePostingTheProgramLeavesNoPostingHalfDoneOrLost) {
    Facts model;

    std::mt19937 random(20261207);
    int postings = 0;
    RestartTally tally;
    const int total = Rounds(6);
    for (int round = 0; round < total; ++round) {
        const auto lifetime = std::chrono::microseconds(2000 + random() % 150000);
        const uint32_t seed = static_cast<uint32_t>(random());
        const std::vector<Msg> msgs =
            testsupport::RunAndKill<Msg>([&](int fd) { Poster(folder, fd, seed); }, lifetime);

        std::vector<Fact> pending;
        bool inFlight = false;
        for (const Msg& m : msgs) {
            switch (m.kind) {
                case Msg::Intent:
                    pending.clear();
                    inFlight = true;
                    break;
                case Msg::Posted:
                    pending.push_back({m.key, m.value});
                    break;
                case Msg::Returned:
                    model = After(model, pending);
                    ++postings;
                    inFlight = false;
                    break;
                case Msg::Failed:
                    ADD_FAILURE() << "round " << round
                                  << ": the child's posting failed: " << m.value;
                    inFlight = false;
                    break;
            }
        }

        tally.Add(CheckAfterRestart(folder, *host, opening, model, inFlight ? &pending : nullptr),
                  "round " + std::to_string(round));
    }

    std::cout << "books crash test: " << total << " kills, " << postings
              << " postings returned before them; " << tally.Summary();
    tally.ExpectNothingWrong();
    // The machine kept running: every set opens as the killed program left it.
    EXPECT_EQ(tally.questions, 0);
    EXPECT_EQ(tally.rebuilt, 0);
    EXPECT_GT(postings, 0);
}

}  // namespace
}  // namespace bookstest
