#include "invoicing/posting/invoice_change.h"

#include <algorithm>

#include "engine/browse/browser.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

const QString DeleteCaption = QStringLiteral("Delete Invoice");
const QString EditCaption = QStringLiteral("Edit Invoice");

// Runs a plan; a refusal becomes the outcome's message, under the plan's caption unless it
// names its own.
template <class Outcome, class Fn>
Outcome RunPlan(const QString& caption, Fn&& plan) {
    Outcome outcome;
    try {
        plan(outcome);
    } catch (const PlanRefusal& refused) {
        outcome.refusal = refused.text;
        outcome.caption = refused.caption.isEmpty() ? caption : refused.caption;
    }
    return outcome;
}

// The date an invoice on file is aged by; a refusal when it has none.
Date StoredInvoiceDate(const InvoiceRec& h) {
    if (const auto date = InvoiceAgingDate(h, Shell().companies.dateFormat())) return *date;
    throw PlanRefusal{QString("The date of invoice %1 (\"%2\") cannot be read.")
                          .arg(FromCp1252(TrimBlanks(h.get(Invoice::InvNumber))),
                               FromCp1252(TrimBlanks(h.get(Invoice::InvDate))))};
}

// What the invoice still owes: grand total - paid.
Decimal AmountDue(const InvoiceRec& h) {
    const QString number = FromCp1252(TrimBlanks(h.get(Invoice::InvNumber)));
    return SumOrRefuse(
        Decimal::Sub(
            AmountOrRefuse(h.get(Invoice::InvTotal), "The total of invoice " + number),
            AmountOrRefuse(h.get(Invoice::InvPaid), "The amount paid on invoice " + number)),
        "The amount due of invoice " + number);
}

bool HasContent(const InvoiceRow& row) {
    return !TrimBlanks(row.code).empty() || !TrimBlanks(row.description).empty();
}

}  // namespace

std::vector<StoredLine> InvoiceLinesOf(std::string_view number) {
    std::vector<StoredLine> lines;
    const DataFile& file = InvoiceLineData();
    const StepFile open(file);
    // Lines that cannot be read are not taken for no lines: their stock would be lost.
    if (!open.ok())
        throw PlanRefusal{
            QString("The invoice line file cannot be opened (error %1).").arg(EngineErrorCode)};
    InvoiceLineRec probe;
    if (!probe.set(InvoiceLine::LineInvNumber, TrimBlanks(number))) return lines;
    const std::string wanted = TrimBlanks(BuildInvoiceLineKey(probe, InvoiceLineNumberKey));
    int32_t ref = 0;
    std::string key;
    bool ok = file.Search(BuildInvoiceLineKey(probe, InvoiceLineNumberKey), ref,
                          InvoiceLineNumberKey, &key);
    while (ok && TrimBlanks(key) == wanted) {
        StoredLine line{ref, {}};
        if (file.ReadRec(ref, line.record.bytes())) lines.push_back(line);
        ok = file.RetryLocked([&] { NextKey(file.handle(), InvoiceLineNumberKey, ref, key); });
    }
    return lines;
}

CustomerChange InvoiceCustomerOrRefuse(std::string_view number) {
    if (auto found = FindCustomerByNumber(number)) return *found;
    throw PlanRefusal{QString("Customer %1 of this invoice is not on file, so the customer's "
                              "balance cannot be corrected.")
                          .arg(FromCp1252(TrimBlanks(number))),
                      "Customer Required"};
}

QString LinesBeyondGrid(const std::vector<StoredLine>& lines) {
    if (lines.size() <= static_cast<std::size_t>(InvoiceGridRows)) return {};
    return QString(
               "This invoice has %1 lines on file, more than the %2 an invoice can hold; it "
               "cannot be changed here.")
        .arg(lines.size())
        .arg(InvoiceGridRows);
}

std::string LineQuantity(const InvoiceLineRec& line) {
    return TrimBlanks(line.get(InvoiceLine::LineText).substr(0, 10));
}

// --- deleting ---

DeletionPlan PlanInvoiceDeletion(int32_t headerRef, const InvoiceRec& header) {
    // A damaged invoice must still go: the header, lines and memo are always removed, and a
    // correction that cannot be computed from it is left to the user.
    return RunPlan<DeletionPlan>(DeleteCaption, [&](DeletionPlan& plan) {
        InvoiceDeletion d;
        d.headerRef = headerRef;
        d.header = header;
        const std::string number = TrimBlanks(header.get(Invoice::InvNumber));

        StockPlan stock;
        for (const StoredLine& line : InvoiceLinesOf(number)) {
            LineRemoval removal{line, std::nullopt};
            const std::string code = TrimBlanks(line.record.get(InvoiceLine::LineProductCode));
            CorrectOrNote(d.skipped, QString("The stock of product %1").arg(FromCp1252(code)), [&] {
                if (const StockChange* change = stock.Move(code, LineQuantity(line.record), true))
                    removal.stock = *change;
            });
            d.lines.push_back(removal);
        }

        std::optional<Decimal> back;
        CorrectOrNote(d.skipped, "The customer's balance and aging and the receivables total",
                      [&] { back = -AmountDue(header); });
        if (back) {
            CorrectOrNote(d.skipped, "The customer's balance and aging", [&] {
                CustomerChange customer =
                    InvoiceCustomerOrRefuse(header.get(Invoice::InvCustomerNumber));
                AddToCustomerBalance(customer.record, *back);
                d.customer = customer;
            });
            if (d.customer)
                CorrectOrNote(d.skipped, "The customer's aging", [&] {
                    const AgingPeriods periods =
                        AgingPeriodsOrRefuse(Shell().companies.CurrentCompany);
                    CustomerRec aged = d.customer->record;
                    AddToCustomerAging(aged, AgingBucketOn(StoredInvoiceDate(header), periods),
                                       *back);
                    d.customer->record = aged;
                });
            CorrectOrNote(d.skipped, "The company's receivables total", [&] {
                d.receivablesTotal = ReceivablesAfter(StoredCompanyOrRefuse(Shell()), *back);
            });
        }

        d.memo = TrimBlanks(header.get(Invoice::InvKind)) == Invoice::KindMemo;
        if (d.memo) d.memoRef = InvoiceMemoRefOf(number);
        plan.deletion = std::move(d);
    });
}

namespace {

void InvoiceDeletionSteps(const InvoiceDeletion& d, InvoiceManagerView& view) {
    InvoicingState& inv = Invoicing();
    inv.InvoiceBuf = d.header;
    if (!DeleteInvoiceRecord(d.headerRef)) RaiseError("Delete operation failed");
    if (TFvcBrowser* browser = view.browser()) BrowserRedraw(*browser);
    ShowRecordCount(view);

    int deleted = 0;
    for (const LineRemoval& removal : d.lines) {
        inv.InvoiceLineBuf = removal.line.record;
        if (removal.stock) WriteStock(std::span<const StockChange>(&*removal.stock, 1));
        if (!DeleteInvoiceLineRecord(removal.line.ref)) RaiseError("Delete detail recs failed");
        ++deleted;
    }

    if (d.customer) WriteCustomer(*d.customer);
    if (d.receivablesTotal)
        WriteCompany(
            [&d](CompanyRec& c) { return c.set(Company::ReceivablesTotal, *d.receivablesTotal); });

    if (d.memo) {
        if (d.memoRef == 0) {
            Beep();
        } else {
            InvoiceMemoData().ReadRec(d.memoRef, inv.InvoiceMemoBuf.bytes());
            if (!DeleteInvoiceMemoRecord(d.memoRef)) {
                StopUnlessRefused("Memo record deletion failed");
                MessageBox("Memo record deletion failed", ProgramCaption());
            }
        }
    }

    ShowCompanyOnManager(view);
    const QString number = FromCp1252(TrimBlanks(d.header.get(Invoice::InvNumber)));
    view.SetStatusText(1, d.memo ? "Deleted memo invoice " + number + "."
                                 : "Deleted invoice " + number + " containing " +
                                       QString::number(deleted) + " line item(s).");
    TellSkippedCorrections("Invoice " + number, d.skipped, DeleteCaption);
}

}  // namespace

void WriteInvoiceDeletion(const InvoiceDeletion& d, InvoiceManagerView& view) {
    PostAsOneUnit([&] { InvoiceDeletionSteps(d, view); }, [&view] { ShowListAsOnFile(view); });
}

// --- changing ---

namespace {

class ChangePlanner {
public:
    ChangePlanner(const InvoiceUnderEdit& old, const InvoiceEntry& entry)
        : old_(old),
          e_(entry),
          memo_(TrimBlanks(old.header.get(Invoice::InvKind)) == Invoice::KindMemo) {
        // The kind is the stored invoice's: the dialog does not change it in an edit.
        e_.memo = memo_;
        if (memo_) {
            if (TrimBlanks(e_.memoQuantity).empty()) e_.memoQuantity = "1";
            if (TrimBlanks(e_.memoDescription).empty()) e_.memoDescription = "Memo Invoice";
        }
    }

    InvoiceChange Plan() {
        if (const QString beyond = LinesBeyondGrid(old_.lines); !beyond.isEmpty())
            throw PlanRefusal{beyond};
        c_.headerRef = old_.ref;
        c_.oldHeader = old_.header;
        PlanHeader();
        PlanLines();
        PlanStock();
        PlanCustomer();
        c_.receivablesTotal = ReceivablesAfter(
            StoredCompanyOrRefuse(Shell()),
            SumOrRefuse(Decimal::Sub(newDue_, oldDue_), "The change of the amount due"));
        PlanMemo();
        return std::move(c_);
    }

private:
    void PlanHeader() {
        InvoiceRec& h = c_.header;
        h = old_.header;
        date_ = InvoiceDateOrRefuse(e_.date);
        FillHeaderFromEntry(h, e_, date_);
        paid_ = AmountOrRefuse(e_.paid, "The amount paid");
        newDue_ = SumOrRefuse(Decimal::Sub(AmountOrRefuse(e_.total, "The invoice total"), paid_),
                              "The amount due");
        oldDue_ = AmountDue(old_.header);
        if (newDue_.isZero()) {
            h.set(Invoice::InvPaidFlag, "P");
            // A date of full payment already on file is kept.
            if (TrimBlanks(h.get(Invoice::InvDatePaid)).size() < 9)
                h.set(Invoice::InvDatePaid, SortableDate(date_));
        } else {
            h.set(Invoice::InvPaidFlag, " ");
            h.set(Invoice::InvDatePaid, " ");
        }
        SetOrRefuse(h, Invoice::InvDue, newDue_.format("0.00"), "The amount due");
    }

    // Row r rewrites the r-th stored line, or deletes it when the row was emptied; rows past
    // the stored lines add new ones.
    void PlanLines() {
        std::vector<InvoiceRow> rows(
            e_.rows.begin(),
            e_.rows.begin() + std::min<std::size_t>(e_.rows.size(), InvoiceGridRows));
        rows.resize(InvoiceGridRows);
        if (memo_) {
            // A memo invoice posts its one memo row, never rows left in its hidden grid.
            std::fill(rows.begin(), rows.end(), InvoiceRow{});
            rows[0] = MemoRow(e_);
        }
        const std::string ymd = SortableDate(date_);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int rowNr = static_cast<int>(i) + 1;
            LineWrite write;
            if (i < old_.lines.size()) {
                write.ref = old_.lines[i].ref;
                if (!HasContent(rows[i])) {
                    write.action = LineWrite::Action::Delete;
                    c_.lines.push_back(write);
                    continue;
                }
                write.action = LineWrite::Action::Rewrite;
                write.record = old_.lines[i].record;
            } else {
                if (!HasContent(rows[i])) continue;
                write.action = LineWrite::Action::Add;
                // A new line is marked as posting marks it, so that nothing reading lines by
                // their kind or status misses it.
                write.record.set(InvoiceLine::LineKind, memo_ ? "M" : "P");
                write.record.set(InvoiceLine::LineStatus, "I");
            }
            FillLineFromRow(write.record, e_, rowNr, rows[i], ymd);
            c_.lines.push_back(write);
        }
    }

    // Every stored line gives its quantity back, then the invoice as changed takes its
    // quantities out: the stock comes out as if the changed invoice had been posted alone.
    void PlanStock() {
        StockPlan stock;
        for (const StoredLine& line : old_.lines)
            stock.Move(line.record.get(InvoiceLine::LineProductCode), LineQuantity(line.record),
                       true);
        for (const auto& [code, quantity] : StockSales(e_)) stock.Move(code, quantity, false);
        c_.stock = stock.changes();
    }

    void PlanCustomer() {
        c_.customer = InvoiceCustomerOrRefuse(e_.customerNumber);
        CustomerRec& c = c_.customer.record;
        AddToCustomerBalance(c, -oldDue_);
        AddToCustomerBalance(c, newDue_);
        const AgingPeriods periods = AgingPeriodsOrRefuse(Shell().companies.CurrentCompany);
        AddToCustomerAging(c, AgingBucketOn(StoredInvoiceDate(old_.header), periods), -oldDue_);
        AddToCustomerAging(c, AgingBucketOn(date_, periods), newDue_);
        if (paid_ > Decimal()) {
            // Dates compared as dates: typed text does not sort by date.
            const auto last =
                Shell().companies.dateFormat().parse(c.get(Customer::LastPaymentDate));
            if (!last || *last < date_) c.set(Customer::LastPaymentDate, e_.date);
        }
    }

    void PlanMemo() {
        if (!memo_) return;
        c_.memoRef = InvoiceMemoRefOf(old_.header.get(Invoice::InvNumber));
        c_.memo = MemoFromEntry(e_, c_.memoRef);
    }

    const InvoiceUnderEdit& old_;
    InvoiceEntry e_;
    const bool memo_;
    InvoiceChange c_;
    Date date_;
    Decimal paid_;
    Decimal newDue_;
    Decimal oldDue_;
};

}  // namespace

ChangePlan PlanInvoiceChange(const InvoiceUnderEdit& old, const InvoiceEntry& entry) {
    return RunPlan<ChangePlan>(
        EditCaption, [&](ChangePlan& plan) { plan.change = ChangePlanner(old, entry).Plan(); });
}

namespace {

void InvoiceChangeSteps(const InvoiceChange& c, InvoiceManagerView& view) {
    InvoicingState& inv = Invoicing();
    inv.InvoiceBuf = c.header;
    if (!UpdateInvoiceRecord(c.headerRef, c.oldHeader)) RaiseError("Modify operation failed");
    PositionManagerList(view, c.headerRef);

    for (const LineWrite& line : c.lines) {
        switch (line.action) {
            case LineWrite::Action::Rewrite:
                if (!UpdateInvoiceLineRecord(line.record, line.ref))
                    RaiseError("Modify operation failed");
                break;
            case LineWrite::Action::Delete:
                if (!DeleteInvoiceLineRecord(line.ref))
                    RaiseError("Detail delete operation failed.");
                break;
            case LineWrite::Action::Add: {
                inv.InvoiceLineBuf = line.record;
                int32_t ref = 0;
                // The header's total counts the line: without it the invoice is not whole.
                if (!AddInvoiceLineRecord(ref)) RaiseError("detail add failed.");
                break;
            }
        }
    }

    WriteStock(c.stock);
    WriteCustomer(c.customer);
    WriteCompany([&c](CompanyRec& company) {
        return company.set(Company::ReceivablesTotal, c.receivablesTotal);
    });

    if (c.memo) {
        inv.InvoiceMemoBuf = *c.memo;
        // A memo invoice whose memo record was lost gets it back rather than losing the text.
        int32_t ref = c.memoRef;
        const bool written = ref != 0 ? UpdateInvoiceMemoRecord(ref) : AddInvoiceMemoRecord(ref);
        if (!written) RaiseError("memo replace operation failed");
    }

    ShowCompanyOnManager(view);
    view.SetStatusText(1, "Editing invoice " +
                              FromCp1252(TrimBlanks(c.header.get(Invoice::InvNumber))) +
                              " completed.");
}

}  // namespace

void WriteInvoiceChange(const InvoiceChange& c, InvoiceManagerView& view) {
    PostAsOneUnit([&] { InvoiceChangeSteps(c, view); }, [&view] { ShowListAsOnFile(view); });
}
