// The Invoice Manager's Delete and Edit: the guards on the highlighted record, the
// confirmations, and for Edit the entry dialog filled from the invoice on file.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "engine/browse/browser.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/entry/ship_to_window.h"
#include "invoicing/manager/invoice_browse.h"
#include "invoicing/manager/invoice_manager.h"
#include "invoicing/posting/invoice_change.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/string_grid.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

bool IsType(const InvoiceRec& h, std::initializer_list<const char*> types) {
    const std::string type = TrimBlanks(h.get(Invoice::InvType));
    return std::any_of(types.begin(), types.end(), [&](const char* t) { return type == t; });
}

bool AuditTrailOn() {
    return TrimBlanks(Shell().companies.CurrentCompany.get(Company::RequireAuditTrail)) == "Y";
}

void Tell(const QString& text, const QString& caption) {
    MessageBox(text, caption, MsgIcon::Information);
}

bool Confirmed(const QString& text, const QString& caption) {
    return MessageBox(text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
}

// Reads the record highlighted in the manager's list into InvoiceBuf; its Ref, 0 when there
// is no list or nothing could be read.
int32_t ReadHighlighted(InvoiceManagerView& view) {
    TFvcBrowser* browser = view.browser();
    return browser ? ReadHighlightedInvoice(*browser) : 0;
}

QString Money(std::string_view stored) {
    const auto value = AmountOf(stored);
    return value ? QString::fromStdString(value->format(",0.00")) : FromCp1252(TrimBlanks(stored));
}

// The date as the company's order shows it, from the stored year, month and day; the date as
// typed when those do not make a date.
QString ShownDate(const InvoiceRec& h) {
    const auto date = ParseSortableDate(TrimBlanks(h.get(Invoice::InvYear)) + "/" +
                                        TrimBlanks(h.get(Invoice::InvMonth)) + "/" +
                                        TrimBlanks(h.get(Invoice::InvDay)));
    if (!date) return FromCp1252(h.get(Invoice::InvDate));
    return QString::fromStdString(Shell().companies.dateFormat().format(*date));
}

// The grid rows and the per-row arrays from the lines on file, with each line's own cost.
void LoadLines(TProdInv& dlg, const std::vector<StoredLine>& lines) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const StoredLine& line : lines)
        rows.emplace_back(line.record.get(InvoiceLine::LineProductCode),
                          line.record.get(InvoiceLine::LineText));
    dlg.LoadStoredRows(rows);
    for (std::size_t i = 0; i < lines.size() && i < static_cast<std::size_t>(EntryGridRows); ++i)
        dlg.ProdInvLineCosts[i + 1] = TrimBlanks(lines[i].record.get(InvoiceLine::LineUnitCost));
}

void LoadMemo(TProdInv& dlg, const InvoiceRec& h) {
    dlg.CurCost->setText(Money(dlg.ProdInvLineCosts[1]));
    InvoiceMemoRec memo;
    const int32_t ref = InvoiceMemoRefOf(h.get(Invoice::InvNumber));
    if (ref == 0 || !InvoiceMemoData().ReadRec(ref, memo.bytes())) {
        dlg.LoadStoredMemo({});
        MessageBox("Error reading memo data.", ProgramCaption());
        return;
    }
    dlg.LoadStoredMemo(InvoiceMemoLines(memo));
}

// The dialog in edit mode holding the invoice on file.
void FillForEdit(TProdInv& dlg, const InvoiceUnderEdit& old, const CustomerRec& customer) {
    const ShellContext& shell = Shell();
    const InvoiceRec& h = old.header;
    const bool memo = TrimBlanks(h.get(Invoice::InvKind)) == Invoice::KindMemo;
    dlg.ProdInvMode = 1;
    dlg.setWindowTitle("Edit Invoice");
    dlg.Button1->setVisible(true);
    dlg.ResetInvoiceGrid();
    dlg.InvoiceMemoMode() = memo ? 1 : 0;
    dlg.Memo1->clear();
    dlg.MemoPDesc->clear();
    dlg.MemoQuan->setText("1");

    // The customer first: showing it proposes the customer's terms and ship-to lines, which
    // the invoice's own then replace.
    dlg.ShowCustomer(customer);
    dlg.INum->setText(FromCp1252(h.get(Invoice::InvNumber)));
    dlg.ProdInvOldNumber = UpperAscii(TrimBlanks(h.get(Invoice::InvNumber)));
    dlg.IDate->SetEditMask(QString::fromStdString(shell.companies.dateFormat().DateEditMask()));
    dlg.IDate->SetText(ShownDate(h));
    dlg.INVNOTES->setText(FromCp1252(h.get(Invoice::InvNotes)));
    dlg.ITerms->setEditText(FromCp1252(h.get(Invoice::InvTerms)));
    dlg.IStmntNote->setText(FromCp1252(h.get(Invoice::InvStatementNote)));
    dlg.KeyCode->setText(FromCp1252(h.get(Invoice::InvKeyCode)));
    if (POShipWin)
        POShipWin->SetLines({h.get(Invoice::InvShipTo1), h.get(Invoice::InvShipTo2),
                             h.get(Invoice::InvShipTo3), h.get(Invoice::InvShipTo4)});
    dlg.ProdInvOldTotal = StripCommas(h.get(Invoice::InvTotal));
    dlg.IPaid->setText(FromCp1252(h.get(Invoice::InvPaid)));
    dlg.INet->setText(FromCp1252(h.get(Invoice::InvNet)));
    dlg.ITax->setText(FromCp1252(h.get(Invoice::InvTax)));
    dlg.ITotal->setText(Money(h.get(Invoice::InvTotal)));
    dlg.BalDue->setText(Money(h.get(Invoice::InvDue)));

    LoadLines(dlg, old.lines);
    if (memo) LoadMemo(dlg, h);
}

}  // namespace

bool DeleteInvoice(InvoiceManagerView& view) {
    const int32_t ref = ReadHighlighted(view);
    if (ref == 0) return false;
    const InvoiceRec h = Invoicing().InvoiceBuf;
    if (AuditTrailOn()) {
        Tell("The audit trail feature is turned on. Unable to delete record.", "Audit Trail");
        return false;
    }
    if (IsType(h, {Invoice::TypePartlyPaid, Invoice::TypePartialRecord})) {
        Tell(
            "This record is associated with a partial payment (type X or Z). Unable to delete "
            "this item.",
            "Partial Payment Item");
        return false;
    }
    if (!AmountOf(h.get(Invoice::InvPaid)).value_or(Decimal::FromScaled(1)).isZero())
        Tell(
            "This record has payment activity. If you delete this record the payment data will "
            "also be removed.",
            "Please Note");
    if (IsType(h, {Invoice::TypeDeposit}) &&
        !Confirmed("You are about to delete a payment you posted as a Deposit on Account. Are you "
                   "sure?",
                   "Please Confirm"))
        return false;
    if (!Confirmed("Are you sure you want to delete this record?",
                   "Delete Invoice#: " + FromCp1252(h.get(Invoice::InvNumber))))
        return false;

    const DeletionPlan plan = PlanInvoiceDeletion(ref, h);
    if (!plan.deletion) {
        MessageBox(plan.refusal, plan.caption, MsgIcon::Information);
        return false;
    }
    WriteInvoiceDeletion(*plan.deletion, view);
    return true;
}

bool ModifyInvoice(InvoiceManagerView& view) {
    if (!ProdInv) throw std::logic_error("The invoice entry dialog has not been created.");
    TProdInv& dlg = *ProdInv;
    dlg.InvoiceMemoMode() = 0;
    InvoiceUnderEdit old;
    old.ref = ReadHighlighted(view);
    if (old.ref == 0) return false;
    old.header = Invoicing().InvoiceBuf;
    const InvoiceRec& h = old.header;

    if (AuditTrailOn()) {
        Tell("The audit trail feature is turned on. Unable to modify record.", "Audit Trail");
        return false;
    }
    if (IsType(h, {Invoice::TypePartlyPaid, Invoice::TypePartialRecord})) {
        Tell("This record is part of a partial-payment record and may not be edited.",
             "Partial Payments");
        return false;
    }
    const auto paid = AmountOf(h.get(Invoice::InvPaid));
    const auto total = AmountOf(h.get(Invoice::InvTotal));
    if (paid && *paid > Decimal() && paid != total &&
        TrimBlanks(h.get(Invoice::InvPaidFlag)) == "P") {
        Tell(
            "This record has been paid. You may not edit this record. You can use the "
            "Invoice-View menu option to look at this invoice.",
            "Paid Item");
        return false;
    }
    if (IsType(h, {Invoice::TypeDeposit})) {
        Tell("This record is a deposit. You may not edit this record, however, you can delete it.",
             "Deposit on Account");
        return false;
    }
    if (IsType(h, {Invoice::TypeDepositTaken})) {
        Tell(
            "This record is a deposit which has been previously offset (taken). Unable to edit "
            "this record.",
            "Deposit Taken");
        return false;
    }
    if (IsDamagedInvoice(h)) {
        // Its amounts cannot be taken back from the customer; deleting it can, in part.
        Tell("This record is damaged (an amount is blank or not a number) and cannot be "
             "edited. You can delete it and enter the invoice again.",
             "Edit Invoice");
        return false;
    }
    if (TrimBlanks(h.get(Invoice::InvPrinted)) == "Y" &&
        !Confirmed("This invoice has been printed. Are you sure you want to edit this record?",
                   "Printed Invoice"))
        return false;

    // What the dialog cannot show whole is refused before it opens.
    CustomerChange customer;
    try {
        customer = InvoiceCustomerOrRefuse(h.get(Invoice::InvCustomerNumber));
        old.lines = InvoiceLinesOf(h.get(Invoice::InvNumber));
        if (const QString beyond = LinesBeyondGrid(old.lines); !beyond.isEmpty())
            throw PlanRefusal{beyond};
    } catch (const PlanRefusal& refused) {
        Tell(refused.text, refused.caption.isEmpty() ? QString("Edit Invoice") : refused.caption);
        return false;
    }
    Masters().CustomerBuf = customer.record;

    const ScopeExit addModeAgain([&dlg] { dlg.ProdInvMode = 0; });
    FillForEdit(dlg, old, customer.record);

    std::optional<InvoiceChange> change;
    const bool ok = ShowEntryDialog(dlg, [&]() -> std::optional<PlanRefusal> {
        ChangePlan plan = PlanInvoiceChange(old, dlg.Entry());
        if (!plan.change) return PlanRefusal{plan.refusal, plan.caption};
        change = std::move(plan.change);
        return std::nullopt;
    });
    if (!ok || !change) return false;
    dlg.ProdInvMode = 0;
    WriteInvoiceChange(*change, view);
    return true;
}
