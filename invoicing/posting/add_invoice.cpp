#include "invoicing/posting/add_invoice.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "engine/browse/browser.h"
#include "engine/decimal.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/entry/ship_to_window.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/main_window.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

// The dialog in add mode, cleared for a new invoice.
void PrepareForNewInvoice(TProdInv& dlg) {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    dlg.ProdInvMode = 0;
    dlg.ProdInvOldNumber = "0";
    dlg.ProdInvOldTotal = "0.00";
    dlg.ProdInvOldQuantities.fill("0");
    dlg.InvoiceMemoMode() = 0;

    for (QLabel* l : {dlg.Acur, dlg.A30, dlg.A60, dlg.A90}) l->clear();
    dlg.Button1->setEnabled(false);
    Invoicing().InvoiceBuf.clear();

    dlg.setWindowTitle("Add Invoice - Company: " + CompanyCaption(company));
    dlg.ResetInvoiceGrid();

    dlg.IDate->SetEditMask(QString::fromStdString(shell.companies.dateFormat().DateEditMask()));
    dlg.IDate->SetText(FromCp1252(shell.main.LastInvoiceDate));

    dlg.INVNOTES->clear();
    dlg.IStmntNote->clear();
    dlg.ICredLimit->clear();
    dlg.CBal->clear();
    dlg.MemoPDesc->clear();
    if (POShipWin) POShipWin->ClearLines();
    dlg.KeyCode->setText("None");
    dlg.IPaid->setText("0.00");
    dlg.MemoQuan->setText("1");

    const bool lineItems = TrimBlanks(company.get(Company::NewInvoiceType)) == "P";
    Invoicing().InvoiceBuf.set(Invoice::InvKind,
                               lineItems ? Invoice::KindLineItems : Invoice::KindMemo);
    dlg.InvoiceMemoMode() = lineItems ? 0 : 1;
    dlg.Memo1->clear();
}

}  // namespace

bool ShowEntryDialog(TLineEntry& dlg, const std::function<std::optional<PlanRefusal>()>& accept) {
    dlg.OnAccept = [&accept] {
        const std::optional<PlanRefusal> refused = accept();
        if (refused && !refused->text.isEmpty())
            MessageBox(refused->text, refused->caption, MsgIcon::Information);
        return !refused;
    };
    const ScopeExit forget([&dlg] { dlg.OnAccept = nullptr; });
    return dlg.ShowModal() == Modal::Ok;
}

void PositionManagerList(InvoiceManagerView& view, int32_t ref) {
    TFvcBrowser* browser = view.browser();
    if (!browser) return;
    const int keyNr = BrowserKeyNumber(*browser);
    if (keyNr >= 1 && keyNr <= InvoiceKeyCount)
        BrowserGotoKey(*browser, BuildInvoiceKey(Invoicing().InvoiceBuf, keyNr), ref);
}

void ShowRecordCount(InvoiceManagerView& view) {
    TFvcBrowser* browser = view.browser();
    if (!browser) return;
    const int keyNr = BrowserKeyNumber(*browser);
    if (keyNr >= 1 && keyNr <= InvoiceKeyCount)
        view.SetStatusText(
            0, QString("Records: %1").arg(IndexKeyCount(Invoicing().InvoiceFile, keyNr)));
}

void ShowListAsOnFile(InvoiceManagerView& view) {
    if (TFvcBrowser* browser = view.browser()) BrowserRedraw(*browser);
    ShowRecordCount(view);
}

void ShowCompanyOnManager(InvoiceManagerView& view) {
    const CompanyRec& current = Shell().companies.CurrentCompany;
    view.SetCompanyCaption(CompanyCaption(current));
    view.SetReceivablesLabel(
        QString::fromStdString(Decimal::ParseBlankAsZero(current.get(Company::ReceivablesTotal))
                                   .value_or(Decimal())
                                   .format(",0.00")));
}

PostingFilesHeld::PostingFilesHeld() : company_(Shell().folder) {
    for (const DataFile* file : {&CustomerData(), &ProductData()}) {
        FileSetHandle& handle = file->handle();
        if (handle != 0 && IsFileSetOpen(handle)) continue;
        OpenFileSet(handle, file->OpenName(), false, false, false, true);
        if (EngineOK)
            opened_.push_back(file);
        else
            handle = 0;
    }
    ClearEngineStatus();
}

PostingFilesHeld::~PostingFilesHeld() {
    for (const DataFile* file : opened_) file->Close();
}

bool AddInvoice(InvoiceManagerView& view) {
    if (!ProdInv) throw std::logic_error("The invoice entry dialog has not been created.");
    TProdInv& dlg = *ProdInv;
    ShellContext& shell = Shell();
    const bool external = shell.main.ExternalTransMode != 0;
    const PostingFilesHeld postingFiles;
    PrepareForNewInvoice(dlg);

    // The posting is computed when OK is pressed: what cannot be posted keeps the dialog
    // open with everything typed.
    std::optional<InvoicePosting> posting;
    const bool ok = ShowEntryDialog(dlg, [&]() -> std::optional<PlanRefusal> {
        PostingPlan plan = PlanInvoicePosting(dlg.Entry(), external);
        if (!plan.posting) return PlanRefusal{plan.refusal, plan.caption};
        if (plan.posting->labelRow && !AddCustomerToPrintQueue)
            return PlanRefusal{
                "The print queue is not available, so the customer cannot be put into it as the "
                "company settings ask.",
                "Print Queue"};
        posting = std::move(plan.posting);
        return std::nullopt;
    });
    if (!ok || !posting) return false;

    shell.main.LastInvoiceDate = ToCp1252(dlg.IDate->Text());
    WriteInvoicePosting(*posting, view, external);
    return true;
}

void WriteInvoicePosting(const InvoicePosting& posting, InvoiceManagerView& view, bool external) {
    ShellContext& shell = Shell();
    InvoicingState& inv = Invoicing();
    if (external) {
        if (!MainForm) throw std::logic_error("An external transaction needs the main window.");
        MainForm->CPMemoClear();
        for (const std::string& line : posting.answerLines)
            MainForm->CPMemoAppend(FromCp1252(line));
    }

    PostAsOneUnit([&] {
        inv.InvoiceBuf = posting.header;
        int32_t ref = 0;
        if (!AddInvoiceRecord(ref)) RaiseError("Add operation failed");
        PositionManagerList(view, ref);
        ShowRecordCount(view);

        for (const InvoiceLineRec& line : posting.lines) {
            inv.InvoiceLineBuf = line;
            int32_t lineRef = 0;
            // The header's total counts the line: without it the invoice is not whole.
            if (!AddInvoiceLineRecord(lineRef)) RaiseError("detail add failed.");
        }

        WriteStock(posting.stock);
        WriteCustomer({posting.customerRef, posting.customer});
        if (posting.labelRow) AddCustomerToPrintQueue(*posting.labelRow);

        WriteCompany([&posting](CompanyRec& c) {
            bool fits = c.set(Company::ReceivablesTotal, posting.receivablesTotal);
            fits = c.set(Company::LastInvoiceNumber, posting.lastInvoiceNumber) && fits;
            if (posting.nextInvoiceNumber)
                fits = c.set(Company::NextInvoiceNumber, *posting.nextInvoiceNumber) && fits;
            return fits;
        });

        if (posting.memo) {
            inv.InvoiceMemoBuf = *posting.memo;
            int32_t memoRef = 0;
            if (!AddInvoiceMemoRecord(memoRef)) RaiseError("memo add operation failed");
        }
    }, [&view] { ShowListAsOnFile(view); });

    ShowCompanyOnManager(view);

    if (external && !MainForm->CPMemoSaveToFile(
                        QString::fromStdString(shell.folder.file(AnswerFileName).string())))
        MessageBox(
            WithWriteReason(QString("The answer file %1 could not be written.")
                                .arg(FromCp1252(AnswerFileName))),
            "External Transaction", MsgIcon::Warning);

    view.SetStatusText(1, "Added invoice " + FromCp1252(TrimBlanks(posting.number)) +
                              " containing " + QString::number(posting.lines.size()) +
                              " line item(s).");

    if (posting.print) {
        ProcessPendingMessages();
        view.PrintInvoice(posting.number);
    }
}
