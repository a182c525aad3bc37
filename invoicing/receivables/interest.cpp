#include "invoicing/receivables/interest.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/posting/plan_refusal.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

QString Q(std::string_view text) {
    return FromCp1252(TrimBlanks(text));
}

Decimal Hundred() {
    return Decimal::FromScaled(100 * Decimal::Scale);
}

Decimal Plus(Decimal a, Decimal b, const QString& what) {
    return SumOrRefuse(Decimal::Add(a, b), what);
}

// The company's next invoice number as a whole number.
uint64_t RunningNumberOf(const CompanyRec& company) {
    const std::string text = TrimBlanks(company.get(Company::NextInvoiceNumber));
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw PlanRefusal{QString("The company's next invoice number (\"%1\") is not a whole "
                                  "number. Please correct it in the company settings first.")
                              .arg(Q(text))};
    return value;
}

class InterestPlanner {
public:
    InterestPlanner(const InterestInvoiceData& data, const std::vector<InterestCustomer>& customers)
        : data_(data), customers_(customers) {}

    InterestPlan Plan() {
        const ShellContext& shell = Shell();
        const auto date = shell.companies.dateFormat().parse(TrimBlanks(data_.date));
        if (!date)
            throw PlanRefusal{
                QString("The invoice date %1 is not a valid date.").arg(Q(data_.date))};
        date_ = *date;
        ymd_ = SortableDate(date_);
        const CompanyRec stored = StoredCompanyOrRefuse(shell);
        const AgingPeriods periods = AgingPeriodsOrRefuse(stored);
        bucket_ = static_cast<std::size_t>(
            AgingBucketOf(DaysBetween(date_, shell.clock.today()), periods));
        companyNumber_ = TrimBlanks(stored.get(Company::CompanyNumber));

        if (customers_.empty()) throw PlanRefusal{"There are no customers to invoice."};
        plan_.data = data_;
        uint64_t running = RunningNumberOf(stored);
        Decimal total;
        for (const InterestCustomer& customer : customers_) {
            plan_.invoices.push_back(Invoice(customer, running));
            total = Plus(total, customer.charge, "The total of the charges");
            ++running;
        }
        // The company's numbers and total must take what the run leaves behind.
        CompanyRec trial = stored;
        const QString receivables = "The company's receivables total";
        SetOrRefuse(trial, Company::ReceivablesTotal,
                    Plus(AmountOrRefuse(stored.get(Company::ReceivablesTotal), receivables), total,
                         receivables)
                        .format("0.00"),
                    receivables);
        plan_.nextInvoiceNumber = std::to_string(running);
        plan_.lastInvoiceNumber = std::to_string(running - 1);
        SetOrRefuse(trial, Company::NextInvoiceNumber, plan_.nextInvoiceNumber,
                    "The next invoice number");
        SetOrRefuse(trial, Company::InterestMonthlyRate, TrimBlanks(data_.rateText),
                    "The monthly rate");
        SetOrRefuse(trial, Company::InterestMinimumCharge, TrimBlanks(data_.minimumText),
                    "The minimum charge");
        return std::move(plan_);
    }

private:
    InterestInvoice Invoice(const InterestCustomer& customer, uint64_t running) {
        InterestInvoice inv;
        inv.number = InterestInvoiceNumber(running);
        inv.charge = customer.charge;
        const QString number = Q(customer.number);

        // One number, one invoice: lines and memos are joined to the header by it.
        InvoiceRec probe;
        SetOrRefuse(probe, Invoice::InvNumber, inv.number, "The invoice number");
        InvoiceRec onFile;
        if (InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                               onFile.bytes()) != 0)
            throw PlanRefusal{QString("Invoice number %1 is already on file. Please correct the "
                                      "company's next invoice number first.")
                                  .arg(FromCp1252(inv.number))};

        CustomerRec& c = inv.customer;
        try {
            inv.customerRef = CustomerOrRefuse(customer.number, c);
        } catch (const PlanRefusal&) {
            // Picking does not apply here: the list comes from the scan.
            throw PlanRefusal{
                QString("Customer %1 is no longer on file. Please scan the file again.")
                    .arg(number)};
        }

        const std::string net = customer.charge.format("0.00");
        InvoiceRec& h = inv.header;
        SetOrRefuse(h, Invoice::InvNumber, inv.number, "The invoice number");
        h.set(Invoice::InvType, Invoice::TypeRegular);
        h.set(Invoice::InvKeyCode, "Interest");
        SetOrRefuse(h, Invoice::InvCustomerNumber, TrimBlanks(customer.number),
                    "The customer number");
        SetOrRefuse(h, Invoice::InvCompanyNumber, companyNumber_, "The company number");
        SetInvoiceDate(h, data_.date, date_);
        h.set(Invoice::InvPrinted, data_.markPrinted ? "Y" : "");
        h.set(Invoice::InvNotes, data_.comments);
        h.set(Invoice::InvTerms, data_.terms);
        h.set(Invoice::InvStatementNote, data_.statementNote);
        h.set(Invoice::InvKind, Invoice::KindLineItems);
        h.set(Invoice::InvCustomerShortName, c.get(Customer::ShortName));
        const QString charge = QString("The charge of customer %1").arg(number);
        SetOrRefuse(h, Invoice::InvNet, net, charge);
        SetOrRefuse(h, Invoice::InvTax, "0.00", charge);
        SetOrRefuse(h, Invoice::InvTotal, net, charge);
        SetOrRefuse(h, Invoice::InvDue, net, charge);
        SetOrRefuse(h, Invoice::InvPaid, "0.00", charge);

        InvoiceLineRec& line = inv.line;
        InvoiceRow row;
        row.quantity = "1";
        row.description = "Interest Charges";
        row.unitPrice = net;
        row.taxFlag = "N";
        row.extension = net;
        const auto text = InvoiceLineText(row);
        if (!text) throw PlanRefusal{charge + " is too wide for the invoice line."};
        line.set(InvoiceLine::LineText, *text);
        line.set(InvoiceLine::LineKind, "P");
        SetOrRefuse(line, InvoiceLine::LineCompanyNumber, companyNumber_, "The company number");
        SetOrRefuse(line, InvoiceLine::LineInvNumber, inv.number, "The invoice number");
        line.set(InvoiceLine::LineSortDate, ymd_);
        line.set(InvoiceLine::LineProductCode, "Interest");
        SetOrRefuse(line, InvoiceLine::LineCustomerNumber, TrimBlanks(customer.number),
                    "The customer number");
        line.set(InvoiceLine::LineCustomerShortName, c.get(Customer::ShortName));

        const QString balance = QString("The balance of customer %1").arg(number);
        SetOrRefuse(
            c, Customer::Balance,
            Plus(AmountOrRefuse(c.get(Customer::Balance), balance), customer.charge, balance)
                .format("0.00"),
            balance);
        SetOrRefuse(c, Customer::LastInvoiceNumber, inv.number, "The invoice number");
        const auto bucket = Customer::Amounts[bucket_];
        const QString aging = QString("The aging amount of customer %1").arg(number);
        SetOrRefuse(
            c, bucket,
            Plus(AmountOrRefuse(c.get(bucket), aging), customer.charge, aging).format("0.00"),
            aging);
        return inv;
    }

    const InterestInvoiceData& data_;
    const std::vector<InterestCustomer>& customers_;
    InterestPlan plan_;
    Date date_;
    std::string ymd_;
    std::size_t bucket_ = 0;
    std::string companyNumber_;
};

}  // namespace

std::string OverdueClassCode(OverdueClass overdue) {
    static constexpr std::array<const char*, 3> codes{"3", "6", "9"};
    return codes[static_cast<std::size_t>(overdue)];
}

OverdueClass OverdueClassOf(std::string_view code) {
    const std::string c = TrimBlanks(code);
    if (c == "6") return OverdueClass::Over2;
    if (c == "9") return OverdueClass::Over3;
    return OverdueClass::Over1;
}

std::optional<Decimal> OverdueAmount(const CustomerRec& customer, OverdueClass overdue) {
    const std::size_t first = 1 + static_cast<std::size_t>(overdue);
    Decimal sum;
    for (std::size_t k = first; k < Customer::Amounts.size(); ++k) {
        const auto bucket =
            Decimal::ParseBlankAsZero(StripCommas(customer.get(Customer::Amounts[k])));
        if (!bucket) return std::nullopt;
        const auto next = Decimal::Add(sum, *bucket);
        if (!next) return std::nullopt;
        sum = *next;
    }
    return sum;
}

std::optional<Decimal> InterestChargeOn(Decimal overdue, const InterestTerms& terms) {
    if (terms.flat) return terms.flatFee;
    const auto rated = Decimal::Mul(overdue, terms.rate);
    if (!rated) return std::nullopt;
    return Decimal::Div(*rated, Hundred());
}

InterestScan ScanInterestCustomers(const InterestTerms& terms) {
    InterestScan scan;
    const DataFile& file = CustomerData();
    const StepFile open(file);
    if (!open.ok()) {
        scan.refusal =
            QString("The customer file cannot be opened (error %1).").arg(EngineErrorCode);
        return scan;
    }
    const bool walked = ForEachByKey(
        file.handle(), file.desc().file, CustomerNameKey,
        [&](int32_t, std::span<const uint8_t> bytes) {
            CustomerRec c;
            std::copy(bytes.begin(), bytes.end(), c.bytes().begin());
            const QString who = Q(c.get(Customer::Number));
            const auto overdue = OverdueAmount(c, terms.overdue);
            if (!overdue) {
                scan.refusal = QString(
                                   "The aging amounts of customer %1 are not numbers, so "
                                   "the scan stopped there.")
                                   .arg(who);
                return false;
            }
            if (*overdue <= Decimal()) return true;
            const auto exact = InterestChargeOn(*overdue, terms);
            // The charge itself must reach the minimum; the invoice bills it to the cent.
            if (exact && *exact < terms.minimum) return true;
            const auto charge = exact ? std::optional(exact->round(2)) : exact;
            const auto overdueTotal = Decimal::Add(scan.totalOverdue, *overdue);
            const auto chargeTotal = charge ? Decimal::Add(scan.totalCharge, *charge) : charge;
            if (!charge || !overdueTotal || !chargeTotal) {
                scan.refusal = QString("The amounts of customer %1 are too large.").arg(who);
                return false;
            }
            // A charge that rounds to nothing is not worth an invoice.
            if (charge->isZero()) return true;
            scan.customers.push_back(
                {c.get(Customer::Name), TrimBlanks(c.get(Customer::Number)), *overdue, *charge});
            scan.totalOverdue = *overdueTotal;
            scan.totalCharge = *chargeTotal;
            return true;
        });
    if (!walked && scan.refusal.isEmpty())
        scan.refusal = QString("The customer file cannot be read (error %1).").arg(EngineErrorCode);
    return scan;
}

std::string InterestInvoiceNumber(uint64_t running) {
    return std::to_string(running) + "I";
}

InterestPlanResult PlanInterestInvoices(const InterestInvoiceData& data,
                                        const std::vector<InterestCustomer>& customers) {
    InterestPlanResult result;
    RunPlanning([&] { result.plan = InterestPlanner(data, customers).Plan(); }, result.refusal,
                result.caption, InterestCaption);
    return result;
}

namespace {

InterestRunResult InterestRunSteps(const InterestPlan& plan, const InterestProgress& afterEach) {
    InvoicingState& inv = Invoicing();
    InterestRunResult run;
    for (const InterestInvoice& invoice : plan.invoices) {
        const std::size_t index = run.numbers.size();
        inv.InvoiceBuf = invoice.header;
        int32_t ref = 0;
        // The company's numbering counts every invoice of the run.
        if (!AddInvoiceRecord(ref)) RaiseError("Add Late Fee Failed.");
        run.numbers.push_back(invoice.number);
        ++run.created;
        run.total += invoice.charge;

        inv.InvoiceLineBuf = invoice.line;
        int32_t lineRef = 0;
        // The header is on file with its charge: its line and the customer's balance must be.
        if (!AddInvoiceLineRecord(lineRef)) RaiseError("TDtl add failed.");
        if (!CustomerData().PutRec(invoice.customer.bytes(), invoice.customerRef))
            RaiseError(QString("The balance of customer %1 could not be updated.")
                           .arg(Q(invoice.customer.get(Customer::Number))));
        if (afterEach) afterEach(index, invoice.number);
    }

    ShellContext& shell = Shell();
    const InterestInvoiceData& d = plan.data;
    const CompanyResult company =
        UpdateCurrentCompany(shell.companies, shell.folder, [&](CompanyRec& c) {
            const auto old =
                Decimal::ParseBlankAsZero(StripCommas(c.get(Company::ReceivablesTotal)));
            const auto total = old ? Decimal::Add(*old, run.total) : std::nullopt;
            bool fits = total && c.set(Company::ReceivablesTotal, total->format("0.00"));
            fits = c.set(Company::LastInvoiceNumber, plan.lastInvoiceNumber) && fits;
            fits = c.set(Company::NextInvoiceNumber, plan.nextInvoiceNumber) && fits;
            c.set(Company::InterestOverdueClass, OverdueClassCode(d.overdue));
            fits = c.set(Company::InterestMonthlyRate, TrimBlanks(d.rateText)) && fits;
            fits = c.set(Company::InterestMinimumCharge, TrimBlanks(d.minimumText)) && fits;
            c.set(Company::InterestMarkPrinted, d.markPrinted);
            c.set(Company::InterestTerms, d.terms);
            c.set(Company::LastInterestRun, d.date);
            return fits;
        });
    if (company != CompanyResult::Ok) RaiseError("Modify operation failed");
    return run;
}

}  // namespace

// The run is one unit: the company's totals and numbering are written once, after every
// invoice, so only the whole run keeps them in step with the invoices on file.
InterestRunResult WriteInterestInvoices(const InterestPlan& plan,
                                        const InterestProgress& afterEach) {
    InterestRunResult run;
    PostAsOneUnit([&] { run = InterestRunSteps(plan, afterEach); });
    return run;
}

InterestFiles::InterestFiles() {
    const auto open = [this](std::optional<StepFile>& step, const DataFile& file,
                             const char* what) {
        if (!ok()) return;
        step.emplace(file);
        if (!step->ok())
            refusal_ =
                QString("The %1 file cannot be opened (error %2).").arg(what).arg(EngineErrorCode);
    };
    open(lines_, InvoiceLineData(), "invoice line");
    open(customers_, CustomerData(), "customer");
    open(invoices_, InvoiceData(), "invoice");
}
