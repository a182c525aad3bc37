#include "purchasing/po_change.h"

#include <algorithm>

#include "engine/browse/browser.h"
#include "invoicing/posting/posting_steps.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "shell/app_context.h"
#include "shell/document_list.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

namespace PO = PurchaseOrder;

const QString DeleteCaption = QStringLiteral("Delete PO");
const QString EditCaption = QStringLiteral("Edit PO");

// The memo record filed under the number; 0 when there is none.
int32_t POMemoRefOf(std::string_view number) {
    POMemoRec probe;
    if (!probe.set(POMemo::MemoPONumber, TrimBlanks(number))) return 0;
    POMemoRec found;
    return POMemoData().Find(POMemoNumberKey, BuildPOMemoKey(probe, POMemoNumberKey),
                             found.bytes());
}

}  // namespace

std::vector<StoredPOLine> POLinesOf(std::string_view number) {
    std::vector<StoredPOLine> lines;
    const DataFile& file = POLineData();
    const StepFile open(file);
    if (!open.ok())
        throw PlanRefusal{
            QString("The PO line file cannot be opened (error %1).").arg(EngineErrorCode)};
    POLineRec probe;
    if (!probe.set(POLine::LinePONumber, TrimBlanks(number))) return lines;
    const std::string wanted = TrimBlanks(BuildPOLineKey(probe, POLineNumberKey));
    int32_t ref = 0;
    std::string key;
    bool ok = file.Search(BuildPOLineKey(probe, POLineNumberKey), ref, POLineNumberKey, &key);
    while (ok && TrimBlanks(key) == wanted) {
        StoredPOLine line{ref, {}};
        if (file.ReadRec(ref, line.record.bytes())) lines.push_back(line);
        ok = file.RetryLocked([&] { NextKey(file.handle(), POLineNumberKey, ref, key); });
    }
    return lines;
}

std::string POLineQuantity(const POLineRec& line) {
    return TrimBlanks(line.get(POLine::LineText).substr(0, 10));
}

// --- deleting ---

bool IsDamagedPO(const PORec& header) {
    const std::string total = TrimBlanks(header.get(PO::POTotal));
    return TrimBlanks(header.get(PO::PONumber)).empty() ||
           TrimBlanks(header.get(PO::POVendorNumber)).empty() || total.empty() ||
           !Decimal::Parse(StripCommas(total));
}

PODeletionPlan PlanPODeletion(int32_t headerRef, const PORec& header) {
    PODeletionPlan plan;
    RunPlanning(
        [&] {
            PODeletion d;
            d.headerRef = headerRef;
            d.header = header;
            const std::string number = TrimBlanks(header.get(PO::PONumber));
            // Receiver lines brought goods in like first receipts: all of it goes back out.
            StockPlan stock(true);
            for (const StoredPOLine& line :
                 number.empty() ? std::vector<StoredPOLine>{} : POLinesOf(number)) {
                POLineRemoval removal{line, std::nullopt};
                const std::string code = TrimBlanks(line.record.get(POLine::LineProductCode));
                CorrectOrNote(d.skipped, QString("The stock of product %1").arg(FromCp1252(code)),
                              [&] {
                                  const std::string received =
                                      TrimBlanks(line.record.get(POLine::LineReceivedQty));
                                  if (const StockChange* change = stock.Move(code, received, false))
                                      removal.stock = *change;
                              });
                d.lines.push_back(removal);
            }
            d.memo = TrimBlanks(header.get(PO::POType)) == PO::TypeMemo;
            if (d.memo) d.memoRef = POMemoRefOf(number);
            plan.deletion = std::move(d);
        },
        plan.refusal, plan.caption, DeleteCaption);
    return plan;
}

namespace {

void PODeletionSteps(const PODeletion& d, POManagerView& view) {
    PurchasingState& po = Purchasing();
    po.POBuf = d.header;
    if (!DeletePORecord(d.headerRef)) RaiseError("Delete operation failed");
    ShowPOListAsOnFile(view);

    int deleted = 0;
    for (const POLineRemoval& removal : d.lines) {
        po.POLineBuf = removal.line.record;
        if (removal.stock) WriteStock(std::span<const StockChange>(&*removal.stock, 1));
        if (!DeletePOLineRecord(removal.line.ref)) RaiseError("Delete detail recs failed");
        ++deleted;
    }

    if (d.memo) {
        // A memo that is not on file is told by a beep; no other record is touched for it.
        if (d.memoRef == 0) {
            Beep();
        } else {
            POMemoData().ReadRec(d.memoRef, po.POMemoBuf.bytes());
            if (!DeletePOMemoRecord(d.memoRef)) {
                StopUnlessRefused("Memo record deletion failed");
                MessageBox("Memo record deletion failed", ProgramCaption());
            }
        }
    }

    view.SetCompanyCaption(CompanyCaption(Shell().companies.CurrentCompany));
    const QString number = FromCp1252(TrimBlanks(d.header.get(PO::PONumber)));
    view.SetStatusText(1, d.memo ? "Deleted memo PO " + number + "."
                                 : "Deleted PO " + number + " containing " +
                                       QString::number(deleted) + " line item(s).");
    TellSkippedCorrections("PO " + number, d.skipped, DeleteCaption);
}

}  // namespace

void WritePODeletion(const PODeletion& d, POManagerView& view) {
    PostAsOneUnit([&] { PODeletionSteps(d, view); }, [&view] { ShowPOListAsOnFile(view); });
}

// --- changing ---

std::optional<PlanRefusal> POEditRefusal(const std::vector<StoredPOLine>& lines) {
    if (std::any_of(lines.begin(), lines.end(),
                    [](const StoredPOLine& l) { return POLine::IsReceiverLine(l.record); }))
        return PlanRefusal{
            "This PO has partial receivers. Unable to edit. Use Receiving Report to view receipts "
            "OR delete this PO to remove all receivers OR do a new PO for new items or "
            "adjustments to stock. You can also backout receivers using the Receiving Wizard.",
            "Partial Receivers"};
    if (lines.size() > static_cast<std::size_t>(EntryGridRows))
        return PlanRefusal{QString("This PO has %1 lines on file, more than the %2 a PO can "
                                   "hold; it cannot be changed here.")
                               .arg(lines.size())
                               .arg(EntryGridRows)};
    return std::nullopt;
}

bool POChangeTakesBackReceipts(const POUnderEdit& old, const POEntry& entry) {
    if (entry.markReceived || TrimBlanks(old.header.get(PO::POMarkedReceived)) == "Y") return false;
    return std::any_of(old.lines.begin(), old.lines.end(), [](const StoredPOLine& line) {
        const auto received = AmountOf(line.record.get(POLine::LineReceivedQty));
        return !received || !received->isZero();
    });
}

namespace {

bool HasContent(const EntryRow& row) {
    return !TrimBlanks(row.code).empty() || !TrimBlanks(row.description).empty();
}

class ChangePlanner {
public:
    ChangePlanner(const POUnderEdit& old, const POEntry& entry)
        : old_(old), e_(entry), memo_(TrimBlanks(old.header.get(PO::POType)) == PO::TypeMemo) {
        // The type is the stored order's: the dialog keeps it fixed in an edit.
        e_.memo = memo_;
        if (memo_) {
            if (TrimBlanks(e_.memoQuantity).empty()) e_.memoQuantity = "1";
            if (TrimBlanks(e_.memoDescription).empty()) e_.memoDescription = "Memo PO";
        }
    }

    POChange Plan() {
        if (std::optional<PlanRefusal> refused = POEditRefusal(old_.lines)) throw *refused;
        c_.headerRef = old_.ref;
        c_.oldHeader = old_.header;
        c_.number = e_.number;
        c_.header = old_.header;
        const POEntryDates dates = FillPOHeaderFromEntry(c_.header, e_);
        companyNumber_ = TrimBlanks(old_.header.get(PO::POCompanyNumber));
        PlanLines(dates);
        PlanStock();
        PlanMemo();
        return std::move(c_);
    }

private:
    // Row r rewrites the r-th stored line, or deletes it when the row was emptied; rows past
    // the stored lines add new ones.
    void PlanLines(const POEntryDates& dates) {
        std::vector<EntryRow> rows(
            e_.rows.begin(),
            e_.rows.begin() + std::min<std::size_t>(e_.rows.size(), EntryGridRows));
        rows.resize(EntryGridRows);
        if (memo_) {
            std::fill(rows.begin(), rows.end(), EntryRow{});
            rows[0] = MemoRow(e_);
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            POLineWrite write;
            if (i < old_.lines.size()) {
                write.ref = old_.lines[i].ref;
                if (!HasContent(rows[i])) {
                    write.action = POLineWrite::Action::Delete;
                    c_.lines.push_back(write);
                    continue;
                }
                write.action = POLineWrite::Action::Rewrite;
                write.record = old_.lines[i].record;
            } else {
                if (!HasContent(rows[i])) continue;
                write.action = POLineWrite::Action::Add;
            }
            FillPOLineFromRow(write.record, e_, static_cast<int>(i) + 1, rows[i], companyNumber_,
                              dates.ymd, dates.received);
            if (e_.markReceived && write.action == POLineWrite::Action::Rewrite)
                write.record.set(POLine::LineReceiverNumber, AutoReceiverNumber);
            c_.lines.push_back(write);
        }
    }

    // Every stored receipt goes back out, then an order marked received brings its rows in:
    // the stock comes out as if the changed order had been posted alone.
    void PlanStock() {
        StockPlan stock(true);
        for (const StoredPOLine& line : old_.lines)
            stock.Move(line.record.get(POLine::LineProductCode),
                       TrimBlanks(line.record.get(POLine::LineReceivedQty)), false);
        if (e_.markReceived)
            for (const auto& [code, quantity] : StockSales(e_))
                stock.Move(code, StripCommas(TrimBlanks(quantity)), true);
        c_.stock = stock.changes();
    }

    void PlanMemo() {
        if (!memo_) return;
        c_.memoRef = POMemoRefOf(old_.header.get(PO::PONumber));
        // A renumbered order must not take another order's memo.
        c_.memo = POMemoFromEntry(e_, c_.memoRef);
    }

    const POUnderEdit& old_;
    POEntry e_;
    const bool memo_;
    POChange c_;
    std::string companyNumber_;
};

}  // namespace

POChangePlan PlanPOChange(const POUnderEdit& old, const POEntry& entry) {
    POChangePlan plan;
    RunPlanning([&] { plan.change = ChangePlanner(old, entry).Plan(); }, plan.refusal, plan.caption,
                EditCaption);
    return plan;
}

namespace {

void POChangeSteps(const POChange& c, POManagerView& view) {
    PurchasingState& po = Purchasing();
    po.POBuf = c.header;
    if (!UpdatePORecord(c.oldHeader, c.headerRef)) RaiseError("Modify operation failed");
    if (TFvcBrowser* browser = view.browser()) {
        const int keyNr = BrowserKeyNumber(*browser);
        if (keyNr >= 1 && keyNr <= POKeyCount)
            BrowserGotoKey(*browser, BuildPOKey(po.POBuf, keyNr), c.headerRef);
    }

    for (const POLineWrite& line : c.lines) {
        switch (line.action) {
            case POLineWrite::Action::Rewrite:
                po.POLineBuf = line.record;
                if (!UpdatePOLineRecord(line.ref)) RaiseError("Modify PO detail failed.");
                break;
            case POLineWrite::Action::Delete:
                if (!DeletePOLineRecord(line.ref)) RaiseError("Detail delete operation failed.");
                break;
            case POLineWrite::Action::Add: {
                po.POLineBuf = line.record;
                int32_t ref = 0;
                // The order's total counts the line: without it the order is not whole.
                if (!AddPOLineRecord(ref)) RaiseError("PO detail add failed.");
                break;
            }
        }
    }

    WriteStock(c.stock);

    if (c.memo) {
        po.POMemoBuf = *c.memo;
        // An order whose memo record was lost gets it back rather than losing the text, and
        // no other record is overwritten for it.
        int32_t ref = c.memoRef;
        const bool written = ref != 0 ? UpdatePOMemoRecord(ref) : AddPOMemoRecord(ref);
        if (!written) RaiseError("memo replace operation failed");
    }

    view.SetCompanyCaption(CompanyCaption(Shell().companies.CurrentCompany));
    view.SetStatusText(1, "Editing PO " + FromCp1252(TrimBlanks(c.number)) + " completed.");
}

}  // namespace

void WritePOChange(const POChange& c, POManagerView& view) {
    PostAsOneUnit([&] { POChangeSteps(c, view); }, [&view] { ShowPOListAsOnFile(view); });
}

// --- the manager's commands ---

namespace {

bool AuditTrailOn() {
    return TrimBlanks(Shell().companies.CurrentCompany.get(Company::RequireAuditTrail)) == "Y";
}

bool Confirmed(const QString& text, const QString& caption) {
    return MessageBox(text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
}

}  // namespace

int32_t ReadHighlightedPO(POManagerView& view) {
    TFvcBrowser* browser = view.browser();
    return browser ? ReadHighlightedRow(*browser, Purchasing().POBuf.bytes()) : 0;
}

bool DeletePO(POManagerView& view) {
    const int32_t ref = ReadHighlightedPO(view);
    if (ref == 0) return false;
    const PORec header = Purchasing().POBuf;
    if (AuditTrailOn()) {
        MessageBox("The audit trail feature is turned on. Unable to delete record.", "Audit Trail",
                   MsgIcon::Information);
        return false;
    }
    const QString number = FromCp1252(header.get(PO::PONumber));
    const QString caption = ("Delete PO#: " + number).left(21);
    if (TrimBlanks(header.get(PO::POPrinted)) == "Y" &&
        !Confirmed("This PO has been printed. Are you sure you want to delete this PO?",
                   "Delete PO#: " + number))
        return false;
    if (TrimBlanks(header.get(PO::POReceivedDate)).size() > 5)
        MessageBox(
            "This PO has been fully received. If you delete this PO all receiving "
            "information will also be removed.",
            "Warning", MsgIcon::Warning);
    if (!Confirmed("Are you sure you want to delete this record?", caption)) return false;

    const PODeletionPlan plan = PlanPODeletion(ref, header);
    if (!plan.deletion) {
        MessageBox(plan.refusal, plan.caption, MsgIcon::Warning);
        return false;
    }
    WritePODeletion(*plan.deletion, view);
    return true;
}
