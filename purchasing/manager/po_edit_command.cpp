// The Purchase Order Manager's Edit (EditPO): the guards and questions on the highlighted
// order, the entry dialog filled from the order on file, and on OK the change written.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <stdexcept>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/entry/ship_to_window.h"
#include "invoicing/posting/add_invoice.h"
#include "masters/masters_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "purchasing/po_change.h"
#include "purchasing/po_document.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/po_memo_file.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

namespace PO = PurchaseOrder;

bool Confirmed(const QString& text, const QString& caption) {
    return MessageBox(text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
}

// A stored "yyyy/mm/dd" date in the company's date order; empty when it is not a date.
QString ShownDate(std::string_view ymd) {
    const std::optional<Date> date = ParseSortableDate(TrimBlanks(ymd));
    if (!date) return {};
    return QString::fromStdString(Shell().companies.dateFormat().format(*date));
}

void LoadMemo(TPOEdit1& dlg, const PORec& h) {
    POMemoRec probe;
    POMemoRec memo;
    const bool found = probe.set(POMemo::MemoPONumber, TrimBlanks(h.get(PO::PONumber))) &&
                       POMemoData().Find(POMemoNumberKey, BuildPOMemoKey(probe, POMemoNumberKey),
                                         memo.bytes()) != 0;
    dlg.LoadStoredMemo(found ? POMemoLines(memo) : std::vector<std::string>{});
    dlg.RowOldQuantity[1] = TrimBlanks(ToCp1252(dlg.MemoQuan->text()));
    dlg.RowOldCode[1] = TrimBlanks(ToCp1252(dlg.StkName->text()));
    if (!found) MessageBox("Error reading memo data.", ProgramCaption());
}

// The dialog in edit mode holding the order on file.
void FillForEdit(TPOEdit1& dlg, const POUnderEdit& old) {
    const ShellContext& shell = Shell();
    const PORec& h = old.header;
    const bool memo = TrimBlanks(h.get(PO::POType)) == PO::TypeMemo;
    dlg.POEntryMode = 1;
    dlg.POEditedNumber = UpperAscii(TrimBlanks(h.get(PO::PONumber)));
    dlg.setWindowTitle("Edit PO");
    dlg.ClearGrid();
    Purchasing().POMemoMode = memo ? 1 : 0;
    dlg.Memo1->clear();
    dlg.MemoPDesc->clear();
    dlg.MemoQuan->setText("1");

    dlg.INum->setText(FromCp1252(h.get(PO::PONumber)));
    const QString mask = QString::fromStdString(shell.companies.dateFormat().DateEditMask());
    for (MaskEdit* field : {dlg.IDate, dlg.MEDateReq, dlg.ARecDate}) field->SetEditMask(mask);
    const QString poDate =
        ShownDate(TrimBlanks(h.get(PO::POYear)) + "/" + TrimBlanks(h.get(PO::POMonth)) + "/" +
                  TrimBlanks(h.get(PO::PODay)));
    dlg.IDate->SetText(poDate.isEmpty() ? FromCp1252(h.get(PO::PODate)) : poDate);
    dlg.MEDateReq->SetText(ShownDate(h.get(PO::PODateRequired)));
    dlg.ARecDate->SetText(ShownDate(h.get(PO::POReceivedDate)));

    dlg.INVNOTES->setText(FromCp1252(h.get(PO::PONotes)));
    dlg.ITerms->setEditText(FromCp1252(h.get(PO::POTerms)));
    dlg.ICustNo->setText(FromCp1252(h.get(PO::POVendorNumber)));
    dlg.Sname->setText(FromCp1252(h.get(PO::POVendorShortName)));
    dlg.KeyCode->setText(FromCp1252(h.get(PO::POKeyCode)));
    if (POShipWin)
        POShipWin->SetLines({h.get(PO::POShipTo1), h.get(PO::POShipTo2), h.get(PO::POShipTo3),
                             h.get(PO::POShipTo4)});
    dlg.Sig1->setText(FromCp1252(h.get(PO::POSignature1)));
    dlg.Sig2->setText(FromCp1252(h.get(PO::POSignature2)));
    dlg.INet->setText(FromCp1252(h.get(PO::PONet)));
    dlg.ITax->setText(FromCp1252(h.get(PO::POTax)));
    dlg.ITotal->setText(QString::fromStdString(FormatAmount(h.get(PO::POTotal))));
    const bool marked = TrimBlanks(h.get(PO::POMarkedReceived)) == "Y";
    dlg.MarkRecd->setChecked(marked);
    dlg.ARecDate->setEnabled(marked);
    dlg.ARecCal->setEnabled(marked);

    // Only the order's own vendor: a search that lands on another must not name it.
    const std::optional<VendorRec> vendor = FindVendorByNumber(h.get(PO::POVendorNumber));
    Masters().VendorBuf = vendor.value_or(VendorRec{});
    dlg.ICustName->setText(vendor ? FromCp1252(vendor->get(Vendor::Name)) : QString());

    std::vector<std::pair<std::string, std::string>> rows;
    int received = 0;
    for (const StoredPOLine& line : old.lines) {
        rows.emplace_back(line.record.get(POLine::LineProductCode),
                          line.record.get(POLine::LineText));
        if (TrimBlanks(line.record.get(POLine::LineReceived)) == "Y") ++received;
    }
    dlg.LoadStoredRows(rows);
    if (memo) LoadMemo(dlg, h);
    dlg.Label9->setText(QString("Lines Received: %1").arg(received));
}

}  // namespace

bool EditPO(POManagerView& view) {
    if (!POEdit1) throw std::logic_error("The purchase-order entry dialog has not been created.");
    TPOEdit1& dlg = *POEdit1;
    POUnderEdit old;
    old.ref = ReadHighlightedPO(view);
    if (old.ref == 0) return false;
    old.header = Purchasing().POBuf;
    const PORec& h = old.header;

    if (TrimBlanks(Shell().companies.CurrentCompany.get(Company::RequireAuditTrail)) == "Y") {
        MessageBox("The audit trail feature is turned on. Unable to modify record.", "Audit Trail",
                   MsgIcon::Information);
        return false;
    }
    if (TrimBlanks(h.get(PO::POPrinted)) == "Y" &&
        !Confirmed("This PO has been printed. Are you sure you want to edit this record?",
                   "Printed Purchase Order"))
        return false;
    if (TrimBlanks(h.get(PO::POReceivedDate)).size() > 5 &&
        !Confirmed("This PO has been received. Are you sure you want to edit this record?",
                   "Warning. PO Received"))
        return false;

    // What the dialog cannot show whole is refused before it opens.
    try {
        old.lines = POLinesOf(h.get(PO::PONumber));
        if (std::optional<PlanRefusal> refused = POEditRefusal(old.lines)) throw *refused;
    } catch (const PlanRefusal& refused) {
        ProcessPendingMessages();
        MessageBox(refused.text, refused.caption.isEmpty() ? QString("Edit PO") : refused.caption,
                   MsgIcon::Information);
        return false;
    }

    const ScopeExit addModeAgain([&dlg] { dlg.POEntryMode = 0; });
    FillForEdit(dlg, old);
    ProcessPendingMessages();

    std::optional<POChange> change;
    const bool ok = ShowEntryDialog(dlg, [&]() -> std::optional<PlanRefusal> {
        const POEntry entry = dlg.Entry();
        POChangePlan plan = PlanPOChange(old, entry);
        if (!plan.change) return PlanRefusal{plan.refusal, plan.caption};
        if (POChangeTakesBackReceipts(old, entry) &&
            !Confirmed("This PO has received items. Saving it with Mark Received unticked takes "
                       "them back out of stock. Continue?",
                       "Please Confirm")) {
            dlg.MarkRecd->setFocus();
            return PlanRefusal{};
        }
        change = std::move(plan.change);
        return std::nullopt;
    });
    dlg.POEntryMode = 0;
    if (!ok || !change) return false;
    WritePOChange(*change, view);
    return true;
}
