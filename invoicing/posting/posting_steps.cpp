#include "invoicing/posting/posting_steps.h"

#include <array>

#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/record_file.h"
#include "shell/text.h"

StepFile::StepFile(const DataFile& file) : file_(file), openedHere_(file.handle() == 0) {
    ok_ = file.Open();
}

StepFile::~StepFile() {
    if (!openedHere_ || !ok_) return;
    // Closing must not hide the outcome of the work done with the file (a failed look-up).
    const bool failed = !EngineOK;
    const EngineFailure failure;
    file_.Close();
    if (failed)
        failure.report();
    else
        ClearEngineStatus();
}

void HeldFiles::Hold(std::initializer_list<const DataFile*> files) {
    for (const DataFile* file : files)
        if (file->handle() == 0) held_.push_back(std::make_unique<StepFile>(*file));
}

std::string TwoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

Date InvoiceDateOrRefuse(std::string_view typed) {
    if (const auto date = Shell().companies.dateFormat().parse(typed)) return *date;
    throw PlanRefusal{QString("The invoice date %1 is not a valid date.").arg(FromCp1252(typed))};
}

void SetInvoiceDate(InvoiceRec& header, std::string_view typed, Date date) {
    header.set(Invoice::InvDate, typed);
    header.set(Invoice::InvMonth, TwoDigits(date.month));
    header.set(Invoice::InvDay, TwoDigits(date.day));
    header.set(Invoice::InvYear, std::to_string(date.year));
    header.set(Invoice::InvDateYMD, SortableDate(date));
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

void FillHeaderFromEntry(InvoiceRec& h, const InvoiceEntry& e, Date date) {
    SetOrRefuse(h, Invoice::InvNumber, UpperAscii(TrimBlanks(e.number)), "The invoice number");
    SetInvoiceDate(h, e.date, date);
    h.set(Invoice::InvNotes, e.notes);
    h.set(Invoice::InvTerms, e.terms);
    h.set(Invoice::InvStatementNote, e.statementNote);
    SetOrRefuse(h, Invoice::InvCustomerNumber, TrimBlanks(e.customerNumber), "The customer number");
    h.set(Invoice::InvCustomerShortName, e.customerShortName);
    h.set(Invoice::InvKeyCode, e.keyCode);
    const std::array<std::pair<fields::Number<InvoiceRec>, std::pair<const std::string*, QString>>,
                     4>
        amounts{{{Invoice::InvNet, {&e.net, "The net amount"}},
                 {Invoice::InvTax, {&e.tax, "The tax"}},
                 {Invoice::InvTotal, {&e.total, "The invoice total"}},
                 {Invoice::InvPaid, {&e.paid, "The amount paid"}}}};
    for (const auto& [field, amount] : amounts) {
        AmountOrRefuse(*amount.first, amount.second);
        SetOrRefuse(h, field, StripCommas(*amount.first), amount.second);
    }
    const std::array<fields::Text<InvoiceRec>, 4> shipTo{Invoice::InvShipTo1, Invoice::InvShipTo2,
                                                         Invoice::InvShipTo3, Invoice::InvShipTo4};
    for (std::size_t k = 0; k < shipTo.size(); ++k) h.set(shipTo[k], e.shipTo[k]);
}

void FillLineFromRow(InvoiceLineRec& line, const InvoiceEntry& e, int rowNr, const InvoiceRow& row,
                     std::string_view sortDate) {
    const QString where = QString("Line %1").arg(rowNr);
    SetOrRefuse(line, InvoiceLine::LineCompanyNumber,
                TrimBlanks(Shell().companies.CurrentCompany.get(Company::CompanyNumber)),
                "The company number");
    SetOrRefuse(line, InvoiceLine::LineInvNumber, e.number, "The invoice number");
    line.set(InvoiceLine::LineSortDate, sortDate);
    SetOrRefuse(line, InvoiceLine::LineCustomerNumber, TrimBlanks(e.customerNumber),
                "The customer number");
    line.set(InvoiceLine::LineCustomerShortName, e.customerShortName);
    SetOrRefuse(line, InvoiceLine::LineUnitCost, StripCommas(row.unitCost),
                where + ": the unit cost");
    line.set(InvoiceLine::LineProductCode, TrimBlanks(row.code.substr(0, 10)));
    const auto text = InvoiceLineText(row);
    if (!text)
        throw PlanRefusal{where + " has a value wider than its column; it cannot be stored whole."};
    line.set(InvoiceLine::LineText, *text);
}

int32_t InvoiceMemoRefOf(std::string_view number) {
    InvoiceMemoRec probe;
    if (!probe.set(InvoiceMemo::MemoInvNumber, TrimBlanks(number))) return 0;
    InvoiceMemoRec onFile;
    return InvoiceMemoData().Find(InvoiceMemoNumberKey,
                                  BuildInvoiceMemoKey(probe, InvoiceMemoNumberKey), onFile.bytes());
}

InvoiceMemoRec MemoFromEntry(const InvoiceEntry& e, int32_t own) {
    InvoiceMemoRec memo;
    SetOrRefuse(memo, InvoiceMemo::MemoInvNumber, e.number, "The invoice number");
    SetInvoiceMemoLines(memo, e.memoLines);
    const int32_t holder = InvoiceMemoRefOf(e.number);
    if (holder != 0 && holder != own)
        throw PlanRefusal{QString("A memo for invoice number %1 is already on file. Please use "
                                  "another invoice number.")
                              .arg(FromCp1252(e.number)),
                          "Duplicate Memo"};
    return memo;
}

EntryRow MemoRow(const DocumentEntry& e) {
    EntryRow row;
    const std::string code = TrimBlanks(e.stockCode);
    row.code = code.empty() ? std::string(NoProductCode) : code;
    row.quantity = TrimBlanks(e.memoQuantity);
    row.description = e.memoDescription;
    row.unitPrice = TrimBlanks(e.net);
    row.taxFlag = "M";
    row.extension = TrimBlanks(e.net);
    if (!e.rows.empty()) row.unitCost = e.rows[0].unitCost;
    return row;
}

std::vector<std::pair<int, EntryRow>> PostedRows(const DocumentEntry& entry) {
    std::vector<std::pair<int, EntryRow>> rows;
    if (entry.memo) {
        rows.emplace_back(1, MemoRow(entry));
        return rows;
    }
    for (std::size_t i = 0; i < entry.rows.size(); ++i) {
        const EntryRow& row = entry.rows[i];
        if (!TrimBlanks(row.code).empty() || !TrimBlanks(row.description).empty())
            rows.emplace_back(static_cast<int>(i) + 1, row);
    }
    return rows;
}

std::vector<std::pair<std::string, std::string>> StockSales(const DocumentEntry& e) {
    std::vector<std::pair<std::string, std::string>> sales;
    if (e.memo) {
        if (!TrimBlanks(e.stockCode).empty()) sales.emplace_back(e.stockCode, e.memoQuantity);
        return sales;
    }
    for (const EntryRow& row : e.rows)
        if (!TrimBlanks(row.code).empty()) sales.emplace_back(row.code, row.quantity);
    return sales;
}

// --- stock ---

struct StockPlan::Open {
    StepFile file{ProductData()};
};

StockPlan::StockPlan(bool nonDepletingCounts) : nonDepletingCounts_(nonDepletingCounts) {}
StockPlan::~StockPlan() = default;

const StockChange* StockPlan::Move(std::string_view rawCode, std::string_view quantity,
                                   bool giveBack) {
    const std::string code = TrimBlanks(TrimBlanks(rawCode).substr(0, 10));
    if (code.empty()) return nullptr;
    if (!open_) {
        open_ = std::make_unique<Open>();
        if (!open_->file.ok())
            throw PlanRefusal{
                QString("The product file cannot be opened (error %1).").arg(EngineErrorCode)};
    }
    ProductRec probe;
    static_cast<void>(probe.set(Product::Code, code));
    ProductRec found;
    const int32_t ref =
        ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey), found.bytes());
    // A product file that cannot be searched is no product not kept in stock.
    if (ref == 0 && LookupFailed()) throw PlanRefusal{LookupFailureText("product")};
    if (ref == 0 || found.get(Product::NonStock) ||
        (found.get(Product::NonDepleting) && !nonDepletingCounts_))
        return nullptr;
    auto at = index_.find(ref);
    if (at == index_.end()) {
        at = index_.emplace(ref, changes_.size()).first;
        changes_.push_back({ref, found});
    }
    ProductRec& rec = changes_[at->second].record;
    const QString what = QString("The stock on hand of product %1").arg(FromCp1252(code));
    const std::optional<Decimal> onHand = AmountOf(rec.get(Product::StockOnHand));
    // Stock that is not a number stops every posting of the product until it is put right.
    if (!onHand)
        throw PlanRefusal{QString("The stock on hand of product %1 (\"%2\") is not a number. "
                                  "Please correct it in the Product Manager.")
                              .arg(FromCp1252(code),
                                   FromCp1252(TrimBlanks(rec.get(Product::StockOnHand))))};
    const Decimal moved =
        AmountOrRefuse(quantity, QString("The quantity of product %1").arg(FromCp1252(code)));
    const Decimal after =
        SumOrRefuse(giveBack ? Decimal::Add(*onHand, moved) : Decimal::Sub(*onHand, moved), what);
    SetOrRefuse(rec, Product::StockOnHand, after.general(), what);
    return &changes_[at->second];
}

// --- customer and company ---

std::optional<CustomerChange> FindCustomerByNumber(std::string_view number) {
    const DataFile& file = CustomerData();
    const StepFile open(file);
    if (!open.ok()) return std::nullopt;
    CustomerRec probe;
    if (!probe.set(Customer::Number, TrimBlanks(number))) return std::nullopt;
    CustomerChange found;
    found.ref = file.Find(CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey),
                          found.record.bytes());
    if (found.ref == 0) return std::nullopt;
    return found;
}

namespace {

void AddToCustomerAmount(CustomerRec& c, fields::Number<CustomerRec> field, Decimal amount,
                         const QString& what) {
    const Decimal before = AmountOrRefuse(c.get(field), what);
    SetOrRefuse(c, field, SumOrRefuse(Decimal::Add(before, amount), what).format("0.00"), what);
}

}  // namespace

int32_t CustomerOrRefuse(std::string_view number, CustomerRec& record) {
    const std::optional<CustomerChange> found = FindCustomerByNumber(number);
    if (!found && LookupFailed())
        throw PlanRefusal{LookupFailureText("customer"), "Customer Required"};
    if (!found)
        throw PlanRefusal{QString("Customer %1 is not on file. Please pick the customer again.")
                              .arg(FromCp1252(TrimBlanks(number))),
                          "Customer Required"};
    record = found->record;
    return found->ref;
}

void AddToCustomerBalance(CustomerRec& c, Decimal amount) {
    AddToCustomerAmount(
        c, Customer::Balance, amount,
        QString("The balance of customer %1").arg(FromCp1252(c.get(Customer::Number))));
}

void AddToCustomerAging(CustomerRec& c, AgingBucket bucket, Decimal amount) {
    AddToCustomerAmount(
        c, Customer::Amounts[static_cast<std::size_t>(bucket)], amount,
        QString("The aging amount of customer %1").arg(FromCp1252(c.get(Customer::Number))));
}

AgingBucket AgingBucketOn(Date date, const AgingPeriods& periods) {
    return AgingBucketOf(DaysBetween(date, Shell().clock.today()), periods);
}

void AgingSums::Add(Date date, const InvoiceRec& record) {
    // The daily re-aging adds every open record of the company: the texts of a refusal are
    // made only when there is one.
    const std::string amountDue = record.get(Invoice::InvDue);
    const auto read = AmountOf(amountDue);
    const Decimal due =
        read ? *read
             : AmountOrRefuse(amountDue,
                              QString("The amount due of invoice %1")
                                  .arg(FromCp1252(TrimBlanks(record.get(Invoice::InvNumber)))));
    if (due.isZero()) return;
    Decimal& sum =
        sums_[static_cast<std::size_t>(AgingBucketOf(DaysBetween(date, today_), periods_))];
    const auto added = Decimal::Add(sum, due);
    sum = added ? *added : SumOrRefuse(added, "The customer's aging amount");
}

void AgingSums::WriteTo(CustomerRec& c) const {
    for (std::size_t k = 0; k < sums_.size(); ++k) {
        const std::string text = sums_[k].isZero() ? std::string("0.00") : sums_[k].format("0.00");
        if (!c.set(Customer::Amounts[k], text))
            RefuseNotFitting(text,
                             QString("The aging amount of customer %1")
                                 .arg(FromCp1252(TrimBlanks(c.get(Customer::Number)))),
                             Customer::Amounts[k].width);
    }
}

std::string ReceivablesAfter(const CompanyRec& stored, Decimal amount) {
    const QString what = "The company's receivables total";
    const Decimal total = AmountOrRefuse(stored.get(Company::ReceivablesTotal), what);
    const std::string after = SumOrRefuse(Decimal::Add(total, amount), what).format("0.00");
    CompanyRec trial = stored;
    SetOrRefuse(trial, Company::ReceivablesTotal, after, what);
    return after;
}

// --- writing ---

void WriteStock(std::span<const StockChange> changes) {
    if (changes.empty()) return;
    const StepFile open(ProductData());
    if (!open.ok()) RaiseError("Modify operation failed");
    for (const StockChange& change : changes)
        if (!ProductData().PutRec(change.record.bytes(), change.ref))
            RaiseError("Modify operation failed");
}

void WriteCustomer(const CustomerChange& change) {
    {
        const StepFile open(CustomerData());
        if (!open.ok() || !CustomerData().PutRec(change.record.bytes(), change.ref))
            RaiseError("Modify operation failed");
    }
    Masters().CustomerBuf = change.record;
}

void WriteCompany(const std::function<bool(CompanyRec&)>& change) {
    ShellContext& shell = Shell();
    if (UpdateCurrentCompany(shell.companies, shell.folder, change) != CompanyResult::Ok)
        RaiseError("Modify operation failed");
}
