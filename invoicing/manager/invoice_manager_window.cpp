#include "invoicing/manager/invoice_manager_window.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "engine/browse/browser.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/customer_data_view.h"
#include "invoicing/manager/invoice_browse.h"
#include "invoicing/manager/invoice_manager.h"
#include "invoicing/posting/invoice_change.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_manager.h"
#include "masters/masters_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "shell/app_context.h"
#include "shell/text.h"
#include "shell/window_flags.h"

TInvEdit1* InvEdit1 = nullptr;

namespace {

const char* const HelpKeyword = "InvoiceManager";

}  // namespace

TInvEdit1::TInvEdit1(QWidget* parent)
    : DocumentManagerForm("InvEdit1", "Invoice Manager", InvoiceListHeader(), InvoiceOrders(),
                          parent) {
    InvBrowser1->OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
        row.BRLRowEltString = row.Status != 0 ? UnreadableListRow(row.Key)
                                              : InvoiceListRow(ListRecordOf<InvoiceRec>(record));
    };
    InvBrowser1->OnPerformFilter = [](RR&, std::span<const uint8_t> record) {
        return InvoiceFilterAdmits(ListRecordOf<InvoiceRec>(record),
                                   InvoiceOutput().InvoiceFilterCustomer);
    };
    BuildToolBar();
    ARLabel = new QLabel("A/R:", CName->parentWidget());
    ARLabel->setObjectName("ARLabel");
    ARBal = new QLabel(CName->parentWidget());
    ARBal->setObjectName("ARBal");
    companyRow()->addWidget(ARLabel);
    companyRow()->addWidget(ARBal);

    BuildMenus();
    BindHelpKey(*this, HelpKeyword);

    connect(InvBrowser1, &TFvcBrowser::rowDoubleClicked, this,
            Guarded(this, &TInvEdit1::InvBrowser1DblClick));
    connect(InvBrowser1, &TFvcBrowser::enterPressed, this,
            Guarded(this, &TInvEdit1::InvBrowser1DblClick));

    // Created: the list starts by date; nothing is being output.
    InvoiceOutputState& out = InvoiceOutput();
    out.InvoiceOutputToPrinter = 0;
    out.InvoiceBatchRunning = 0;
    out.InvoiceKeyNumber = InvoiceDateKey;
    CheckOrderItem(InvoiceDateKey);
}

TInvEdit1::~TInvEdit1() {
    CloseFiles();
}

void TInvEdit1::BuildToolBar() {
    using W = TInvEdit1;
    AddInvoice = AddTool("AddInvoice", "New", &W::AddInvoiceClick);
    EditInvoice = AddTool("EditInvoice", "Edit", &W::EditInvoiceClick);
    InvDelete = AddTool("InvDelete", "Delete", &W::InvDeleteClick);
    SpeedButton1 = AddTool("SpeedButton1", "Find", &W::SpeedButton1Click);
    InvPrint = AddTool("InvPrint", "View", &W::InvPrintClick);
    CustDataButn = AddTool("CustDataButn", "Customer Data", &W::InvBrowser1DblClick);
    ToPrinterButn = AddTool("ToPrinterButn", "Print", &W::ToPrinterButnClick);
    BatchPrinButn = AddTool("BatchPrinButn", "Batch Print", &W::BatchPrinButnClick);
    SpeedButton2 = AddTool("SpeedButton2", "Filter On/Off", &W::SpeedButton2Click);
    SpeedButton4 = AddTool("SpeedButton4", "Help", &W::SpeedButton4Click);
    SpeedButton3 = AddTool("SpeedButton3", "Close", &W::SpeedButton3Click);
}

void TInvEdit1::BuildMenus() {
    using W = TInvEdit1;
    const auto action = [this](QMenu* menu, const char* name, const char* text,
                               void (W::*handler)()) { return AddItem(menu, name, text, handler); };
    QMenu* invoice = MainMenu1->addMenu("&Invoice");
    invoice->setObjectName("Invoice1");
    Add1 = action(invoice, "Add1", "&New", &TInvEdit1::AddInvoiceClick);
    Edit1 = action(invoice, "Edit1", "&Edit", &TInvEdit1::EditInvoiceClick);
    Delete1 = action(invoice, "Delete1", "&Delete", &TInvEdit1::InvDeleteClick);
    invoice->addSeparator();
    Search1 = action(invoice, "Search1", "&Find", &TInvEdit1::SpeedButton1Click);
    PreViewSaveAs1 = action(invoice, "PreViewSaveAs1", "&View", &TInvEdit1::InvPrintClick);
    CustomerData1 =
        action(invoice, "CustomerData1", "C&ustomer Data", &TInvEdit1::InvBrowser1DblClick);
    invoice->addSeparator();
    Print1 = action(invoice, "Print1", "&Print", &TInvEdit1::ToPrinterButnClick);
    BatchPrint1 = action(invoice, "BatchPrint1", "&Batch Print", &TInvEdit1::BatchPrinButnClick);
    PrinterSetup1 =
        action(invoice, "PrinterSetup1", "Printer &Setup", &TInvEdit1::PrinterSetup1Click);
    invoice->addSeparator();
    Close1 = action(invoice, "Close1", "&Close", &TInvEdit1::SpeedButton3Click);

    QMenu* display = MainMenu1->addMenu("&Display");
    display->setObjectName("Display1");
    BuildDisplayMenu(display);

    QMenu* help = MainMenu1->addMenu("&Help");
    help->setObjectName("Help1");
    CreatingInvoices1 =
        action(help, "CreatingInvoices1", "&Overview", &TInvEdit1::SpeedButton4Click);

    Add2 = action(PopupMenu1, "Add2", "&New", &TInvEdit1::AddInvoiceClick);
    Edit2 = action(PopupMenu1, "Edit2", "&Edit", &TInvEdit1::EditInvoiceClick);
    Delete2 = action(PopupMenu1, "Delete2", "&Delete", &TInvEdit1::InvDeleteClick);
    PopupMenu1->addSeparator();
    Search2 = action(PopupMenu1, "Search2", "&Find", &TInvEdit1::SpeedButton1Click);
    View2 = action(PopupMenu1, "View2", "&View", &TInvEdit1::InvPrintClick);
    CustomerData2 =
        action(PopupMenu1, "CustomerData2", "C&ustomer Data", &TInvEdit1::InvBrowser1DblClick);
    Print2 = action(PopupMenu1, "Print2", "&Print", &TInvEdit1::ToPrinterButnClick);
    PopupMenu1->addSeparator();
    Close2 = action(PopupMenu1, "Close2", "&Close", &TInvEdit1::SpeedButton3Click);
}

void TInvEdit1::SetStatusText(int panel, const QString& text) {
    DocumentManagerForm::SetStatusText(panel, text);
}

void TInvEdit1::SetCompanyCaption(const QString& text) {
    CName->setText(text);
}

void TInvEdit1::SetReceivablesLabel(const QString& text) {
    ARBal->setText(text);
}

void TInvEdit1::FormShow() {
    for (QLabel* l : {CName, ARLabel, ARBal}) ApplyCompanyFont(*l, Company::EditorFont);
    ShowCompanyOnManager(*this);
    SetStatusText(1, MenuPrompt);

    if (!OpenInvoiceDatabases()) {
        const QString text = OpenFailureText();
        CloseInvoiceDatabases();
        OpenFailed(text);
        return;
    }
    filesOpen_ = true;
    postingFiles_.emplace();
    if (!SetupInvoiceBrowser(*InvBrowser1, sharedMode_)) Beep();
    ShowCustomerFilter(false);
    const int keyNr = ShowRememberedOrder(InvoiceDateKey, InvoiceKeyCount);

    // The list opens on the company's last invoice; only that invoice, found exactly.
    InvoicingState& inv = Invoicing();
    InvoiceRec probe;
    int32_t ref = 0;
    if (probe.set(Invoice::InvNumber,
                  TrimBlanks(Shell().companies.CurrentCompany.get(Company::LastInvoiceNumber))))
        ref = InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                                 inv.InvoiceBuf.bytes());
    ApplyListFont();
    if (ref != 0) BrowserGotoKey(*InvBrowser1, BuildInvoiceKey(inv.InvoiceBuf, keyNr), ref);
    ShowRecordCount();

    if (SharedFlags.InvoiceFilterOnShow) {
        ShowCustomerFilter(true);
        SetStatusText(1, "Click filter button again to clear filter.");
        SharedFlags.InvoiceFilterOnShow = false;
    }
    InvBrowser1->setFocus();
}

FileSetHandle TInvEdit1::ListFile() const {
    return Invoicing().InvoiceFile;
}

std::span<uint8_t> TInvEdit1::ListBuffer() {
    return Invoicing().InvoiceBuf.bytes();
}

std::string TInvEdit1::ListKey(int keyNr) {
    return BuildInvoiceKey(Invoicing().InvoiceBuf, keyNr);
}

uint32_t& TInvEdit1::ListKeyNumber() {
    return InvoiceOutput().InvoiceKeyNumber;
}

void TInvEdit1::CloseFiles() {
    if (InvBrowser1) {
        const browse::EngineStatusKeeper keep;
        InitBrowserModel(*InvBrowser1, 0, InvoiceDateKey, 0);
    }
    postingFiles_.reset();
    if (filesOpen_) CloseInvoiceDatabases();
    filesOpen_ = false;
}

void TInvEdit1::ShowCustomerFilter(bool on) {
    ShowFilter(on, "Filtering Customer#: " + FromCp1252(InvoiceOutput().InvoiceFilterCustomer));
}

void TInvEdit1::AddInvoiceClick() {
    ::AddInvoice(*this);
}

void TInvEdit1::EditInvoiceClick() {
    ModifyInvoice(*this);
}

void TInvEdit1::InvDeleteClick() {
    DeleteInvoice(*this);
}

void TInvEdit1::SpeedButton1Click() {
    FindInvoice(*InvBrowser1);
}

void TInvEdit1::InvPrintClick() {
    if (ReadHighlighted() == 0) return;
    ViewInvoice(TrimBlanks(Invoicing().InvoiceBuf.get(Invoice::InvNumber)));
}

void TInvEdit1::ToPrinterButnClick() {
    if (ReadHighlighted() == 0) return;
    PrintInvoice(TrimBlanks(Invoicing().InvoiceBuf.get(Invoice::InvNumber)));
}

void TInvEdit1::PrintInvoice(const std::string& number) {
    PrintInvoiceCommand(*this, number);
}

void TInvEdit1::BatchPrinButnClick() {
    BatchPrintInvoices(*this);
}

void TInvEdit1::SpeedButton2Click() {
    ToggleFilter(
        [] {
            std::string& customer = InvoiceOutput().InvoiceFilterCustomer;
            customer = TrimBlanks(Invoicing().InvoiceBuf.get(Invoice::InvCustomerNumber));
            return customer;
        },
        "Filtering Customer#: ");
}

void TInvEdit1::InvBrowser1DblClick() {
    if (ReadHighlighted() == 0 || !QView) return;
    const InvoiceRec& rec = Invoicing().InvoiceBuf;
    std::optional<CustomerRec> customer;
    if (const auto found = FindCustomerByNumber(TrimBlanks(rec.get(Invoice::InvCustomerNumber)))) {
        customer = found->record;
        Masters().CustomerBuf = found->record;
    }
    QView->Fill(CustomerDataOf(rec, customer, Shell().companies.CurrentCompany));
    QView->ShowModal();
}

void TInvEdit1::PrinterSetup1Click() {
    PrinterSetup();
}

void TInvEdit1::SpeedButton4Click() {
    ShowHelp(HelpKeyword);
}

void TInvEdit1::SpeedButton3Click() {
    SetModalResult(Modal::Cancel);
}

InvoiceManagerWindows::InvoiceManagerWindows()
    : view_(QView),
      manager_(InvEdit1),
      command_(CommandId::InvoiceManager, [] { InvEdit1->ShowModal(); }) {
    InvoiceManagerStatusText = [](int panel, const QString& text) {
        if (InvEdit1) InvEdit1->SetStatusText(panel, text);
    };
}

InvoiceManagerWindows::~InvoiceManagerWindows() {
    InvoiceManagerStatusText = nullptr;
}
