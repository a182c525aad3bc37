#include "reports/wizard/report_builders.h"

#include <functional>
#include <set>
#include <utility>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "masters/master_files.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

using Row = std::vector<std::string>;

// --- cells ---------------------------------------------------------------------------------

std::string Cell(std::string_view value, int width) {
    return PadRightWith(value, ' ', width);
}

// A code, location or vendor that is blank shows `none`: the viewer groups and sorts on
// these columns and expects no blank in them.
std::string CellOr(std::string_view value, std::string_view none, int width) {
    return Cell(TrimBlanks(value).empty() ? none : value, width);
}

bool IsBlank(std::string_view value) {
    return TrimBlanks(value).empty();
}

// A formatted amount right-justified in 12. It holds no blank and is a number, so
// RightJustify would only pad it (or keep a wider one whole): padded in place instead.
std::string Justified(std::string amount) {
    if (amount.size() < 12) amount.insert(0, 12 - amount.size(), ' ');
    return amount;
}

std::string Amount(Decimal value) {
    return Justified(value.format(",0.00"));
}

std::string Amount3(Decimal value) {
    return Justified(value.format(",0.000"));
}

// A record's row of cells, each moved into the report's storage.
template <class... Cells>
void AddRow(BuiltReport& out, Cells&&... cells) {
    const std::array<std::string, sizeof...(Cells)> row{std::forward<Cells>(cells)...};
    out.grid.rows.Append(row);
}

// Characters first..last (from 1) of a line text.
std::string_view LinePart(std::string_view text, std::size_t first, std::size_t last) {
    if (first > text.size()) return {};
    return text.substr(first - 1, last - first + 1);
}

// Reads the numbers of one record; a text that is not a number stops the report with a
// message naming the record, since a figure read wrongly would make every total wrong.
class Numbers {
public:
    // `record` names the record, and is asked only when a message needs it: reports read
    // millions of records.
    explicit Numbers(std::function<std::string()> record) : record_(std::move(record)) {}

    Decimal operator()(std::string_view text, std::string_view what) const {
        // Without a comma the text needs no copy: parsing skips the blanks itself.
        const auto value = text.find(',') == std::string_view::npos
                               ? Decimal::ParseBlankAsZero(text)
                               : Decimal::ParseBlankAsZero(StripCommas(text));
        if (value) return *value;
        throw ReportDataError("The " + std::string(what) + " of " + record_() + " is \"" +
                              TrimBlanks(text) +
                              "\", which is not a number. The report cannot be built until "
                              "the record is corrected.");
    }

    Decimal Product(Decimal a, Decimal b, std::string_view what) const {
        if (const auto value = Decimal::Mul(a, b)) return *value;
        throw Overflow(what);
    }
    Decimal Difference(Decimal a, Decimal b, std::string_view what) const {
        if (const auto value = Decimal::Sub(a, b)) return *value;
        throw Overflow(what);
    }

private:
    ReportDataError Overflow(std::string_view what) const {
        return ReportDataError("The " + std::string(what) + " of " + record_() +
                               " is too large to show.");
    }
    std::function<std::string()> record_;
};

// --- walking a file ------------------------------------------------------------------------

// The end of a walk that is no error: nothing at or after the start, or no further entry.
bool NormalEnd(int32_t code) {
    return code == EngineCode::KeyNotFound || code == EngineCode::NoNextKey ||
           code == EngineCode::NoNextRecord;
}

// One file set of the current company, open for one report run. A company without the file
// set yet has no records; any other failure is noted in the report and ends the reading.
template <class Rec>
class ReportFile {
public:
    ReportFile(const DataFile& file, BuiltReport& report) : report_(report) {
        OpenFileSet(handle_, file.OpenName(), false, false, false, true);
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoSuchFileSet) report_.engineError = EngineErrorCode;
            handle_ = 0;
        }
    }
    ~ReportFile() {
        if (handle_) CloseFileSet(handle_);
    }
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Index keyNr from the first entry at or after `start`, while `more` takes the key.
    void Walk(int keyNr, std::string start, const std::function<bool(const std::string&)>& more,
              const std::function<void(int32_t, const Rec&)>& visit) {
        if (!handle_ || report_.engineError) return;
        int32_t ref = 0;
        std::string key = std::move(start);
        SearchKey(handle_, keyNr, ref, key);
        while (EngineOK && more(key)) {
            if (!Read(ref, visit)) return;
            NextKey(handle_, keyNr, ref, key);
        }
        Stop();
    }

    // Every live record in record order.
    void EachRecord(const std::function<void(int32_t, const Rec&)>& visit) {
        if (!handle_ || report_.engineError) return;
        int32_t ref = 0;
        NextUsedRecord(handle_, ref);
        while (EngineOK) {
            if (!Read(ref, visit)) return;
            NextUsedRecord(handle_, ref);
        }
        Stop();
    }

private:
    bool Read(int32_t ref, const std::function<void(int32_t, const Rec&)>& visit) {
        ReadRecord(handle_, ref, record_.bytes());
        if (!EngineOK) {
            Stop();
            return false;
        }
        visit(ref, record_);
        return true;
    }
    void Stop() {
        if (!EngineOK && !NormalEnd(EngineErrorCode)) report_.engineError = EngineErrorCode;
    }

    BuiltReport& report_;
    FileSetHandle handle_ = 0;
    Rec record_;  // each record read in turn
};

// The start key of a date walk: a zero-filled record holding the date, through the file's
// key builder.
template <class Rec, class Field>
std::string StartKey(Field field, std::string_view value, int keyNr,
                     std::string (*build)(const Rec&, int)) {
    Rec record;
    record.set(field, value);
    return build(record, keyNr);
}

// The walk goes on while the key is not after `to`.
std::function<bool(const std::string&)> UpTo(const std::string& to) {
    return [to](const std::string& key) { return key <= to; };
}

bool InPeriod(std::string_view ymd, const ReportPeriod& period) {
    const std::string_view date = TrimmedView(ymd);
    return date >= period.from && date <= period.to;
}

// --- purchase orders ----------------------------------------------------------------------

Row POCells(const PORec& po, const Numbers& n, bool keyCodeFirst, bool dateRequiredFirst) {
    using namespace PurchaseOrder;
    const std::string date = Cell(po.get(PODateYMD), 10);
    const Row amounts{Amount(n(po.get(PONet), "net amount")), Amount(n(po.get(POTax), "tax")),
                      Amount(n(po.get(POTotal), "total"))};
    Row row;
    if (keyCodeFirst)
        row = {CellOr(po.get(POKeyCode), "*none*", 8), Cell(po.get(PONumber), 9),
               Cell(po.get(POVendorShortName), 10), date};
    else
        row = {dateRequiredFirst ? Cell(po.get(PODateRequired), 10) : date,
               Cell(po.get(PONumber), 9), Cell(po.get(POVendorShortName), 10),
               Cell(po.get(POVendorNumber), 8)};
    row.insert(row.end(), amounts.begin(), amounts.end());
    row.push_back(Cell(po.get(POStatus), 1));
    return row;
}

enum class POReport { Register, Commitment, KeyCode };

void BuildPOReport(POReport which, const ReportPeriod& period, BuiltReport& out) {
    using namespace PurchaseOrder;
    const int keyNr = which == POReport::Commitment ? PODateRequiredKey : PODateKey;
    const auto dateField = which == POReport::Commitment ? PODateRequired : PODateYMD;
    ReportFile<PORec> file(POData(), out);
    file.Walk(
        keyNr, StartKey<PORec>(dateField, period.from, keyNr, BuildPOKey), UpTo(period.to),
        [&](int32_t, const PORec& po) {
            if (IsBlank(po.view(PONumber))) return;
            Numbers n([&] { return "purchase order " + TrimBlanks(po.get(PONumber)); });
            const bool zero = n(po.get(POTotal), "total").isZero();
            const std::string status = TrimBlanks(po.get(POStatus));
            if (which == POReport::KeyCode) {
                if (status == "R" || zero) return;
            } else if (zero && status != StatusOpen) {
                return;
            }
            if (which == POReport::Commitment && TrimBlanks(po.get(POReceivedDate)).size() >= 10)
                return;
            out.grid.rows.push_back(
                {POCells(po, n, which == POReport::KeyCode, which == POReport::Commitment),
                 ReportRowKind::Record});
        });
}

void ReceivingRows(const ReportPeriod& period, BuiltReport& out) {
    using namespace POLine;
    ReportFile<POLineRec> file(POLineData(), out);
    file.Walk(
        POLineReceiptDateKey,
        StartKey<POLineRec>(LineReceiptDate, period.from, POLineReceiptDateKey, BuildPOLineKey),
        UpTo(period.to), [&](int32_t, const POLineRec& line) {
            if (!InPeriod(line.view(LineReceiptDate), period)) return;
            const std::string_view text = line.view(LineText);
            Numbers n(
                [&] { return "a line of purchase order " + TrimBlanks(line.get(LinePONumber)); });
            AddRow(out, Cell(LinePart(text, 11, 42), 32),
                   CellOr(line.view(LineProductCode), "*None*", 10),
                   Cell(line.view(LineReceiptDate), 10), Cell(line.view(LinePONumber), 9),
                   Cell(line.view(LineVendorShortName), 10), Cell(line.view(LineVendorNumber), 8),
                   CellOr(line.view(LineReceiverNumber), "*None*", 12),
                   Amount3(n(LinePart(text, 1, 10), "ordered quantity")),
                   Amount(n(line.view(LineReceivedQty), "received quantity")));
        });
}

// --- products ------------------------------------------------------------------------------

void BuildInventory(const ReportPeriod&, BuiltReport& out) {
    using namespace Product;
    ReportFile<ProductRec> file(ProductData(), out);
    file.EachRecord([&](int32_t, const ProductRec& p) {
        if (IsBlank(p.view(Code))) return;
        Numbers n([&] { return "product " + TrimBlanks(p.get(Code)); });
        const Decimal onHand = n(p.get(StockOnHand), "stock on hand");
        const Decimal cost = n(p.get(Cost), "cost");
        out.grid.rows.push_back(
            {{CellOr(p.get(Location), "*None*", 20), Cell(p.get(Description), 32),
              Cell(p.get(Code), 10), Cell(p.get(KeyCode), 10), Cell(p.get(PriceType), 1),
              Amount(onHand), Amount(cost), Amount(n(p.get(SalesPrice), "sales price")),
              Amount(n.Product(cost, onHand, "cost value"))},
             ReportRowKind::Record});
    });
}

void BuildStockLevels(bool overstock, const ReportPeriod&, BuiltReport& out) {
    using namespace Product;
    ReportFile<ProductRec> file(ProductData(), out);
    const auto always = [](const std::string&) { return true; };
    file.Walk(ProductCodeKey, std::string(), always, [&](int32_t, const ProductRec& p) {
        if (IsBlank(p.view(Code)) || p.get(NonStock) || p.get(NonDepleting)) return;
        Numbers n([&] { return "product " + TrimBlanks(p.get(Code)); });
        const Decimal onHand = n(p.get(StockOnHand), "stock on hand");
        const Decimal minimum = n(p.get(MinimumStock), "minimum quantity");
        const Decimal maximum = n(p.get(MaximumStock), "maximum quantity");
        const Decimal target = n(p.get(TargetStock), "target quantity");
        Decimal amount;
        if (overstock && onHand > maximum)
            amount = n.Difference(onHand, maximum, "over stock");
        else if (!overstock && onHand < minimum)
            amount = n.Difference(target, onHand, "reorder amount");
        if (amount <= Decimal()) return;
        out.grid.rows.push_back(
            {{CellOr(p.get(PreferredVendor), "*None*", 20), Cell(p.get(Description), 32),
              Cell(p.get(Code), 10), Cell(p.get(KeyCode), 10), Amount(minimum), Amount(maximum),
              Amount(target), Amount(onHand), Amount(amount)},
             ReportRowKind::Record});
    });
}

// --- invoices ------------------------------------------------------------------------------

std::string InvoiceName(const InvoiceRec& inv) {
    return "invoice " + TrimBlanks(inv.get(Invoice::InvNumber));
}

enum class InvoiceReport { Register, KeyCode };

void BuildInvoiceList(InvoiceReport which, const ReportPeriod& period, BuiltReport& out) {
    using namespace Invoice;
    ReportFile<InvoiceRec> file(InvoiceData(), out);
    file.Walk(InvoiceDateKey,
              StartKey<InvoiceRec>(InvDateYMD, period.from, InvoiceDateKey, BuildInvoiceKey),
              UpTo(period.to), [&](int32_t, const InvoiceRec& inv) {
                  const std::string_view type = TrimmedView(inv.view(InvType));
                  if (type == TypeRepeatMaster || IsBlank(inv.view(InvNumber))) return;
                  Numbers n([&] { return InvoiceName(inv); });
                  const bool zero = n(inv.get(InvTotal), "total").isZero();
                  if (zero && (which == InvoiceReport::KeyCode || type != TypeRegular)) return;
                  const std::string date = Cell(inv.get(InvDateYMD), 10);
                  Row row;
                  if (which == InvoiceReport::KeyCode)
                      row = {CellOr(inv.get(InvKeyCode), "*none*", 8), Cell(inv.get(InvNumber), 9),
                             Cell(inv.get(InvCustomerShortName), 10), date};
                  else
                      row = {date, Cell(inv.get(InvNumber), 9),
                             Cell(inv.get(InvCustomerShortName), 10),
                             Cell(inv.get(InvCustomerNumber), 8)};
                  for (const std::string& cell :
                       {Amount(n(inv.get(InvNet), "net amount")), Amount(n(inv.get(InvTax), "tax")),
                        Amount(n(inv.get(InvTotal), "total")), Cell(inv.get(InvType), 1)})
                      row.push_back(cell);
                  out.grid.rows.push_back({std::move(row), ReportRowKind::Record});
              });
}

// Payments received in the period: invoices paid in full then (by their date paid), and
// invoices partly paid, dated in the period. A record met by both walks is listed once.
void BuildPayments(bool tax, const ReportPeriod& period, BuiltReport& out) {
    using namespace Invoice;
    std::set<int32_t> listed;
    const auto add = [&](int32_t ref, const InvoiceRec& inv, const std::string& date) {
        if (!listed.insert(ref).second) return;
        Numbers n([&] { return InvoiceName(inv); });
        Row row{Cell(date, 10), Cell(inv.get(InvNumber), 9),
                Cell(inv.get(InvCustomerShortName), 10), Cell(inv.get(InvCustomerNumber), 8)};
        if (tax)
            for (const std::string& cell :
                 {Cell(inv.get(InvKeyCode), 8), Amount(n(inv.get(InvPaid), "amount paid")),
                  Amount(n(inv.get(InvTax), "tax"))})
                row.push_back(cell);
        else
            for (const std::string& cell :
                 {Amount(n(inv.get(InvTotal), "total")), Amount(n(inv.get(InvPaid), "amount paid")),
                  Amount(n(inv.get(InvDue), "amount due"))})
                row.push_back(cell);
        row.push_back(Cell(inv.get(InvType), 1));
        out.grid.rows.push_back({std::move(row), ReportRowKind::Record});
    };

    ReportFile<InvoiceRec> file(InvoiceData(), out);
    file.Walk(InvoiceDatePaidKey,
              StartKey<InvoiceRec>(InvDatePaid, period.from, InvoiceDatePaidKey, BuildInvoiceKey),
              UpTo(period.to), [&](int32_t ref, const InvoiceRec& inv) {
                  if (!InPeriod(inv.view(InvDatePaid), period) || IsBlank(inv.view(InvNumber)))
                      return;
                  add(ref, inv, inv.get(InvDatePaid));
              });
    file.Walk(InvoiceDateKey,
              StartKey<InvoiceRec>(InvDateYMD, period.from, InvoiceDateKey, BuildInvoiceKey),
              UpTo(period.to), [&](int32_t ref, const InvoiceRec& inv) {
                  if (IsBlank(inv.view(InvNumber)) || TrimmedView(inv.view(InvType)) == TypeDeposit)
                      return;
                  Numbers n([&] { return InvoiceName(inv); });
                  if (n(inv.get(InvPaid), "amount paid").isZero() ||
                      n(inv.get(InvDue), "amount due").isZero())
                      return;
                  const std::string paid = inv.get(InvDatePaid);
                  add(ref, inv, TrimBlanks(paid).size() < 5 ? inv.get(InvDateYMD) : paid);
              });
}

// The open items: unpaid invoices (no date paid) and deposits not used up, each aged from
// its date to today into the company's aging categories.
void BuildReceivables(const ReportPeriod&, BuiltReport& out) {
    using namespace Invoice;
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    const std::string total = company.get(Company::ReceivablesTotal);
    if (Numbers([] { return std::string("the company"); })(total, "receivables total").isZero()) {
        out.zeroReceivables = true;
        return;
    }
    const auto periods = CompanyAgingPeriods(company);
    if (!periods)
        throw ReportDataError(
            "The company's aging periods are not all whole numbers of days. Please correct "
            "them in the company settings.");
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    const DateFormat dates = shell.companies.dateFormat();
    const Date today = shell.clock.today();

    std::set<int32_t> listed;
    const auto add = [&](int32_t ref, const InvoiceRec& inv) {
        if (!listed.insert(ref).second) return;
        // Aged by the stored copy, as posting and payments age the customers: the typed date
        // would be read in whatever date order the company has now.
        const auto date = InvoiceAgingDate(inv, dates);
        if (!date)
            throw ReportDataError("The date of " + InvoiceName(inv) + " (\"" +
                                  TrimBlanks(inv.get(InvDate)) +
                                  "\") is not a valid date, so it cannot be aged.");
        const int64_t age = DaysBetween(*date, today);
        const Numbers n([&] { return InvoiceName(inv); });
        AddRow(out, Cell(captions[static_cast<std::size_t>(AgingBucketOf(age, *periods))], 10),
               Cell(inv.view(InvNumber), 9), Cell(inv.view(InvCustomerShortName), 10),
               Cell(inv.view(InvCustomerNumber), 8),
               RightJustify(std::to_string(age) + " Days", ' ', 12),
               RightJustify(inv.view(InvDateYMD), ' ', 12),
               Amount(n(inv.view(InvDue), "amount due")), Cell(inv.view(InvType), 1));
    };

    ReportFile<InvoiceRec> file(InvoiceData(), out);
    file.Walk(
        InvoiceDatePaidKey,
        StartKey<InvoiceRec>(InvDatePaid, "", InvoiceDatePaidKey, BuildInvoiceKey),
        [](const std::string& key) { return key.compare(0, 2, "  ") == 0; },
        [&](int32_t ref, const InvoiceRec& inv) {
            if (IsBlank(inv.view(InvNumber)) || TrimmedView(inv.view(InvType)) == TypeRepeatMaster)
                return;
            add(ref, inv);
        });
    InvoiceRec deposits;
    deposits.set(InvType, TypeDeposit);
    file.Walk(
        InvoiceTypeNumberKey, BuildInvoiceKey(deposits, InvoiceTypeNumberKey),
        [](const std::string& key) { return !key.empty() && key[0] == 'D'; },
        [&](int32_t ref, const InvoiceRec& inv) {
            if (IsBlank(inv.view(InvNumber)) || TrimmedView(inv.view(InvPaidFlag)) == "P") return;
            add(ref, inv);
        });
}

// --- invoice lines -------------------------------------------------------------------------

void BuildLineReport(bool profit, const ReportPeriod& period, BuiltReport& out) {
    using namespace InvoiceLine;
    ReportFile<InvoiceLineRec> file(InvoiceLineData(), out);
    file.Walk(
        InvoiceLineDateKey,
        StartKey<InvoiceLineRec>(LineSortDate, period.from, InvoiceLineDateKey,
                                 BuildInvoiceLineKey),
        UpTo(period.to), [&](int32_t, const InvoiceLineRec& line) {
            if (!InPeriod(line.view(LineSortDate), period)) return;
            const std::string_view text = line.view(LineText);
            const Numbers n(
                [&] { return "a line of invoice " + TrimBlanks(line.get(LineInvNumber)); });
            const Decimal quantity = n(LinePart(text, 1, 10), "quantity");
            const Decimal price = n(LinePart(text, 43, 52), "unit price");
            std::string code = CellOr(line.view(LineProductCode), "*None*", 10);
            std::string description = Cell(LinePart(text, 11, 42), 32);
            if (profit) {
                const Decimal cost = n(line.view(LineUnitCost), "unit cost");
                AddRow(out, std::move(code), std::move(description),
                       Cell(line.view(LineInvNumber), 9), Cell(line.view(LineSortDate), 10),
                       Cell(line.view(LineCustomerNumber), 8), Amount(quantity),
                       Amount(n.Product(quantity, cost, "cost")),
                       Amount(n.Product(quantity, price, "sales price")),
                       Amount(n.Product(n.Difference(price, cost, "profit"), quantity, "profit")));
            } else {
                // The extension's whole field is read: a wider figure is never cut.
                AddRow(out, std::move(description), std::move(code),
                       Cell(line.view(LineSortDate), 10), Cell(line.view(LineInvNumber), 9),
                       Cell(line.view(LineCustomerShortName), 10),
                       Cell(line.view(LineCustomerNumber), 8), Amount3(price), Amount3(quantity),
                       Amount(n(LinePart(text, 54, 65), "line amount")));
            }
        });
}

constexpr const char* kNoMatch = "No matching records found for the dates entered.";
constexpr const char* kNoProducts = "No products found.";

// The rows of one of the reports a builder serves, given which.
template <auto Build, auto Which>
void RowsOf(const ReportPeriod& period, BuiltReport& out) {
    Build(Which, period, out);
}

constexpr ReportDefinition kReports[] = {
    {"PO Register",
     true,
     "Lists all Purchase Orders created in the selected period. Shows Net,Tax and Total. Use "
     "this report to see what vendors you have purchased from.",
     8,
     3,
     6,
     kNoMatch,
     "PO Register",
     "",
     {"Year/Mo/Dy", "PO#", "Short Name", "Vendor#", "Net Amount", "Tax Amount", "Grand Total", "C"},
     "purchase order",
     RowsOf<BuildPOReport, POReport::Register>},
    {"Inventory Report",
     false,
     "Shows all items which make up your current inventory. This report also shows storage "
     "locations and cost value of inventory items.",
     9,
     4,
     8,
     kNoProducts,
     "Inventory Report",
     "All Inventory Records Selected.",
     {"Location", "Product Description", "Product#", "Key Code", "T", "On Hand", "Cost", "Sell",
      "Cost Value"},
     "product",
     BuildInventory},
    {"Receiving Report",
     true,
     "Shows all products received in the selected period. Shows date in, quantity and price. "
     "Use this report to see what items you have brought into stock.",
     9,
     6,
     8,
     kNoMatch,
     "Receiving Report",
     "",
     {"Product Description", "Product#", "Year/Mo/Dy", "PO#", "Short Name", "Vendor#", "Receiver#",
      "Ordered", "Received"},
     "purchase order line",
     ReceivingRows},
    {"Reorder Report",
     false,
     "Shows all stock items which need reorders to make your product stock targets. This "
     "reports does not list items marked as non-stock or non-depleting items.",
     9,
     3,
     8,
     kNoProducts,
     "Reorder Report",
     "All Inventory Records Searched.",
     {"Preferred Vendor", "Product Description", "Product#", "Key Code", "Min. Quan.", "Max. Quan.",
      "Target Quan.", "On Hand", "Reorder Amt."},
     "product",
     RowsOf<BuildStockLevels, false>},
    {"Overstock Report",
     false,
     "Shows all inventory which have more items on hand than targeted. This reports does not "
     "list items marked as non-stock or non-depleting items.",
     9,
     3,
     8,
     kNoProducts,
     "Over Stock Report",
     "All Inventory Records Searched.",
     {"Preferred Vendor", "Product Description", "Product#", "Key Code", "Min. Quan.", "Max. Quan.",
      "Target Quan.", "On Hand", "Over Stock"},
     "product",
     RowsOf<BuildStockLevels, true>},
    {"Commitment Report",
     true,
     "Shows all Purchase Orders which have not been received by the date required. Use this "
     "report to see what items you have ordered that are behind schedule.",
     8,
     3,
     6,
     kNoMatch,
     "Commitment Report",
     "",
     {"Date Req.", "PO#", "Short Name", "Vendor#", "Net Amount", "Tax Amount", "Grand Total", "C"},
     "purchase order",
     RowsOf<BuildPOReport, POReport::Commitment>},
    {"PO Key Code Inquiry",
     true,
     "Lists all Purchase Orders created in the selected period. Shows Net,Tax and Total. This "
     "report includes your Key Code for sub-totaling instead of Vendor Number.",
     8,
     3,
     6,
     kNoMatch,
     "PO Key Code Inquiry",
     "",
     {"Key Code", "PO#", "Short Name", "Year/Mo/Dy", "Net Amount", "Tax Amount", "Grand Total",
      "C"},
     "purchase order",
     RowsOf<BuildPOReport, POReport::KeyCode>},
    {"Invoice Register",
     true,
     "Lists all invoices created in the selected period. Shows Net,Tax and Total. Use this "
     "report to see what customers you have billed.",
     8,
     3,
     6,
     kNoMatch,
     "Invoice Register",
     "",
     {"Year/Mo/Dy", "Invoice#", "Short Name", "Customer#", "Net Amount", "Tax Amount",
      "Grand Total", "C"},
     "invoice",
     RowsOf<BuildInvoiceList, InvoiceReport::Register>},
    {"Payment Register",
     true,
     "Lists all payments received in the selected period. Shows Total, Paid and Balance.  Use "
     "this report to see the payments you have processed.",
     8,
     3,
     6,
     kNoMatch,
     "Payment Register",
     "",
     {"Year/Mo/Dy", "Invoice#", "Short Name", "Customer#", "Grand Total", "Paid Amount",
      "Balance Due", "C"},
     "invoice",
     RowsOf<BuildPayments, false>},
    {"Accounts Receivable",
     false,
     "Shows all open items which make up your Accounts Receivable Balance. This report also "
     "shows how old your unpaid invoices are (Aging Analysis).",
     8,
     5,
     5,
     kNoMatch,
     "Accounts Receivable Report",
     "All unpaid records selected.",
     {"Category", "Invoice#", "Short Name", "Customer#", "Aging", "Year/Mo/Dy", "Balance Due", "C"},
     "invoice",
     BuildReceivables},
    {"Profit Report",
     true,
     "Shows all items you have sold in the selected period. Includes cost of item, sales "
     "price, quantity and profit/loss from sales.",
     9,
     4,
     8,
     "No product sales found for the specified period.",
     "Profit Report",
     "",
     {"Product#", "Product Description", "Invoice#", "Date", "Customer", "Quantity", "Your Cost",
      "Sales Price", "Net Profit"},
     "invoice line",
     RowsOf<BuildLineReport, true>},
    {"Sales Report",
     true,
     "Shows all products you have sold in the selected period.",
     9,
     5,
     8,
     kNoMatch,
     "Sales Report",
     "",
     {"Product Description", "Product#", "Year/Mo/Dy", "Invoice#", "Short Name", "Customer",
      "Unit Price", "Quantity", "Line Amount"},
     "invoice line",
     RowsOf<BuildLineReport, false>},
    {"Invoice Key Code Inquiry",
     true,
     "Lists all invoices created in the selected period. Shows Net,Tax and Total. This report "
     "includes your Key Code for sub-totaling instead of Customer Number.",
     8,
     3,
     6,
     kNoMatch,
     "Invoice Key Code Report",
     "",
     {"Key Code", "Invoice#", "Short Name", "Year/Mo/Dy", "Net Amount", "Tax Amount", "Grand Total",
      "C"},
     "invoice",
     RowsOf<BuildInvoiceList, InvoiceReport::KeyCode>},
    {"Tax Report",
     true,
     "Lists all invoices PAID in the selected period.  Unlike the Payment Register, this report "
     "shows the Tax and Key Code columns. Use to view taxes collected or collections by Key "
     "Code.",
     8,
     4,
     6,
     kNoMatch,
     "Tax Report",
     "",
     {"Year/Mo/Dy", "Invoice#", "Short Name", "Customer#", "Key Code", "Paid Amount", "Tax Amount",
      "C"},
     "invoice",
     RowsOf<BuildPayments, true>},
};
}  // namespace

std::span<const ReportDefinition> ReportDefinitions() {
    return kReports;
}

const ReportDefinition* FindReportDefinition(std::string_view title) {
    for (const ReportDefinition& report : kReports)
        if (report.name == title) return &report;
    return nullptr;
}

BuiltReport BuildReport(const ReportDefinition& report, const ReportPeriod& period) {
    BuiltReport out;
    out.grid.cols = report.cols;
    out.grid.rows.push_back({Row(report.headings.begin(), report.headings.begin() + report.cols),
                             ReportRowKind::Record});
    report.rows(period, out);
    return out;
}

std::string ReportHead3(const ReportDefinition& report, std::string_view fromTyped,
                        std::string_view toTyped) {
    if (!report.dated) return std::string(report.fixedHead3);
    return "Selected records from " + std::string(fromTyped) + " to " + std::string(toTyped);
}
