#include "purchasing/add_po.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <stdexcept>

#include "engine/browse/browser.h"
#include "invoicing/entry/ship_to_window.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/posting_steps.h"
#include "masters/masters_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "shell/app_context.h"
#include "shell/text.h"
#include "shell/posting_unit.h"

std::function<void(const VendorLabelRow& row)> AddVendorToPrintQueue;

namespace {

// The dialog in add mode, cleared for a new order with the dates of the last one.
void PrepareForNewPO(TPOEdit1& dlg) {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    PurchasingState& po = Purchasing();
    dlg.POEntryMode = 0;
    dlg.POEditedNumber = "0";
    po.POMemoMode = 0;
    po.POBuf.clear();

    dlg.setWindowTitle("Add PO - Company: " + CompanyCaption(company));
    dlg.ClearGrid();

    const QString mask = QString::fromStdString(shell.companies.dateFormat().DateEditMask());
    const std::array<std::pair<MaskEdit*, const std::string*>, 3> dates{
        {{dlg.IDate, &shell.main.LastPODate},
         {dlg.MEDateReq, &shell.main.LastPODateRequired},
         {dlg.ARecDate, &shell.main.LastPOReceiptDate}}};
    for (const auto& [field, text] : dates) {
        field->SetEditMask(mask);
        field->SetText(FromCp1252(*text));
    }

    dlg.INVNOTES->clear();
    dlg.ICustName->clear();
    dlg.Sname->clear();
    dlg.ICustNo->clear();
    dlg.MemoPDesc->clear();
    dlg.KeyCode->setText("None");
    dlg.MemoQuan->setText("1");
    dlg.Sig1->setText(FromCp1252(company.get(Company::POSignature[0])));
    dlg.Sig2->setText(FromCp1252(company.get(Company::POSignature[1])));
    if (POShipWin)
        POShipWin->SetLines({company.get(Company::POShipTo[0]), company.get(Company::POShipTo[1]),
                             company.get(Company::POShipTo[2]), company.get(Company::POShipTo[3])});

    const bool lineItems =
        TrimBlanks(company.get(Company::NewPOType)) == PurchaseOrder::TypeLineItems;
    po.POBuf.set(PurchaseOrder::POType,
                 lineItems ? PurchaseOrder::TypeLineItems : PurchaseOrder::TypeMemo);
    po.POMemoMode = lineItems ? 0 : 1;
    dlg.RowOldQuantity.fill("0");
    dlg.Memo1->clear();
}

// Highlights record ref (whose record POBuf holds) in the manager's list, in its order, and
// shows the number of entries of that order.
void ShowNewPOInList(POManagerView& view, int32_t ref) {
    TFvcBrowser* browser = view.browser();
    if (!browser) return;
    const int keyNr = BrowserKeyNumber(*browser);
    if (keyNr < 1 || keyNr > POKeyCount) return;
    BrowserGotoKey(*browser, BuildPOKey(Purchasing().POBuf, keyNr), ref);
    view.SetStatusText(0, QString("Records: %1").arg(IndexKeyCount(Purchasing().POFile, keyNr)));
}

}  // namespace

bool AddPO(POManagerView& view) {
    if (!POEdit1) throw std::logic_error("The purchase-order entry dialog has not been created.");
    TPOEdit1& dlg = *POEdit1;
    ShellContext& shell = Shell();
    PrepareForNewPO(dlg);

    // The posting is computed when OK is pressed: what cannot be posted keeps the dialog
    // open with everything typed.
    std::optional<POPosting> posting;
    const bool ok = ShowEntryDialog(dlg, [&]() -> std::optional<PlanRefusal> {
        POPostingPlan plan = PlanPOPosting(dlg.Entry());
        if (!plan.posting) return PlanRefusal{plan.refusal, plan.caption};
        if (plan.posting->labelRow && !AddVendorToPrintQueue)
            return PlanRefusal{
                "The print queue is not available, so the vendor cannot be put into it as the "
                "company settings ask.",
                "Print Queue"};
        posting = std::move(plan.posting);
        return std::nullopt;
    });
    if (!ok || !posting) return false;

    // The next order is proposed the dates typed for this one.
    shell.main.LastPODate = ToCp1252(dlg.IDate->Text());
    shell.main.LastPODateRequired = ToCp1252(dlg.MEDateReq->Text());
    shell.main.LastPOReceiptDate = ToCp1252(dlg.ARecDate->Text());
    WritePOPosting(*posting, view);
    return true;
}

namespace {

void POPostingSteps(const POPosting& posting, POManagerView& view) {
    PurchasingState& po = Purchasing();
    po.POMemoMode = posting.memoOrder ? 1 : 0;

    po.POBuf = posting.header;
    int32_t ref = 0;
    if (!AddPORecord(ref)) RaiseError("Add operation failed");
    ShowNewPOInList(view, ref);

    for (const POLineRec& line : posting.lines) {
        po.POLineBuf = line;
        int32_t lineRef = 0;
        // The order's total counts the line: without it the order is not whole.
        if (!AddPOLineRecord(lineRef)) RaiseError("PO detail add failed.");
    }

    WriteStock(posting.stock);
    Masters().VendorBuf = posting.vendor;
    if (posting.labelRow) AddVendorToPrintQueue(*posting.labelRow);

    WriteCompany([&posting](CompanyRec& c) {
        bool fits = c.set(Company::LastPONumber, posting.lastPONumber);
        if (posting.nextPONumber)
            fits = c.set(Company::NextPONumber, *posting.nextPONumber) && fits;
        return fits;
    });

    if (posting.memo) {
        po.POMemoBuf = *posting.memo;
        int32_t memoRef = 0;
        if (!AddPOMemoRecord(memoRef)) RaiseError("memo add operation failed");
    }

    view.SetCompanyCaption(CompanyCaption(Shell().companies.CurrentCompany));
    view.SetStatusText(1, "Added PO " + FromCp1252(TrimBlanks(posting.number)) + " containing " +
                              QString::number(posting.lines.size()) + " line item(s).");
}

}  // namespace

void ShowPOListAsOnFile(POManagerView& view) {
    TFvcBrowser* browser = view.browser();
    if (!browser) return;
    BrowserRedraw(*browser);
    const int keyNr = BrowserKeyNumber(*browser);
    view.SetStatusText(0, QString("Records: %1").arg(IndexKeyCount(Purchasing().POFile, keyNr)));
}

void WritePOPosting(const POPosting& posting, POManagerView& view) {
    PostAsOneUnit([&] { POPostingSteps(posting, view); }, [&view] { ShowPOListAsOnFile(view); });
    if (posting.print) {
        ProcessPendingMessages();
        view.PrintPO();
    }
}
