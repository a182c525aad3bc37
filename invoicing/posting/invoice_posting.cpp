#include "invoicing/posting/invoice_posting.h"

#include <algorithm>
#include <charconv>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

const QString PostCaption = QStringLiteral("Post Invoice");

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
        const CompanyRec& company = Shell().companies.CurrentCompany;
        p_.number = e_.number;
        p_.print = e_.print;
        PlanHeader(company);
        if (external_) {
            p_.answerLines = {e_.customerNumber, p_.header.get(Invoice::InvNumber),
                              p_.header.get(Invoice::InvTotal), p_.header.get(Invoice::InvPaid)};
        }
        PlanLines();
        PlanStock();
        PlanCustomer(company);
        PlanCompany();
        PlanMemo();
        return std::move(p_);
    }

private:
    void PlanHeader(const CompanyRec& company) {
        InvoiceRec& h = p_.header;
        date_ = InvoiceDateOrRefuse(e_.date);
        ymd_ = SortableDate(date_);
        FillHeaderFromEntry(h, e_, date_);
        h.set(Invoice::InvType, Invoice::TypeRegular);
        paid_ = AmountOrRefuse(e_.paid, "The amount paid");
        due_ = SumOrRefuse(Decimal::Sub(AmountOrRefuse(e_.total, "The invoice total"), paid_),
                           "The amount due");
        if (due_.isZero()) {
            h.set(Invoice::InvPaidFlag, "P");
            h.set(Invoice::InvDatePaid, ymd_);
        }
        SetOrRefuse(h, Invoice::InvDue, due_.format("0.00"), "The amount due");
        SetOrRefuse(h, Invoice::InvCompanyNumber, TrimBlanks(company.get(Company::CompanyNumber)),
                    "The company number");
        h.set(Invoice::InvKind, e_.memo ? Invoice::KindMemo : Invoice::KindLineItems);
    }

    void PlanLines() {
        for (const auto& [rowNr, row] : PostedRows(e_)) {
            InvoiceLineRec line;
            line.set(InvoiceLine::LineKind, e_.memo ? "M" : "P");
            line.set(InvoiceLine::LineStatus, "I");
            FillLineFromRow(line, e_, rowNr, row, ymd_);
            p_.lines.push_back(line);
            if (external_ && !e_.memo) p_.answerLines.push_back(AnswerRowLine(row));
        }
    }

    // Lowers the stock of each stocked product by the quantity sold.
    void PlanStock() {
        StockPlan stock;
        for (const auto& [code, quantity] : StockSales(e_)) stock.Move(code, quantity, false);
        p_.stock = stock.changes();
    }

    void PlanCustomer(const CompanyRec& company) {
        CustomerRec& c = p_.customer;
        p_.customerRef = CustomerOrRefuse(e_.customerNumber, c);
        AddToCustomerBalance(c, due_);
        SetOrRefuse(c, Customer::LastInvoiceNumber, e_.number, "The invoice number");
        if (paid_ > Decimal()) c.set(Customer::LastPaymentDate, e_.date);
        AddToCustomerAging(c, AgingBucketOn(date_, AgingPeriodsOrRefuse(company)), due_);

        if (TrimBlanks(company.get(Company::QueueInvoiceCustomer)) == "Y")
            p_.labelRow = CustomerLabelRow{c.get(Customer::Number), c.get(Customer::Name),
                                           c.get(Customer::MailSort), c.get(Customer::Type)};
    }

    void PlanCompany() {
        const CompanyRec stored = StoredCompanyOrRefuse(Shell());
        p_.receivablesTotal = ReceivablesAfter(stored, due_);
        CompanyRec trial = stored;
        SetOrRefuse(trial, Company::LastInvoiceNumber, e_.number, "The invoice number");
        p_.lastInvoiceNumber = e_.number;
        p_.nextInvoiceNumber = NextInvoiceNumberAfter(
            e_.number, TrimBlanks(stored.get(Company::InvoiceNumberPrefix)) == "Y");
    }

    void PlanMemo() {
        if (!e_.memo) return;
        p_.memo = MemoFromEntry(e_, 0);
        if (!external_) return;
        const std::size_t count =
            std::min<std::size_t>(e_.memoLines.size(), InvoiceMemo::LineCount);
        for (std::size_t k = 0; k < count; ++k)
            if (!TrimBlanks(e_.memoLines[k]).empty()) p_.answerLines.push_back(e_.memoLines[k]);
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
    // Header, lines and memo are joined by the number: blanks around it or a lower-case letter
    // would give the lines and the memo keys that no longer find their header.
    InvoiceEntry typed = entry;
    typed.number = UpperAscii(TrimBlanks(entry.number));
    PostingPlan plan;
    RunPlanning([&] { plan.posting = Planner(typed, external).Plan(); }, plan.refusal, plan.caption,
                PostCaption);
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
