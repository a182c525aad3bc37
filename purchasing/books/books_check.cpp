#include "purchasing/books/books_check.h"

#include <array>
#include <set>
#include <utility>

#include "engine/engine.h"
#include "invoicing/posting/aging.h"
#include "shell/company/company_file.h"
#include "shell/record_file.h"
#include "shell/text.h"

Decimal BooksAmount(std::string_view text) {
    return Decimal::ParseBlankAsZero(StripCommas(text)).value_or(Decimal::FromScaled(-1));
}

std::string BooksKey(std::string_view text) {
    return UpperAscii(TrimBlanks(text));
}

namespace {

// The extension of a stored line: characters 54 to 63 of its text.
Decimal LineExtension(const std::string& text) {
    return BooksAmount(text.size() > 53 ? text.substr(53, 10) : std::string());
}
Decimal LineQuantity(const std::string& text) {
    return BooksAmount(text.substr(0, 10));
}

// The number part the company's next number counts: the whole number, or with the
// month-and-year prefix characters 5 on.
std::string CountedPart(const std::string& number, bool prefixed) {
    return prefixed ? (number.size() > 4 ? number.substr(4) : std::string()) : number;
}

std::string Money(Decimal amount) {
    return amount.format("0.00");
}

}  // namespace

// What the check keeps of each record: numbers, kinds and amounts, not the records.
struct BooksCheck::Facts {
    std::optional<CompanyRec> company;

    struct InvoiceFact {
        std::string number;
        std::string type;
        bool memo = false;
        Decimal net;
        Decimal due;
        std::string date;  // yyyy/mm/dd
        std::string customer;
    };
    std::vector<InvoiceFact> invoices;
    struct LineSum {
        Decimal sum;
        int count = 0;
    };
    std::map<std::string, LineSum> invoiceLines;  // by invoice number
    std::map<std::string, int> invoiceMemos;
    std::map<std::string, Decimal> sold;  // by product code

    struct OrderFact {
        std::string number;
        bool memo = false;
        bool dated = false;  // dated received
        Decimal net;
    };
    std::vector<OrderFact> orders;
    struct OrderLineSum {
        Decimal sum;
        int count = 0;
        Decimal ordered;
        Decimal received;
    };
    std::map<std::string, OrderLineSum> orderLines;  // by PO number
    std::map<std::string, int> orderMemos;
    std::set<std::string> receivers;
    std::map<std::string, Decimal> received;  // by product code

    struct CustomerFact {
        std::string number;
        Decimal balance;
        std::array<Decimal, 4> aging{};
    };
    std::vector<CustomerFact> customers;
    struct ProductFact {
        std::string code;
        Decimal stock;
        bool nonStock = false;
        bool nonDepleting = false;
    };
    std::vector<ProductFact> products;

    // Records that stand for an invoice (and carry its lines and memo), as against the
    // payment and deposit records that share or take numbers.
    static bool IsDocument(const InvoiceFact& r) {
        return r.type == Invoice::TypeRegular || r.type == Invoice::TypePartlyPaid ||
               r.type == Invoice::TypeRepeatGenerated;
    }
};

BooksCheck::BooksCheck(const std::optional<CompanyRec>& company)
    : facts_(std::make_unique<Facts>()) {
    facts_->company = company;
}

BooksCheck::~BooksCheck() = default;
BooksCheck::BooksCheck(BooksCheck&&) noexcept = default;
BooksCheck& BooksCheck::operator=(BooksCheck&&) noexcept = default;

void BooksCheck::Add(const CustomerRec& c) {
    Facts::CustomerFact& f = facts_->customers.emplace_back();
    f.number = BooksKey(c.get(Customer::Number));
    f.balance = BooksAmount(c.get(Customer::Balance));
    for (size_t k = 0; k < f.aging.size(); ++k)
        f.aging[k] = BooksAmount(c.get(Customer::Amounts[k]));
}

void BooksCheck::Add(const ProductRec& p) {
    facts_->products.push_back({BooksKey(p.get(Product::Code)),
                                BooksAmount(p.get(Product::StockOnHand)), p.get(Product::NonStock),
                                p.get(Product::NonDepleting)});
}

void BooksCheck::Add(const InvoiceRec& r) {
    facts_->invoices.push_back(
        {BooksKey(r.get(Invoice::InvNumber)), TrimBlanks(r.get(Invoice::InvType)),
         TrimBlanks(r.get(Invoice::InvKind)) == Invoice::KindMemo,
         BooksAmount(r.get(Invoice::InvNet)), BooksAmount(r.get(Invoice::InvDue)),
         r.get(Invoice::InvDateYMD), BooksKey(r.get(Invoice::InvCustomerNumber))});
}

void BooksCheck::Add(const InvoiceLineRec& l) {
    const std::string text = l.get(InvoiceLine::LineText);
    Facts::LineSum& lines = facts_->invoiceLines[BooksKey(l.get(InvoiceLine::LineInvNumber))];
    lines.sum += LineExtension(text);
    ++lines.count;
    facts_->sold[BooksKey(l.get(InvoiceLine::LineProductCode))] += LineQuantity(text);
}

void BooksCheck::Add(const InvoiceMemoRec& m) {
    ++facts_->invoiceMemos[BooksKey(m.get(InvoiceMemo::MemoInvNumber))];
}

void BooksCheck::Add(const PORec& po) {
    facts_->orders.push_back({BooksKey(po.get(PurchaseOrder::PONumber)),
                              TrimBlanks(po.get(PurchaseOrder::POType)) == PurchaseOrder::TypeMemo,
                              !TrimBlanks(po.get(PurchaseOrder::POReceivedDate)).empty(),
                              BooksAmount(po.get(PurchaseOrder::PONet))});
}

void BooksCheck::Add(const POLineRec& l) {
    const std::string text = l.get(POLine::LineText);
    Facts::OrderLineSum& lines = facts_->orderLines[BooksKey(l.get(POLine::LinePONumber))];
    const Decimal in = BooksAmount(l.get(POLine::LineReceivedQty));
    if (TrimBlanks(l.get(POLine::LineKind)) == POLine::KindOrdered) {
        lines.sum += LineExtension(text);
        lines.ordered += LineQuantity(text);
    }
    lines.received += in;
    ++lines.count;
    facts_->receivers.insert(BooksKey(l.get(POLine::LineReceiverNumber)));
    facts_->received[BooksKey(l.get(POLine::LineProductCode))] += in;
}

void BooksCheck::Add(const POMemoRec& m) {
    ++facts_->orderMemos[BooksKey(m.get(POMemo::MemoPONumber))];
}

namespace {

// Document `n` of a kind is on file once, its lines add up to its net, and a memo document
// has its memo.
template <class Lines, class Note>
void CheckWhole(const std::string& kind, const std::string& n,
                const std::map<std::string, int>& onFile, const Decimal& net, bool memo,
                const Lines& lines, const std::map<std::string, int>& memos, const Note& note) {
    if (const int times = onFile.at(n); times > 1)
        note(kind + " " + n + " on file " + std::to_string(times) + " times");
    const auto its = lines.find(n);
    if (its == lines.end())
        note(kind + " " + n + " without its lines");
    else if (its->second.sum != net)
        note(kind + " " + n + ": net " + Money(net) + " but its lines add up to " +
             Money(its->second.sum));
    if (memo && !memos.count(n)) note("memo " + kind + " " + n + " without its memo");
}

// No lines or memo of a kind's document that is not on file.
template <class Lines, class Note>
void CheckNoneWithout(const std::string& kind, const std::map<std::string, int>& onFile,
                      const Lines& lines, const std::map<std::string, int>& memos,
                      const Note& note) {
    for (const auto& [n, its] : lines)
        if (!onFile.count(n))
            note(std::to_string(its.count) + " line(s) of " + kind + " " + n + " without it");
    for (const auto& [n, count] : memos)
        if (!onFile.count(n)) note("memo of " + kind + " " + n + " without it");
}

}  // namespace

std::vector<std::string> BooksCheck::HalfPosted() const {
    const Facts& f = *facts_;
    std::vector<std::string> found;
    const auto note = [&](std::string line) { found.push_back(std::move(line)); };

    // Invoices: lines and memo by number.
    std::map<std::string, int> documents;
    std::set<std::string> deposits;
    for (const Facts::InvoiceFact& r : f.invoices) {
        if (Facts::IsDocument(r)) ++documents[r.number];
        if (r.type == Invoice::TypeDeposit) deposits.insert(r.number);
    }
    for (const Facts::InvoiceFact& r : f.invoices) {
        const std::string& n = r.number;
        if (r.type == Invoice::TypePartialRecord && !documents.count(n))
            note("payment record " + n + " without its invoice");
        if (r.type == Invoice::TypeDepositTaken && !deposits.count(n))
            note("deposit taken " + n + " without its deposit");
        if (Facts::IsDocument(r))
            CheckWhole("invoice", n, documents, r.net, r.memo, f.invoiceLines, f.invoiceMemos,
                       note);
    }
    CheckNoneWithout("invoice", documents, f.invoiceLines, f.invoiceMemos, note);

    // Purchase orders.
    std::map<std::string, int> orders;
    for (const Facts::OrderFact& po : f.orders) ++orders[po.number];
    for (const Facts::OrderFact& po : f.orders)
        CheckWhole("PO", po.number, orders, po.net, po.memo, f.orderLines, f.orderMemos, note);
    CheckNoneWithout("PO", orders, f.orderLines, f.orderMemos, note);

    // The company's next numbers are those of documents not yet written.
    if (f.company) {
        const CompanyRec& c = *f.company;
        const std::string nextInvoice = BooksKey(c.get(Company::NextInvoiceNumber));
        const bool invoicePrefix = TrimBlanks(c.get(Company::InvoiceNumberPrefix)) == "Y";
        for (const auto& [n, count] : documents)
            if (!nextInvoice.empty() &&
                (CountedPart(n, invoicePrefix) == nextInvoice || n == nextInvoice + "I"))
                note("the next invoice number " + nextInvoice + " names invoice " + n);
        const std::string nextPO = BooksKey(c.get(Company::NextPONumber));
        const bool poPrefix = TrimBlanks(c.get(Company::POPrefix)) == "Y";
        for (const auto& [n, count] : orders)
            if (!nextPO.empty() && CountedPart(n, poPrefix) == nextPO)
                note("the next PO number " + nextPO + " names PO " + n);
        const std::string nextReceiver = BooksKey(c.get(Company::NextReceiverNumber));
        if (!nextReceiver.empty() && f.receivers.count(nextReceiver))
            note("the next receiver number " + nextReceiver + " is on file");
    }
    return found;
}

std::vector<std::string> BooksCheck::Disagreements(
    std::optional<Date> agingDay, const std::map<std::string, Decimal>* openingStock) const {
    const Facts& f = *facts_;
    std::vector<std::string> problems;
    const auto disagree = [&](const std::string& what, Decimal books, Decimal documents) {
        if (books != documents)
            problems.push_back(what + ": books " + Money(books) + ", documents " +
                               Money(documents));
    };
    if (!f.company) return {"the company is not on file"};
    const auto periods = CompanyAgingPeriods(*f.company);
    if (!periods) return {"the aging periods are not numbers"};

    // Receivables: every record's amount due, by customer and aging bucket.
    struct Owed {
        Decimal balance;
        std::array<Decimal, 4> aging{};
    };
    std::map<std::string, Owed> owed;
    Decimal receivables;
    for (const Facts::InvoiceFact& r : f.invoices) {
        if (r.due.isZero()) continue;
        const auto date = ParseSortableDate(r.date);
        if (!date) {
            problems.push_back("invoice " + r.number + " has no date");
            continue;
        }
        Owed& o = owed[r.customer];
        o.balance += r.due;
        if (agingDay)
            o.aging[static_cast<size_t>(AgingBucketOf(DaysBetween(*date, *agingDay), *periods))] +=
                r.due;
        receivables += r.due;
    }
    Decimal balances;
    for (const Facts::CustomerFact& c : f.customers) {
        const Owed o = owed[c.number];
        disagree("balance of customer " + c.number, c.balance, o.balance);
        if (agingDay)
            for (size_t k = 0; k < o.aging.size(); ++k)
                disagree("aging " + std::to_string(k) + " of customer " + c.number, c.aging[k],
                         o.aging[k]);
        balances += c.balance;
    }
    disagree("receivables total", BooksAmount(f.company->get(Company::ReceivablesTotal)),
             receivables);
    disagree("customers' balances", balances, receivables);

    // Stock: opening stock less what invoices sold plus what came in on orders. Selling a
    // non-depleting product leaves its stock alone; receiving it brings it in.
    if (openingStock) {
        for (const Facts::ProductFact& p : f.products) {
            if (p.nonStock) continue;
            const auto opening = openingStock->find(p.code);
            Decimal expected = opening == openingStock->end() ? Decimal() : opening->second;
            if (const auto in = f.received.find(p.code); in != f.received.end())
                expected += in->second;
            if (const auto out = f.sold.find(p.code); out != f.sold.end() && !p.nonDepleting)
                expected -= out->second;
            disagree("stock of " + p.code, p.stock, expected);
        }
    }

    // An order carries a received date exactly when everything on it has come in.
    for (const Facts::OrderFact& po : f.orders) {
        const auto lines = f.orderLines.find(po.number);
        const Decimal ordered = lines == f.orderLines.end() ? Decimal() : lines->second.ordered;
        const Decimal in = lines == f.orderLines.end() ? Decimal() : lines->second.received;
        if (po.dated != (in >= ordered))
            problems.push_back(
                "PO " + po.number +
                (po.dated ? " is dated received with " : " is not dated received with ") +
                in.general() + " of " + ordered.general() + " in");
    }
    return problems;
}

std::vector<std::string> BooksFindings::all() const {
    std::vector<std::string> lines;
    for (const std::string& file : unreadable) lines.push_back("cannot read " + file);
    for (const std::string& p : halfPosted) lines.push_back("half-posted: " + p);
    lines.insert(lines.end(), disagreements.begin(), disagreements.end());
    return lines;
}

namespace {

// Feeds every live record of the company's set with the letters to the check: 0, or the
// code that kept it from being read to the end (a set that does not exist yet is empty).
template <class Rec>
int32_t FeedSet(BooksCheck& check, const DataFolder& folder, std::string_view company,
                std::string_view letters) {
    FileSetHandle h = 0;
    OpenFileSet(h, folder.fileSet(std::string(company) + std::string(letters)));
    if (!EngineOK) return EngineErrorCode == EngineCode::NoSuchFileSet ? 0 : EngineErrorCode;
    const FileSetCloser closer(h);
    int32_t read = 0;
    Rec record;
    for (int32_t ref = 0;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) break;
        ReadRecord(h, ref, record.bytes());
        if (!EngineOK) break;
        check.Add(record);
        ++read;
    }
    const int32_t code = EngineErrorCode == EngineCode::NoNextRecord ? 0 : EngineErrorCode;
    const int32_t live = UsedRecordCount(h);
    ClearEngineStatus();
    return code != 0 ? code : read == live ? 0 : EngineCode::IndexDefective;
}

}  // namespace

BooksFindings CheckCompanyBooks(const DataFolder& folder, std::string_view number,
                                std::optional<Date> agingDay,
                                const std::map<std::string, Decimal>* openingStock) {
    BooksFindings findings;
    const std::optional<CompanyRec> company = FindCompany(folder, number);
    if (!company) findings.unreadable.push_back("company " + std::string(number) + " (cvcomp)");
    BooksCheck check(company);
    const auto feed = [&]<class Rec>(std::string_view letters) {
        if (const int32_t code = FeedSet<Rec>(check, folder, number, letters))
            findings.unreadable.push_back(std::string(number) + std::string(letters) + " (error " +
                                          std::to_string(code) + ")");
    };
    feed.operator()<CustomerRec>("C");
    feed.operator()<ProductRec>("P");
    feed.operator()<InvoiceRec>("I");
    feed.operator()<InvoiceLineRec>("D");
    feed.operator()<InvoiceMemoRec>("M");
    feed.operator()<PORec>("O");
    feed.operator()<POLineRec>("PD");
    feed.operator()<POMemoRec>("PM");
    findings.halfPosted = check.HalfPosted();
    findings.disagreements = check.Disagreements(agingDay, openingStock);
    ClearEngineStatus();
    return findings;
}
