#include "invoicing/invoice_posting.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "engine/decimal.h"
#include "invoicing/aging.h"
#include "invoicing/invoice_memo_file.h"
#include "invoicing/plan_refusal.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

const QString PostCaption = QStringLiteral("Post Invoice");

// A refusal under way: the first problem found ends the plan.
using Refused = PlanRefusal;

std::string TwoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

// The grid rows a posting writes: every row with a code or a description; a memo invoice
// posts its one memo row only, never rows left in its hidden grid.
std::vector<std::pair<int, InvoiceRow>> PostedRows(const InvoiceEntry& entry) {
    std::vector<std::pair<int, InvoiceRow>> rows;
    if (entry.memo) {
        InvoiceRow row;
        const std::string code = TrimBlanks(entry.stockCode);
        row.code = code.empty() ? std::string(NoProductCode) : code;
        row.quantity = TrimBlanks(entry.memoQuantity);
        row.description = entry.memoDescription;
        row.unitPrice = TrimBlanks(entry.net);
        row.taxFlag = "M";
        row.extension = TrimBlanks(entry.net);
        if (!entry.rows.empty()) row.unitCost = entry.rows[0].unitCost;
        rows.emplace_back(1, row);
        return rows;
    }
    for (std::size_t i = 0; i < entry.rows.size(); ++i) {
        const InvoiceRow& row = entry.rows[i];
        if (!TrimBlanks(row.code).empty() || !TrimBlanks(row.description).empty())
            rows.emplace_back(static_cast<int>(i) + 1, row);
    }
    return rows;
}

std::string AnswerRowLine(const InvoiceRow& row) {
    return PadRightWith(row.code, ' ', 10) + " " +
           PadRightWith(StripCommas(row.quantity), ' ', 10) + " " +
           PadRightWith(row.description, ' ', 32) + " " +
           PadRightWith(StripCommas(row.unitPrice), ' ', 10) + " " +
           PadRightWith(row.taxFlag, ' ', 1) + " " +
           PadRightWith(StripCommas(row.extension), ' ', 10);
}

class Planner {
public:
    Planner(const InvoiceEntry& entry, bool external) : e_(entry), external_(external) {}

    InvoicePosting Plan() {
        ShellContext& shell = Shell();
        const CompanyRec& company = shell.companies.CurrentCompany;
        p_.number = e_.number;
        p_.print = e_.print;
        PlanHeader(company, shell.companies.dateFormat());
        if (external_) {
            p_.answerLines = {e_.customerNumber, p_.header.get(Invoice::InvNumber),
                              p_.header.get(Invoice::InvTotal), p_.header.get(Invoice::InvPaid)};
        }
        PlanLines(company);
        PlanStock();
        PlanCustomer(company, shell.clock.today());
        PlanCompany(shell);
        PlanMemo();
        return std::move(p_);
    }

private:
    void PlanHeader(const CompanyRec& company, const DateFormat& dates) {
        InvoiceRec& h = p_.header;
        const auto date = dates.parse(e_.date);
        if (!date)
            throw Refused{
                QString("The invoice date %1 is not a valid date.").arg(FromCp1252(e_.date))};
        date_ = *date;
        ymd_ = SortableDate(date_);
        SetOrRefuse(h, Invoice::InvNumber, UpperAscii(TrimBlanks(e_.number)), "The invoice number");
        h.set(Invoice::InvType, Invoice::TypeRegular);
        h.set(Invoice::InvDate, e_.date);
        h.set(Invoice::InvMonth, TwoDigits(date_.month));
        h.set(Invoice::InvDay, TwoDigits(date_.day));
        h.set(Invoice::InvYear, std::to_string(date_.year));
        h.set(Invoice::InvDateYMD, ymd_);
        h.set(Invoice::InvNotes, e_.notes);
        h.set(Invoice::InvTerms, e_.terms);
        h.set(Invoice::InvStatementNote, e_.statementNote);
        SetOrRefuse(h, Invoice::InvCustomerNumber, TrimBlanks(e_.customerNumber),
                    "The customer number");
        h.set(Invoice::InvCustomerShortName, e_.customerShortName);
        h.set(Invoice::InvKeyCode, e_.keyCode);

        const Decimal total = AmountOrRefuse(e_.total, "The invoice total");
        paid_ = AmountOrRefuse(e_.paid, "The amount paid");
        AmountOrRefuse(e_.net, "The net amount");
        AmountOrRefuse(e_.tax, "The tax");
        SetOrRefuse(h, Invoice::InvNet, StripCommas(e_.net), "The net amount");
        SetOrRefuse(h, Invoice::InvTax, StripCommas(e_.tax), "The tax");
        SetOrRefuse(h, Invoice::InvTotal, StripCommas(e_.total), "The invoice total");
        SetOrRefuse(h, Invoice::InvPaid, StripCommas(e_.paid), "The amount paid");
        due_ = SumOrRefuse(Decimal::Sub(total, paid_), "The amount due");
        if (due_.isZero()) {
            h.set(Invoice::InvPaidFlag, "P");
            h.set(Invoice::InvDatePaid, ymd_);
        }
        SetOrRefuse(h, Invoice::InvDue, due_.format("0.00"), "The amount due");
        SetOrRefuse(h, Invoice::InvCompanyNumber, TrimBlanks(company.get(Company::CompanyNumber)),
                    "The company number");
        h.set(Invoice::InvKind, e_.memo ? Invoice::KindMemo : Invoice::KindLineItems);
        const std::array<fields::Text<InvoiceRec>, 4> shipTo{
            Invoice::InvShipTo1, Invoice::InvShipTo2, Invoice::InvShipTo3, Invoice::InvShipTo4};
        for (std::size_t k = 0; k < shipTo.size(); ++k) h.set(shipTo[k], e_.shipTo[k]);
    }

    void PlanLines(const CompanyRec& company) {
        for (const auto& [rowNr, row] : PostedRows(e_)) {
            InvoiceLineRec line;
            const QString where = QString("Line %1").arg(rowNr);
            SetOrRefuse(line, InvoiceLine::LineCompanyNumber,
                        TrimBlanks(company.get(Company::CompanyNumber)), "The company number");
            SetOrRefuse(line, InvoiceLine::LineInvNumber, e_.number, "The invoice number");
            line.set(InvoiceLine::LineSortDate, ymd_);
            line.set(InvoiceLine::LineKind, e_.memo ? "M" : "P");
            line.set(InvoiceLine::LineStatus, "I");
            SetOrRefuse(line, InvoiceLine::LineCustomerNumber, TrimBlanks(e_.customerNumber),
                        "The customer number");
            line.set(InvoiceLine::LineCustomerShortName, e_.customerShortName);
            SetOrRefuse(line, InvoiceLine::LineUnitCost, StripCommas(row.unitCost),
                        where + ": the unit cost");
            line.set(InvoiceLine::LineProductCode, TrimBlanks(row.code.substr(0, 10)));
            const auto text = InvoiceLineText(row);
            if (!text)
                throw Refused{where +
                              " has a value wider than its column; it cannot be "
                              "stored whole."};
            line.set(InvoiceLine::LineText, *text);
            p_.lines.push_back(line);
            if (external_ && !e_.memo) p_.answerLines.push_back(AnswerRowLine(row));
        }
    }

    // Lowers the stock of each stocked product by the quantity sold; a product sold on
    // several rows is lowered by each of them.
    void PlanStock() {
        std::vector<std::pair<std::string, std::string>> sales;  // code, quantity
        if (e_.memo) {
            if (!TrimBlanks(e_.stockCode).empty())
                sales.emplace_back(e_.stockCode, e_.memoQuantity);
        } else {
            for (const InvoiceRow& row : e_.rows)
                if (!TrimBlanks(row.code).empty()) sales.emplace_back(row.code, row.quantity);
        }
        if (sales.empty()) return;
        const DataFile& file = ProductData();
        const StepFile open(file);
        if (!open.ok())
            throw Refused{
                QString("The product file cannot be opened (error %1).").arg(EngineErrorCode)};
        std::map<int32_t, std::size_t> planned;  // Ref -> index in p_.stock
        for (const auto& [rawCode, quantityText] : sales) {
            const std::string code = TrimBlanks(TrimBlanks(rawCode).substr(0, 10));
            ProductRec probe;
            static_cast<void>(probe.set(Product::Code, code));
            ProductRec found;
            const int32_t ref =
                file.Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey), found.bytes());
            if (ref == 0 || found.get(Product::NonStock) || found.get(Product::NonDepleting))
                continue;
            auto at = planned.find(ref);
            if (at == planned.end()) {
                at = planned.emplace(ref, p_.stock.size()).first;
                p_.stock.push_back({ref, found});
            }
            ProductRec& rec = p_.stock[at->second].record;
            const QString what = QString("The stock on hand of product %1").arg(FromCp1252(code));
            const Decimal onHand = AmountOrRefuse(rec.get(Product::StockOnHand), what);
            const Decimal sold = AmountOrRefuse(
                quantityText, QString("The quantity of product %1").arg(FromCp1252(code)));
            const Decimal left = SumOrRefuse(Decimal::Sub(onHand, sold), what);
            SetOrRefuse(rec, Product::StockOnHand, left.general(), what);
        }
    }

    void PlanCustomer(const CompanyRec& company, Date today) {
        const std::string number = TrimBlanks(e_.customerNumber);
        CustomerRec& c = p_.customer;
        p_.customerRef = CustomerOrRefuse(number, c);

        const QString balanceWhat = QString("The balance of customer %1").arg(FromCp1252(number));
        const Decimal balance = AmountOrRefuse(c.get(Customer::Balance), balanceWhat);
        SetOrRefuse(c, Customer::Balance,
                    SumOrRefuse(Decimal::Add(balance, due_), balanceWhat).format("0.00"),
                    balanceWhat);
        SetOrRefuse(c, Customer::LastInvoiceNumber, e_.number, "The invoice number");
        if (paid_ > Decimal()) c.set(Customer::LastPaymentDate, e_.date);

        const AgingPeriods periods = AgingPeriodsOrRefuse(company);
        const auto bucket =
            static_cast<std::size_t>(AgingBucketOf(DaysBetween(date_, today), periods));
        const auto field = Customer::Amounts[bucket];
        const QString agingWhat =
            QString("The aging amount of customer %1").arg(FromCp1252(number));
        const Decimal aged = AmountOrRefuse(c.get(field), agingWhat);
        SetOrRefuse(c, field, SumOrRefuse(Decimal::Add(aged, due_), agingWhat).format("0.00"),
                    agingWhat);

        if (TrimBlanks(company.get(Company::QueueInvoiceCustomer)) == "Y")
            p_.labelRow = CustomerLabelRow{c.get(Customer::Number), c.get(Customer::Name),
                                           c.get(Customer::MailSort), c.get(Customer::Type)};
    }

    void PlanCompany(ShellContext& shell) {
        const CompanyRec stored = StoredCompanyOrRefuse(shell);
        const QString what = "The company's receivables total";
        const Decimal total = AmountOrRefuse(stored.get(Company::ReceivablesTotal), what);
        p_.receivablesTotal = SumOrRefuse(Decimal::Add(total, due_), what).format("0.00");
        CompanyRec trial = stored;
        SetOrRefuse(trial, Company::ReceivablesTotal, p_.receivablesTotal, what);
        SetOrRefuse(trial, Company::LastInvoiceNumber, e_.number, "The invoice number");
        p_.lastInvoiceNumber = e_.number;
        p_.nextInvoiceNumber = NextInvoiceNumberAfter(
            e_.number, TrimBlanks(stored.get(Company::InvoiceNumberPrefix)) == "Y");
    }

    void PlanMemo() {
        if (!e_.memo) return;
        InvoiceMemoRec memo;
        SetOrRefuse(memo, InvoiceMemo::MemoInvNumber, e_.number, "The invoice number");
        std::vector<std::string> lines(
            e_.memoLines.begin(),
            e_.memoLines.begin() +
                std::min<std::size_t>(e_.memoLines.size(), InvoiceMemo::LineCount));
        SetInvoiceMemoLines(memo, lines);
        InvoiceMemoRec onFile;
        if (InvoiceMemoData().Find(InvoiceMemoNumberKey,
                                   BuildInvoiceMemoKey(memo, InvoiceMemoNumberKey),
                                   onFile.bytes()) != 0)
            throw Refused{QString("A memo for invoice number %1 is already on file. Please "
                                  "use another invoice number.")
                              .arg(FromCp1252(e_.number)),
                          "Duplicate Memo"};
        if (external_)
            for (const std::string& line : lines)
                if (!TrimBlanks(line).empty()) p_.answerLines.push_back(line);
        p_.memo = memo;
    }

    const InvoiceEntry& e_;
    const bool external_;
    InvoicePosting p_;
    Date date_;
    std::string ymd_;
    Decimal paid_;
    Decimal due_;
};

}  // namespace

PostingPlan PlanInvoicePosting(const InvoiceEntry& entry, bool external) {
    PostingPlan plan;
    try {
        plan.posting = Planner(entry, external).Plan();
    } catch (const Refused& refused) {
        plan.refusal = refused.text;
        plan.caption = refused.caption.isEmpty() ? PostCaption : refused.caption;
    }
    return plan;
}

std::optional<std::string> NextInvoiceNumberAfter(std::string_view number, bool prefixed) {
    const std::string_view part =
        prefixed ? (number.size() > 4 ? number.substr(4, 5) : std::string_view{}) : number;
    const std::string digits = TrimBlanks(part);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    uint64_t value = 0;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || value >= 999'999'999) return std::nullopt;
    return std::to_string(value + 1);
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::optional<std::string> InvoiceLineText(const InvoiceRow& row) {
    const std::array<std::pair<std::string, int>, 5> parts{{{StripCommas(row.quantity), 10},
                                                            {row.description, 32},
                                                            {StripCommas(row.unitPrice), 10},
                                                            {row.taxFlag, 1},
                                                            {StripCommas(row.extension), 10}}};
    std::string text;
    for (const auto& [part, width] : parts) {
        if (static_cast<int>(part.size()) > width) return std::nullopt;
        text += PadRightWith(part, ' ', width);
    }
    return text;
}

StepFile::StepFile(const DataFile& file) : file_(file), openedHere_(file.handle() == 0) {
    ok_ = file.Open();
}

StepFile::~StepFile() {
    if (openedHere_ && ok_) file_.Close();
}
