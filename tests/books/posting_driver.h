#pragma once
// Postings of every kind through the program's own posting code, on a company's real files,
// for the fault and crash tests: a session that stands for one run of the program (its state,
// "today", the company as stored, every file set reopened as the program reopens it after a
// crash), and a driver that picks what to post from the books as they are and tells what
// must be on file once the posting has returned (its facts).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "platform/scripted_host.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/sample_company.h"
#include "tests/support/books_check.h"

namespace bookstest {

inline constexpr Date Today{2026, 6, 30};
inline constexpr const char* CompanyNumber = "7";

enum class PostingKind {
    InvoiceAdd,
    InvoiceChange,
    InvoiceDelete,
    PaymentInFull,
    PaymentInPart,
    Deposit,
    FinanceCharges,
    POAdd,
    POChange,
    PODelete,
    Receipt,
};
inline constexpr int PostingKindCount = 11;
const char* PostingKindName(PostingKind kind);

// What a posting leaves on file about one document: "invoice 1004" -> "total 12.50 due 0.00".
// An empty value: the document is not on file.
struct Fact {
    std::string key;
    std::string value;
};
using Facts = std::map<std::string, std::string>;

// The facts of every document on file.
Facts ObservedFacts(const testsupport::CompanyBooks& books);
// The facts of `expected` that the files do not bear out, one line each.
std::vector<std::string> FactsNotOnFile(const Facts& expected, const Facts& observed);

// The facts with a posting's facts applied; an empty value takes the document away.
Facts After(Facts facts, const std::vector<Fact>& posted);

// Company 7 of the folder with customers, vendors and products (one product non-stock, one
// non-depleting); the stock on hand of each product as written. The engine must be running.
std::map<std::string, Decimal> CreateCompany(const DataFolder& folder);

// One run of the program on company 7: fresh unit states, "today" fixed, the company as
// stored current. It starts as the program starts after a crash: the first open replays what
// a process that died left in the journal, and the sets whose indexes cannot be trusted are
// rebuilt once the user answers Yes to the one question for them all (scripted on `host`).
class BooksSession {
public:
    BooksSession(const DataFolder& folder, ScriptedHost& host);
    ~BooksSession();
    BooksSession(const BooksSession&) = delete;
    BooksSession& operator=(const BooksSession&) = delete;
    // The sets rebuilt when the session opened, and the questions asked for them.
    int rebuilt() const { return rebuilt_; }
    int questions() const { return questions_; }

private:
    struct Scopes;
    std::unique_ptr<Scopes> scopes_;
    int rebuilt_ = 0;
    int questions_ = 0;
};

struct PostingResult {
    enum class Outcome { NothingToPost, Returned, Failed };
    Outcome outcome = Outcome::NothingToPost;
    PostingKind kind = PostingKind::InvoiceAdd;
    std::string what;  // "invoice 1004 added"
    std::vector<Fact> facts;
    std::string error;  // the message of a failed posting
};

// Picks and posts documents of each kind inside a BooksSession, with its own random picks.
class PostingDriver {
public:
    explicit PostingDriver(uint32_t seed);
    ~PostingDriver();

    // Keeps the customer and product files open around a posting, as their managers do while
    // they are shown (else each step opens and closes them).
    bool holdFiles = false;

    // Plans a posting of the kind on the books as they are (nothing when there is nothing to
    // post it on), tells `beforeWrite` what it will post, and writes it. A refused plan fails
    // the test. A posting that raises the program's error is Failed with its text.
    PostingResult Post(PostingKind kind,
                       const std::function<void(const PostingResult&)>& beforeWrite = {});

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What the next run of the program found after a crash or a fault.
struct RestartFindings {
    int rebuilt = 0;
    int questions = 0;                     // rebuild questions asked at the start
    std::vector<std::string> indexFaults;  // index entries that disagree with the records
    std::vector<std::string> unreadable;
    std::vector<std::string> halfPosted;
    std::vector<std::string> disagreements;  // books against documents
    std::vector<std::string> lost;           // facts of returned postings not on file, or more
    bool inFlightDone = false;               // the posting in flight is on file, whole
};

// Starts the program again on the folder (a BooksSession: replay and rebuilds), checks the
// books against the documents and `opening` stock, and compares the documents on file with
// `model`, the facts of every posting that returned, and with `inFlight`, the facts of the
// posting that had not returned (on file whole or not at all). `model` then follows what is
// on file.
RestartFindings CheckAfterRestart(const DataFolder& folder, ScriptedHost& host,
                                  const std::map<std::string, Decimal>& opening, Facts& model,
                                  const std::vector<Fact>* inFlight);

// The findings of many restarts, added up, with a line for each problem.
struct RestartTally {
    int rebuilt = 0, questions = 0, mostQuestions = 0, indexFaults = 0, halfPosted = 0, lost = 0,
        disagreeing = 0, inFlightDone = 0;
    std::vector<std::string> notes;
    // Adds a restart's findings; `where` names the round in the notes.
    void Add(const RestartFindings& found, const std::string& where);
    // "N sets rebuilt; N half-posted, ..." and the first notes, one per line.
    std::string Summary() const;
    // Fails the test on any half-posted document, lost fact, disagreement or index fault,
    // and on more than one rebuild question at a start.
    void ExpectNothingWrong() const;
};

}  // namespace bookstest
