#include "invoicing/manager/invoice_manager_window.h"

#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/browse/browser.h"
#include "invoicing/documents/document_page.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/invoice_browse.h"
#include "invoicing/posting/invoice_change.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/manager/invoice_manager.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/manager/customer_data_view.h"
#include "masters/master_manager.h"
#include "masters/masters_state.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "platform/window_print.h"
#include "shell/app_context.h"
#include "shell/text.h"
#include "shell/window_flags.h"

TInvEdit1* InvEdit1 = nullptr;

namespace {

const char* const HelpKeyword = "InvoiceManager";
const char* const FilterOnPrompt = "Click filter button again to clear filter.";

InvoiceRec RecordOf(std::span<const uint8_t> bytes) {
    InvoiceRec rec;
    std::copy_n(bytes.begin(), std::min(bytes.size(), rec.bytes().size()), rec.bytes().begin());
    return rec;
}

int OrderIndexOfKey(uint32_t keyNr) {
    const auto orders = InvoiceOrders();
    for (std::size_t i = 0; i < orders.size(); ++i)
        if (static_cast<uint32_t>(orders[i].keyNr) == keyNr) return static_cast<int>(i);
    return -1;
}

// A font the company chose, with its colour.
void ApplyCompanyFont(QWidget& widget, const Company::Font& field) {
    const FontSpec chosen = CompanyFont(Shell().companies.CurrentCompany, field);
    widget.setFont(ToQFont(chosen));
    QPalette pal = widget.palette();
    const int32_t c = chosen.color;  // 0x00BBGGRR
    pal.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    widget.setPalette(pal);
}

}  // namespace

TInvEdit1::TInvEdit1(QWidget* parent) : Form(parent) {
    setObjectName("InvEdit1");
    setWindowTitle("Invoice Manager");
    resize(900, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    layout->setMenuBar(MainMenu1);
    layout->addWidget(BuildToolBar());
    layout->addWidget(BuildCompanyPanel());

    InvBrowser1 = new TFvcBrowser(this);
    InvBrowser1->setObjectName("InvBrowser1");
    InvBrowser1->setContextMenuPolicy(Qt::CustomContextMenu);
    SetHeader(*InvBrowser1, FromCp1252(InvoiceListHeader()));
    InvBrowser1->OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
        row.BRLRowEltString =
            row.Status != 0 ? UnreadableInvoiceRow(row.Key) : InvoiceListRow(RecordOf(record));
    };
    InvBrowser1->OnPerformFilter = [](RR&, std::span<const uint8_t> record) {
        return InvoiceFilterAdmits(RecordOf(record), InvoiceOutput().InvoiceFilterCustomer);
    };
    layout->addWidget(InvBrowser1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    for (int k = 0; k < 2; ++k) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QString("Panel%1").arg(k));
        if (k == 0)
            panel->setFixedWidth(110);
        else
            panel->setMinimumWidth(350);
        StatusBar1->addWidget(panel, k);
    }
    layout->addWidget(StatusBar1);

    BuildMenus();
    BindHelpKey(*this, HelpKeyword);

    connect(InvBrowser1, &TFvcBrowser::rowDoubleClicked, this, &TInvEdit1::InvBrowser1DblClick);
    connect(InvBrowser1, &TFvcBrowser::enterPressed, this, &TInvEdit1::InvBrowser1DblClick);
    connect(InvBrowser1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(InvBrowser1->mapToGlobal(at)); });

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

QWidget* TInvEdit1::BuildToolBar() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel1");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 2);
    const auto button = [this, panel, row](const char* name, const char* hint,
                                           void (TInvEdit1::*handler)()) {
        auto* b = new QToolButton(panel);
        b->setObjectName(name);
        b->setText(hint);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        row->addWidget(b);
        connect(b, &QToolButton::clicked, this, handler);
        return b;
    };
    AddInvoice = button("AddInvoice", "New", &TInvEdit1::AddInvoiceClick);
    EditInvoice = button("EditInvoice", "Edit", &TInvEdit1::EditInvoiceClick);
    InvDelete = button("InvDelete", "Delete", &TInvEdit1::InvDeleteClick);
    SpeedButton1 = button("SpeedButton1", "Find", &TInvEdit1::SpeedButton1Click);
    InvPrint = button("InvPrint", "View", &TInvEdit1::InvPrintClick);
    CustDataButn = button("CustDataButn", "Customer Data", &TInvEdit1::InvBrowser1DblClick);
    ToPrinterButn = button("ToPrinterButn", "Print", &TInvEdit1::ToPrinterButnClick);
    BatchPrinButn = button("BatchPrinButn", "Batch Print", &TInvEdit1::BatchPrinButnClick);
    SpeedButton2 = button("SpeedButton2", "Filter On/Off", &TInvEdit1::SpeedButton2Click);
    SpeedButton4 = button("SpeedButton4", "Help", &TInvEdit1::SpeedButton4Click);
    SpeedButton3 = button("SpeedButton3", "Close", &TInvEdit1::SpeedButton3Click);
    row->addSpacing(12);
    CFilter = new QLabel("Filter Closed", panel);
    CFilter->setObjectName("CFilter");
    row->addWidget(CFilter);
    row->addStretch();
    return panel;
}

QWidget* TInvEdit1::BuildCompanyPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel2");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 2, 6, 2);
    CName = new QLabel(panel);
    CName->setObjectName("CName");
    ARLabel = new QLabel("A/R:", panel);
    ARLabel->setObjectName("ARLabel");
    ARBal = new QLabel(panel);
    ARBal->setObjectName("ARBal");
    row->addWidget(CName);
    row->addStretch();
    row->addWidget(ARLabel);
    row->addWidget(ARBal);
    return panel;
}

void TInvEdit1::BuildMenus() {
    const auto action = [this](QMenu* menu, const char* name, const char* text,
                               void (TInvEdit1::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        menu->addAction(a);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
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
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const auto orders = InvoiceOrders();
    for (std::size_t i = 0; i < orders.size(); ++i) {
        auto* a = new QAction(orders[i].caption, group);
        a->setObjectName(orders[i].objectName);
        a->setCheckable(true);
        display->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { SortOrderClick(static_cast<int>(i)); });
        OrderItems[i] = a;
    }
    display->addSeparator();
    PrintWindow1 = action(display, "PrintWindow1", "Print &Window", &TInvEdit1::PrintWindow1Click);

    QMenu* help = MainMenu1->addMenu("&Help");
    help->setObjectName("Help1");
    CreatingInvoices1 =
        action(help, "CreatingInvoices1", "&Overview", &TInvEdit1::SpeedButton4Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
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
    if (auto* label = StatusBar1->findChild<QLabel*>(QString("Panel%1").arg(panel)))
        label->setText(text);
}

QString TInvEdit1::StatusText(int panel) const {
    const auto* label = StatusBar1->findChild<QLabel*>(QString("Panel%1").arg(panel));
    return label ? label->text() : QString();
}

void TInvEdit1::SetCompanyCaption(const QString& text) {
    CName->setText(text);
}

void TInvEdit1::SetReceivablesLabel(const QString& text) {
    ARBal->setText(text);
}

void TInvEdit1::FormShow() {
    InvoiceOutputState& out = InvoiceOutput();
    for (QLabel* l : {CName, ARLabel, ARBal}) ApplyCompanyFont(*l, Company::EditorFont);
    ShowCompanyOnManager(*this);
    SetStatusText(1, MenuPrompt);

    if (!OpenInvoiceDatabases()) {
        const int32_t code = EngineErrorCode;
        CloseInvoiceDatabases();
        MessageBox(QString("Unable to open databases: %1").arg(code), "Invoice Manager",
                   MsgIcon::Error);
        SetModalResult(Modal::Cancel);
        return;
    }
    filesOpen_ = true;
    if (!SetupInvoiceBrowser(*InvBrowser1, sharedMode_)) Beep();

    SetFilterEnabled(*InvBrowser1, false);
    ShowFilter(false);

    if (out.InvoiceKeyNumber < 1 || out.InvoiceKeyNumber > InvoiceKeyCount)
        out.InvoiceKeyNumber = InvoiceDateKey;
    const int keyNr = static_cast<int>(out.InvoiceKeyNumber);
    CheckOrderItem(keyNr);
    BrowserSetKeyNumber(*InvBrowser1, keyNr);

    // The list opens on the company's last invoice; only that invoice, found exactly.
    InvoicingState& inv = Invoicing();
    InvoiceRec probe;
    int32_t ref = 0;
    if (probe.set(Invoice::InvNumber,
                  TrimBlanks(Shell().companies.CurrentCompany.get(Company::LastInvoiceNumber))))
        ref = InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                                 inv.InvoiceBuf.bytes());

    // Columns line up only in a fixed-pitch font: the company's font is kept in size, colour
    // and style, and a proportional family gives way to the system's fixed one.
    ApplyCompanyFont(*InvBrowser1, Company::ManagersFont);
    QFont listFont = InvBrowser1->font();
    if (!QFontInfo(listFont).fixedPitch())
        listFont.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    InvBrowser1->setFont(listFont);
    QPalette pal = InvBrowser1->palette();
    pal.setColor(QPalette::Text, pal.color(QPalette::WindowText));
    InvBrowser1->setPalette(pal);

    if (ref != 0) BrowserGotoKey(*InvBrowser1, BuildInvoiceKey(inv.InvoiceBuf, keyNr), ref);
    ShowRecordCount(*this);

    if (SharedFlags.InvoiceFilterOnShow) {
        ShowFilter(true);
        SetStatusText(1, FilterOnPrompt);
        SharedFlags.InvoiceFilterOnShow = false;
    }
    InvBrowser1->setFocus();
}

void TInvEdit1::CloseFiles() {
    if (InvBrowser1) {
        const browse::EngineStatusKeeper keep;
        InitBrowserModel(*InvBrowser1, 0, InvoiceDateKey, 0);
    }
    if (filesOpen_) CloseInvoiceDatabases();
    filesOpen_ = false;
}

void TInvEdit1::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    if (event->spontaneous()) return;
    CloseRebuildStatus();
    CloseFiles();
}

void TInvEdit1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        InvDeleteClick();
        return;
    }
    Form::keyPressEvent(event);
}

int32_t TInvEdit1::ReadHighlighted() {
    return ReadHighlightedInvoice(*InvBrowser1);
}

void TInvEdit1::CheckOrderItem(int keyNr) {
    const int index = OrderIndexOfKey(static_cast<uint32_t>(keyNr));
    if (index >= 0) OrderItems[static_cast<std::size_t>(index)]->setChecked(true);
}

void TInvEdit1::ShowFilter(bool on) {
    SetFilterEnabled(*InvBrowser1, on);
    QPalette filterPal = CFilter->palette();
    filterPal.setColor(QPalette::WindowText, on ? Qt::red : Qt::black);
    CFilter->setPalette(filterPal);
    CFilter->setText(on ? "Filtering Customer#: " +
                              FromCp1252(InvoiceOutput().InvoiceFilterCustomer)
                        : QString("Filter Closed"));
    // The window's colour says at a glance that not every invoice is listed.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(on ? QPalette::Dark : QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
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
    const int32_t ref = ReadHighlighted();
    if (ref == 0) return;
    const InvoiceRec& rec = Invoicing().InvoiceBuf;
    InvoiceOutput().InvoiceFilterCustomer = TrimBlanks(rec.get(Invoice::InvCustomerNumber));
    const bool on = !InvBrowser1->FilterEnabled();
    ShowFilter(on);
    SetStatusText(1, on ? FilterOnPrompt : "Filter closed.");
    // The list stays on the invoice it was on.
    BrowserGotoKey(*InvBrowser1, BuildInvoiceKey(rec, BrowserKeyNumber(*InvBrowser1)), ref);
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

void TInvEdit1::PrintWindow1Click() {
    PrintWindowImage(*this);
}

void TInvEdit1::SpeedButton4Click() {
    ShowHelp(HelpKeyword);
}

void TInvEdit1::SpeedButton3Click() {
    SetModalResult(Modal::Cancel);
}

void TInvEdit1::SortOrderClick(int index) {
    const auto orders = InvoiceOrders();
    if (index < 0 || index >= static_cast<int>(orders.size())) return;
    const int keyNr = orders[static_cast<std::size_t>(index)].keyNr;
    OrderItems[static_cast<std::size_t>(index)]->setChecked(true);
    InvoiceOutput().InvoiceKeyNumber = static_cast<uint32_t>(keyNr);
    // The list stays on the highlighted invoice; with none, on the invoice last read.
    const int32_t ref = ReadHighlighted();
    BrowserSetKeyNumber(*InvBrowser1, keyNr);
    BrowserGotoKey(*InvBrowser1, BuildInvoiceKey(Invoicing().InvoiceBuf, keyNr), ref);
}

InvoiceManagerWindows::InvoiceManagerWindows()
    : batch_(InvBatch),
      view_(QView),
      manager_(InvEdit1),
      command_(CommandId::InvoiceManager, [] { InvEdit1->ShowModal(); }) {
    InvoiceManagerStatusText = [](int panel, const QString& text) {
        if (InvEdit1) InvEdit1->SetStatusText(panel, text);
    };
}

InvoiceManagerWindows::~InvoiceManagerWindows() {
    InvoiceManagerStatusText = nullptr;
}
