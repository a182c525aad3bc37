#include "purchasing/manager/po_manager_window.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "engine/browse/browser.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "purchasing/manager/po_manager.h"
#include "purchasing/po_browse.h"
#include "purchasing/po_change.h"
#include "purchasing/po_document.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/po_files.h"
#include "shell/app_context.h"
#include "shell/text.h"

TPOList1* POList1 = nullptr;

namespace {

const char* const HelpKeyword = "POManager";

}  // namespace

TPOList1::TPOList1(QWidget* parent)
    : DocumentManagerForm("POList1", "Purchase Order Manager", POListHeader(), POOrders(), parent) {
    InvBrowser1->OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
        row.BRLRowEltString =
            row.Status != 0 ? UnreadableListRow(row.Key) : POListRow(ListRecordOf<PORec>(record));
    };
    InvBrowser1->OnPerformFilter = [](RR&, std::span<const uint8_t> record) {
        return POFilterAdmits(ListRecordOf<PORec>(record), PODocument().POVendorFilter);
    };
    BuildToolBar();
    BuildMenus();
    BindHelpKey(*this, HelpKeyword);
    connect(InvBrowser1, &TFvcBrowser::rowDoubleClicked, this,
            Guarded(this, &TPOList1::InvPrintClick));
    connect(InvBrowser1, &TFvcBrowser::enterPressed, this, Guarded(this, &TPOList1::InvPrintClick));

    // Created: the list starts by date; nothing is being output or entered.
    PODocumentState& out = PODocument();
    out.POOutputToPrinter = 0;
    out.POBatchRunning = 0;
    out.POManagerKeyNumber = PODateKey;
    CheckOrderItem(PODateKey);
    if (POEdit1) POEdit1->POEntryMode = 0;
}

TPOList1::~TPOList1() {
    CloseFiles();
}

void TPOList1::BuildToolBar() {
    using W = TPOList1;
    SpeedButton1 = AddTool("SpeedButton1", "Find", &W::SpeedButton1Click);
    AddInvoice = AddTool("AddInvoice", "New", &W::AddInvoiceClick);
    EditInvoice = AddTool("EditInvoice", "Edit", &W::EditInvoiceClick);
    InvDelete = AddTool("InvDelete", "Delete", &W::InvDeleteClick);
    InvPrint = AddTool("InvPrint", "View", &W::InvPrintClick);
    SpeedButton2 = AddTool("SpeedButton2", "Filter On/Off", &W::SpeedButton2Click);
    ToPrinterButn = AddTool("ToPrinterButn", "Print", &W::ToPrinterButnClick);
    BatchPrinButn = AddTool("BatchPrinButn", "Batch Print", &W::BatchPrinButnClick);
    SpeedButton3 = AddTool("SpeedButton3", "Close", &W::SpeedButton3Click);
    SpeedButton4 = AddTool("SpeedButton4", "Help", &W::SpeedButton4Click);
}

void TPOList1::BuildMenus() {
    using W = TPOList1;
    QMenu* po = MainMenu1->addMenu("&PO");
    po->setObjectName("PO1");
    Add1 = AddItem(po, "Add1", "&New", &W::AddInvoiceClick);
    Edit1 = AddItem(po, "Edit1", "&Edit", &W::EditInvoiceClick);
    Delete1 = AddItem(po, "Delete1", "&Delete", &W::InvDeleteClick);
    po->addSeparator();
    Search1 = AddItem(po, "Search1", "&Find", &W::SpeedButton1Click);
    PreViewSaveAs1 = AddItem(po, "PreViewSaveAs1", "&View", &W::InvPrintClick);
    po->addSeparator();
    Print1 = AddItem(po, "Print1", "&Print", &W::ToPrinterButnClick);
    BatchPrint1 = AddItem(po, "BatchPrint1", "&Batch Print", &W::BatchPrinButnClick);
    PrinterSetup1 = AddItem(po, "PrinterSetup1", "Printer &Setup", &W::PrinterSetup1Click);
    po->addSeparator();
    Close1 = AddItem(po, "Close1", "&Close", &W::SpeedButton3Click);

    QMenu* display = MainMenu1->addMenu("&Display");
    display->setObjectName("Display1");
    BuildDisplayMenu(display);

    QMenu* help = MainMenu1->addMenu("&Help");
    help->setObjectName("Help1");
    CreatingInvoices1 = AddItem(help, "CreatingInvoices1", "&Overview", &W::SpeedButton4Click);

    Add2 = AddItem(PopupMenu1, "Add2", "&New", &W::AddInvoiceClick);
    Edit2 = AddItem(PopupMenu1, "Edit2", "&Edit", &W::EditInvoiceClick);
    Delete2 = AddItem(PopupMenu1, "Delete2", "&Delete", &W::InvDeleteClick);
    PopupMenu1->addSeparator();
    Search2 = AddItem(PopupMenu1, "Search2", "&Find", &W::SpeedButton1Click);
    View2 = AddItem(PopupMenu1, "View2", "&View", &W::InvPrintClick);
    CustomerData2 = new QAction("C&ustomer Data", this);
    CustomerData2->setObjectName("CustomerData2");
    PopupMenu1->addAction(CustomerData2);
    Print2 = AddItem(PopupMenu1, "Print2", "&Print", &W::ToPrinterButnClick);
    PopupMenu1->addSeparator();
    Close2 = AddItem(PopupMenu1, "Close2", "&Close", &W::SpeedButton3Click);
}

void TPOList1::SetStatusText(int panel, const QString& text) {
    DocumentManagerForm::SetStatusText(panel, text);
}

void TPOList1::SetCompanyCaption(const QString& text) {
    CName->setText(text);
}

void TPOList1::FormShow() {
    ApplyCompanyFont(*CName, Company::EditorFont);
    CName->setText(ManagerCompanyCaption());
    SetStatusText(1, MenuPrompt);

    if (!OpenPODatabases()) {
        const QString text = OpenFailureText();
        ClosePODatabases();
        OpenFailed(text);
        return;
    }
    filesOpen_ = true;
    if (!SetupPOBrowser(*InvBrowser1, sharedMode_)) Beep();
    ShowFilter(false);
    const int keyNr = ShowRememberedOrder(PODateKey, POKeyCount);

    // The list opens on the company's last order; only that order, found exactly.
    PurchasingState& po = Purchasing();
    PORec probe;
    int32_t ref = 0;
    if (probe.set(PurchaseOrder::PONumber,
                  TrimBlanks(Shell().companies.CurrentCompany.get(Company::LastPONumber))))
        ref = POData().Find(PONumberKey, BuildPOKey(probe, PONumberKey), po.POBuf.bytes());
    ApplyListFont();
    if (ref != 0) BrowserGotoKey(*InvBrowser1, BuildPOKey(po.POBuf, keyNr), ref);
    ShowRecordCount();
    InvBrowser1->setFocus();
}

FileSetHandle TPOList1::ListFile() const {
    return Purchasing().POFile;
}

std::span<uint8_t> TPOList1::ListBuffer() {
    return Purchasing().POBuf.bytes();
}

std::string TPOList1::ListKey(int keyNr) {
    return BuildPOKey(Purchasing().POBuf, keyNr);
}

uint32_t& TPOList1::ListKeyNumber() {
    return PODocument().POManagerKeyNumber;
}

void TPOList1::CloseFiles() {
    if (InvBrowser1) {
        const browse::EngineStatusKeeper keep;
        InitBrowserModel(*InvBrowser1, 0, PODateKey, 0);
    }
    if (filesOpen_) ClosePODatabases();
    filesOpen_ = false;
}

void TPOList1::AddInvoiceClick() {
    AddPO(*this);
}

void TPOList1::EditInvoiceClick() {
    EditPO(*this);
}

void TPOList1::InvDeleteClick() {
    DeletePO(*this);
}

void TPOList1::SpeedButton1Click() {
    FindPO(*InvBrowser1);
}

void TPOList1::InvPrintClick() {
    if (ReadHighlighted() == 0) return;
    ViewPO(TrimBlanks(Purchasing().POBuf.get(PurchaseOrder::PONumber)));
}

void TPOList1::ToPrinterButnClick() {
    if (ReadHighlighted() == 0) return;
    PrintPO();
}

void TPOList1::PrintPO() {
    PrintPOCommand(*this, TrimBlanks(Purchasing().POBuf.get(PurchaseOrder::PONumber)));
}

void TPOList1::BatchPrinButnClick() {
    BatchPrintPOs(*this);
}

void TPOList1::SpeedButton2Click() {
    ToggleFilter(
        [] {
            std::string& vendor = PODocument().POVendorFilter;
            vendor = TrimBlanks(Purchasing().POBuf.get(PurchaseOrder::POVendorNumber));
            return vendor;
        },
        "Filtering Vendor#: ");
}

void TPOList1::PrinterSetup1Click() {
    PrinterSetup();
}

void TPOList1::SpeedButton4Click() {
    ShowHelp(HelpKeyword);
}

void TPOList1::SpeedButton3Click() {
    SetModalResult(Modal::Cancel);
}

POManagerWindows::POManagerWindows()
    : manager_(POList1), command_(CommandId::PurchaseOrderManager, [] { POList1->ShowModal(); }) {}

POManagerWindows::~POManagerWindows() = default;
