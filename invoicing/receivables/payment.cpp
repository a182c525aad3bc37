#include "invoicing/receivables/payment.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <utility>

#include "invoicing/posting/aging.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/keyed_sort.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

const QString WizardCaption = QStringLiteral("Payment Wizard");

using Records = std::vector<std::pair<int32_t, InvoiceRec>>;

QString Q(std::string_view text) {
    return FromCp1252(text);
}

std::string Trimmed(const InvoiceRec& r, fields::Text<InvoiceRec> f) {
    return TrimBlanks(r.get(f));
}
std::string Trimmed(const InvoiceRec& r, fields::Number<InvoiceRec> f) {
    return TrimBlanks(r.get(f));
}

// Invoice numbers compare as key 1 does: trimmed, ASCII upper-cased.
std::string NumberKey(std::string_view number) {
    return KeyText(number, 9);
}

// Every record of the open invoice file whose key keyNr is exactly `key`, in index order.
// Nothing when the file cannot be read or its index points at a record of another key.
std::optional<Records> RecordsOfKey(int keyNr, const std::string& key) {
    const FileSetHandle handle = Invoicing().InvoiceFile;
    Records records;
    int32_t ref = 0;
    std::string found = key;
    for (SearchKey(handle, keyNr, ref, found); EngineOK && found == key;
         NextKey(handle, keyNr, ref, found)) {
        InvoiceRec record;
        ReadRecord(handle, ref, record.bytes());
        if (!EngineOK) return std::nullopt;
        if (BuildInvoiceKey(record, keyNr) != key) {
            EngineOK = false;
            EngineErrorCode = EngineCode::IndexDefective;
            return std::nullopt;
        }
        records.emplace_back(ref, record);
    }
    if (!EngineOK && EngineErrorCode != EngineCode::NoNextKey &&
        EngineErrorCode != EngineCode::KeyNotFound)
        return std::nullopt;
    EngineOK = true;
    EngineErrorCode = 0;
    return records;
}

std::string CustomerKeyOf(std::string_view customerNumber) {
    return KeyText(customerNumber, 8);
}

QString CannotRead(const char* what) {
    return QString("The %1 cannot be read (error %2).").arg(what).arg(EngineErrorCode);
}

// The receivables total (or balance) after the payment, or nothing when it is not a number.
std::optional<Decimal> Lowered(std::string_view stored, Decimal paid) {
    const auto value = Decimal::ParseBlankAsZero(StripCommas(stored));
    if (!value) return std::nullopt;
    return Decimal::Sub(*value, paid);
}

// A refusal under way: the first problem found ends the plan.
using Refused = PlanRefusal;
// ... and one that names the field to correct.
struct FieldRefused {
    PlanRefusal refusal;
    PaymentField field;
};

class Planner {
public:
    explicit Planner(const PaymentEntry& entry) : e_(entry) {}

    PaymentPosting Plan() {
        ShellContext& shell = Shell();
        dates_ = shell.companies.dateFormat();
        const auto date = dates_.parse(e_.paymentDate);
        if (!date)
            throw FieldRefused{
                {"You have an invalid payment date. You can clear the date and then select the "
                 "calendar button.",
                 "Payment Date"},
                PaymentField::PaymentDate};
        ymd_ = SortableDate(*date);
        p_.paid = PaidAmount();

        const CompanyRec& company = shell.companies.CurrentCompany;
        const AgingPeriods periods = AgingPeriodsOrRefuse(company);
        companyNumber_ = TrimBlanks(company.get(Company::CompanyNumber));

        {
            const StepFile open(InvoiceData());
            if (!open.ok()) throw Refused{CannotRead("invoice file")};
            LoadCustomerRecords();
            used_ = UsedRecordCount(Invoicing().InvoiceFile);
            for (const PaymentItem& item : e_.items) {
                if (item.IsNewDeposit())
                    PlanDeposit(item);
                else if (item.partial)
                    PlanPartial(item);
                else
                    PlanFull(item);
            }
        }
        PlanCustomer(periods, shell.clock.today());
        PlanCompany(shell);
        return std::move(p_);
    }

private:
    Decimal PaidAmount() const {
        const auto total = TotalPosted(e_.items, e_.paidAmount);
        if (!total.postable)
            throw FieldRefused{{"The items you are posting do not add up to the paid amount."},
                               PaymentField::PaidAmount};
        return total.sum;
    }

    void LoadCustomerRecords() {
        const auto records = RecordsOfKey(InvoiceCustomerKey, CustomerKeyOf(e_.customerNumber));
        if (!records) throw Refused{CannotRead("invoice file")};
        for (const auto& [ref, record] : *records) {
            order_.push_back(ref);
            state_.emplace(ref, record);
        }
    }

    // The listed record of an item, as this posting has left it so far. A row whose record
    // is gone, has another number or was paid in the meantime refuses the posting.
    InvoiceRec& Listed(const PaymentItem& item) {
        const auto at = state_.find(item.ref);
        if (at == state_.end() ||
            NumberKey(at->second.get(Invoice::InvNumber)) != NumberKey(item.number))
            throw Refused{QString("Invoice %1 is no longer among the customer's open items. "
                                  "Please choose the customer again.")
                              .arg(Q(TrimBlanks(item.number)))};
        if (Trimmed(at->second, Invoice::InvPaidFlag) == "P")
            throw Refused{QString("Invoice %1 is paid in full already; it cannot be paid again.")
                              .arg(Q(TrimBlanks(item.number)))};
        return at->second;
    }

    void SetPaymentDate(InvoiceRec& r) const {
        r.set(Invoice::InvDate, TrimBlanks(e_.paymentDate));
        r.set(Invoice::InvYear, ymd_.substr(0, 4));
        r.set(Invoice::InvMonth, ymd_.substr(5, 2));
        r.set(Invoice::InvDay, ymd_.substr(8, 2));
        r.set(Invoice::InvDateYMD, ymd_);
    }

    void SetAmount(InvoiceRec& r, fields::Number<InvoiceRec> field, Decimal amount,
                   const QString& what) const {
        SetOrRefuse(r, field, amount.format("0.00"), what);
    }

    void Add(const InvoiceRec& record, const char* failure) {
        PaymentWrite w;
        w.add = true;
        w.record = record;
        w.failure = failure;
        p_.writes.push_back(std::move(w));
        added_.push_back(record);
    }

    void Rewrite(int32_t ref, const InvoiceRec& record) {
        PaymentWrite w;
        w.ref = ref;
        w.before = state_.at(ref);
        w.record = record;
        w.failure =
            QString("Updating invoice %1 failed.").arg(Q(Trimmed(record, Invoice::InvNumber)));
        p_.writes.push_back(std::move(w));
        state_[ref] = record;
    }

    // "DP" and the number of records on file and added so far, plus one; numbers that are
    // taken already (records are deleted and their numbers reused) are passed over.
    std::string NextDepositNumber() {
        for (int64_t n = used_ + static_cast<int64_t>(added_.size()) + 1;; ++n) {
            const std::string number = "DP" + std::to_string(n);
            if (takenNumbers_.contains(number)) continue;
            InvoiceRec probe;
            if (!probe.set(Invoice::InvNumber, number))
                throw Refused{"No further deposit number fits the invoice number field."};
            InvoiceRec onFile;
            if (InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                                   onFile.bytes()) != 0)
                continue;
            if (EngineErrorCode != EngineCode::KeyNotFound)
                throw Refused{CannotRead("invoice file")};
            takenNumbers_.insert(number);
            return number;
        }
    }

    // Fields every record the wizard adds carries.
    void SetNewRecordCommon(InvoiceRec& r, std::string_view number) const {
        SetOrRefuse(r, Invoice::InvNumber, number, "The number");
        SetOrRefuse(r, Invoice::InvCustomerNumber, TrimBlanks(e_.customerNumber),
                    "The customer number");
        r.set(Invoice::InvCustomerShortName, e_.shortName);
        SetOrRefuse(r, Invoice::InvCompanyNumber, companyNumber_, "The company number");
        SetPaymentDate(r);
        r.set(Invoice::InvStatementNote, e_.notes);
        r.set(Invoice::InvDatePaid, ymd_);
        for (const auto field : {Invoice::InvNet, Invoice::InvTax, Invoice::InvTotal})
            SetOrRefuse(r, field, "0.00", "An amount");
    }

    void PlanDeposit(const PaymentItem& item) {
        InvoiceRec r;
        SetNewRecordCommon(r, NextDepositNumber());
        r.set(Invoice::InvType, Invoice::TypeDeposit);
        r.set(Invoice::InvKind, Invoice::KindDeposit);
        r.set(Invoice::InvKeyCode, "Deposit");
        SetAmount(r, Invoice::InvPaid, item.amount, "The deposit");
        SetAmount(r, Invoice::InvDue, -item.amount, "The deposit");
        Add(r, "Adding deposit failed.");
    }

    void PlanPartial(const PaymentItem& item) {
        InvoiceRec inv = Listed(item);
        const std::string number = Trimmed(inv, Invoice::InvNumber);
        const std::string type = Trimmed(inv, Invoice::InvType);
        if (type != Invoice::TypeRegular && type != Invoice::TypePartlyPaid &&
            type != Invoice::TypeRepeatGenerated)
            throw Refused{QString("Record %1 of type \"%2\" cannot take a partial payment.")
                              .arg(Q(number), Q(type))};
        const QString what = QString("The amount due of invoice %1").arg(Q(number));
        const Decimal due = AmountOrRefuse(inv.get(Invoice::InvDue), what);
        const Decimal left = SumOrRefuse(Decimal::Sub(due, item.amount), what);
        SetAmount(inv, Invoice::InvDue, left, what);
        if (left.format("0.00") == "0.00") {
            inv.set(Invoice::InvPaidFlag, "P");
            inv.set(Invoice::InvDatePaid, ymd_);
        }
        inv.set(Invoice::InvType, Invoice::TypePartlyPaid);
        Rewrite(item.ref, inv);

        InvoiceRec x;
        SetNewRecordCommon(x, number);
        x.set(Invoice::InvType, Invoice::TypePartialRecord);
        x.set(Invoice::InvKeyCode, "Partial");
        x.set(Invoice::InvKind, inv.get(Invoice::InvKind));
        x.set(Invoice::InvPaidFlag, "P");
        SetOrRefuse(x, Invoice::InvDue, "0.00", what);
        SetAmount(x, Invoice::InvPaid, item.amount, "The partial payment");
        Add(x, "Adding partial pmt failed.");
    }

    void PlanFull(const PaymentItem& item) {
        const InvoiceRec& listed = Listed(item);
        const std::string number = Trimmed(listed, Invoice::InvNumber);
        // Deposits are told by their type: an invoice may be numbered "DP..." too.
        const bool deposit = Trimmed(listed, Invoice::InvType) == Invoice::TypeDeposit;
        InvoiceRec paid = listed;
        paid.set(Invoice::InvDatePaid, ymd_);
        paid.set(Invoice::InvPaidFlag, "P");
        SetOrRefuse(paid, Invoice::InvDue, "0.00", "The amount due");
        if (!TrimBlanks(e_.notes).empty()) paid.set(Invoice::InvStatementNote, e_.notes);

        const QString what = QString("The amount paid on invoice %1").arg(Q(number));
        if (AmountOrRefuse(listed.get(Invoice::InvPaid), what).isZero()) {
            SetAmount(paid, Invoice::InvPaid, item.amount, what);
            Rewrite(item.ref, paid);
            return;
        }

        InvoiceRec payment = paid;
        SetPaymentDate(payment);
        SetAmount(payment, Invoice::InvPaid, item.amount, what);
        for (const auto field : {Invoice::InvTotal, Invoice::InvTax, Invoice::InvDue})
            SetOrRefuse(payment, field, "0.00", what);
        payment.set(Invoice::InvStatementNote, e_.notes);
        payment.set(Invoice::InvType,
                    deposit ? Invoice::TypeDepositTaken : Invoice::TypePartialRecord);
        Add(payment, "Adding reg pmt failed.");

        // Every open record of the number (of this customer only: numbers repeat across
        // customers) is closed on its own date.
        for (const int32_t ref : order_) {
            InvoiceRec r = state_.at(ref);
            if (NumberKey(r.get(Invoice::InvNumber)) != NumberKey(number) ||
                Trimmed(r, Invoice::InvPaidFlag) == "P")
                continue;
            r.set(Invoice::InvPaidFlag, "P");
            SetOrRefuse(r, Invoice::InvDue, "0.00", what);
            r.set(Invoice::InvType, deposit ? Invoice::TypeDeposit : Invoice::TypePartlyPaid);
            r.set(Invoice::InvDatePaid, SortableDate(DateOf(r)));
            Rewrite(ref, r);
        }
    }

    Date DateOf(const InvoiceRec& r) const {
        if (auto d = InvoiceAgingDate(r, dates_)) return *d;
        throw Refused{QString("Invoice %1 has no valid date (\"%2\"), so the customer's "
                              "balance cannot be aged.")
                          .arg(Q(Trimmed(r, Invoice::InvNumber)), Q(Trimmed(r, Invoice::InvDate)))};
    }

    void PlanCustomer(const AgingPeriods& periods, Date today) {
        AgingSums sums(periods, today);
        const auto age = [&](const InvoiceRec& r) { sums.Add(DateOf(r), r); };
        for (const int32_t ref : order_) age(state_.at(ref));
        for (const InvoiceRec& r : added_) age(r);

        const std::string number = TrimBlanks(e_.customerNumber);
        CustomerRec& c = p_.customer;
        p_.customerRef = CustomerOrRefuse(number, c);
        p_.customerBefore = c;

        const QString what = QString("The balance of customer %1").arg(Q(number));
        const Decimal balance = AmountOrRefuse(c.get(Customer::Balance), what);
        SetOrRefuse(c, Customer::Balance,
                    SumOrRefuse(Decimal::Sub(balance, p_.paid), what).format("0.00"), what);
        c.set(Customer::LastPaymentDate, TrimBlanks(e_.paymentDate));
        sums.WriteTo(c);
    }

    void PlanCompany(ShellContext& shell) {
        const CompanyRec stored = StoredCompanyOrRefuse(shell);
        const QString what = "The company's receivables total";
        const Decimal total = AmountOrRefuse(stored.get(Company::ReceivablesTotal), what);
        CompanyRec trial = stored;
        SetOrRefuse(trial, Company::ReceivablesTotal,
                    SumOrRefuse(Decimal::Sub(total, p_.paid), what).format("0.00"), what);
    }

    const PaymentEntry& e_;
    PaymentPosting p_;
    DateFormat dates_;
    std::string ymd_;
    std::string companyNumber_;
    int64_t used_ = 0;
    std::vector<int32_t> order_;           // the customer's records, key 2 order
    std::map<int32_t, InvoiceRec> state_;  // ... as the posting leaves them
    std::vector<InvoiceRec> added_;
    std::set<std::string> takenNumbers_;
};

}  // namespace

std::string PaymentItemText(const PaymentItem& item) {
    return PadRightWith(item.number, ' ', 9) + " " + PadRightWith(item.date, ' ', 8) + " " +
           RightJustify(item.amount.format(",0.00"), ' ', 12) + (item.partial ? "P" : "");
}

std::string ListedDate(const InvoiceRec& record, DateOrder order) {
    const auto twoDigits = [](std::string text) {
        text = TrimBlanks(text);
        if (text.size() > 2) text = text.substr(text.size() - 2);
        return std::string(2 - text.size(), '0') + text;
    };
    const std::string day = twoDigits(record.get(Invoice::InvDay));
    const std::string month = twoDigits(record.get(Invoice::InvMonth));
    const std::string year = twoDigits(record.get(Invoice::InvYear));
    switch (order) {
        case DateOrder::DayFirst:
            return day + "/" + month + "/" + year;
        case DateOrder::YearFirst:
            return year + "/" + month + "/" + day;
        case DateOrder::MonthFirst:
            break;
    }
    return month + "/" + day + "/" + year;
}

std::string DepositListDate(std::string_view paymentDate, DateOrder order) {
    const std::string date = PadRightWith(paymentDate, ' ', 10);
    return order == DateOrder::YearFirst ? date.substr(2, 8)
                                         : date.substr(0, 6) + date.substr(8, 2);
}

OpenItems ListOpenItems(std::string_view customerNumber) {
    OpenItems out;
    const StepFile open(InvoiceData());
    if (!open.ok()) {
        out.problem = CannotRead("invoice file");
        return out;
    }
    const auto records = RecordsOfKey(InvoiceCustomerKey, CustomerKeyOf(customerNumber));
    if (!records) {
        out.problem = CannotRead("invoice file");
        return out;
    }
    const DateOrder order = Shell().companies.dateFormat().order();
    QStringList unreadable;
    for (const auto& [ref, record] : *records) {
        const std::string type = Trimmed(record, Invoice::InvType);
        if (Trimmed(record, Invoice::InvPaidFlag) == "P" || type == Invoice::TypeRepeatMaster)
            continue;
        const std::string number = Trimmed(record, Invoice::InvNumber);
        const auto due = Decimal::ParseBlankAsZero(StripCommas(record.get(Invoice::InvDue)));
        if (!due) {
            unreadable << Q(number);
            continue;
        }
        PaymentItem item{number, ListedDate(record, order), due->round(2),
                         type == Invoice::TypePartlyPaid, ref};
        if (item.partial || !item.amount.isZero()) out.items.push_back(std::move(item));
    }
    StableSortByKey(out.items, PaymentItemText);
    if (!unreadable.isEmpty())
        out.problem = QString("The amount due of invoice %1 is not a number; it is not listed.")
                          .arg(unreadable.join(", "));
    return out;
}

PaidAmountCheck CheckPaidAmount(std::string_view typed, Decimal* value) {
    const std::string text = TrimBlanks(typed);
    if (text.empty()) return PaidAmountCheck::Empty;
    if (text.find('-') != std::string::npos) return PaidAmountCheck::Negative;
    bool point = false;
    bool digit = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return PaidAmountCheck::NotNumeric;
    }
    const auto parsed = digit ? Decimal::Parse(text) : std::nullopt;
    if (!parsed) return PaidAmountCheck::NotNumeric;
    if (value) *value = *parsed;
    return PaidAmountCheck::Ok;
}

PostedTotal TotalPosted(const std::vector<PaymentItem>& posted, std::string_view paidAmount) {
    PostedTotal total;
    bool fits = true;
    for (const PaymentItem& item : posted) {
        const auto sum = Decimal::Add(total.sum, item.amount);
        fits = fits && sum.has_value();
        if (sum) total.sum = *sum;
    }
    Decimal paid;
    total.postable = fits && !posted.empty() &&
                     CheckPaidAmount(paidAmount, &paid) == PaidAmountCheck::Ok &&
                     paid.format("0.00") == total.sum.format("0.00");
    return total;
}

std::optional<Refusal> CheckDialogAmount(std::string_view typed, bool depositMode,
                                         Decimal amountDue, Decimal& amount) {
    const auto parsed = Decimal::Parse(StripCommas(typed));
    if (!parsed) return Refusal{"The payment amount must be a numeric value.", "Payment Amount"};
    amount = parsed->round(2);
    if (amount <= Decimal())
        return Refusal{"The payment amount must be greater than zero.", "Payment Amount"};
    if (!depositMode && amount >= amountDue)
        return Refusal{"The partial payment amount must be less than amount due.",
                       "Partial Payment Amount"};
    return std::nullopt;
}

PaymentPlan PlanPayments(const PaymentEntry& entry) {
    PaymentPlan plan;
    try {
        plan.posting = Planner(entry).Plan();
    } catch (const FieldRefused& refused) {
        plan.refusal = {refused.refusal.text, refused.refusal.caption};
        plan.field = refused.field;
    } catch (const PlanRefusal& refused) {
        plan.refusal = {refused.text, refused.caption};
    }
    if (plan.refusal.caption.isEmpty()) plan.refusal.caption = WizardCaption;
    return plan;
}

namespace {

// Every write carries part of the payment: the customer's balance and the company's total
// are lowered by all of it, so a write that fails stops the posting, and none of it is saved.
void PaymentSteps(const PaymentPosting& posting) {
    {
        const StepFile open(InvoiceData());
        for (const PaymentWrite& w : posting.writes) {
            Invoicing().InvoiceBuf = w.record;
            int32_t ref = w.ref;
            const bool written =
                open.ok() && (w.add ? AddInvoiceRecord(ref) : UpdateInvoiceRecord(ref, w.before));
            if (!written) RaiseError(w.failure);
        }
    }
    {
        const StepFile open(CustomerData());
        // The buffer is what the update writes, and holds the customer afterwards.
        Masters().CustomerBuf = posting.customer;
        if (!open.ok() || !UpdateCustomerRecord(posting.customerRef, posting.customerBefore))
            RaiseError(QString("Updating customer %1 failed.")
                           .arg(Q(TrimBlanks(posting.customer.get(Customer::Number)))));
    }
    ShellContext& shell = Shell();
    const CompanyResult company =
        UpdateCurrentCompany(shell.companies, shell.folder, [&posting](CompanyRec& c) {
            const auto total = Lowered(c.get(Company::ReceivablesTotal), posting.paid);
            return total && c.set(Company::ReceivablesTotal, total->format("0.00"));
        });
    if (company != CompanyResult::Ok) RaiseError("Updating the company's receivables total failed.");
}

}  // namespace

void WritePayments(const PaymentPosting& posting) {
    PostAsOneUnit([&] { PaymentSteps(posting); });
}
