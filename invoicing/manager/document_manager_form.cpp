#include "invoicing/manager/document_manager_form.h"

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

#include "engine/browse/browser.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_page.h"
#include "platform/cp1252.h"
#include "platform/font_setting.h"
#include "platform/status_window.h"
#include "platform/window_print.h"
#include "shell/app_context.h"
#include "shell/document_list.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

std::string ListColumn(std::string_view text, int width) {
    return PadRightWith(text, ' ', width);
}

std::string ListAmount(std::string_view stored) {
    return RightJustify(FormatAmount(stored), ' ', 12);
}

std::string ListRow(std::initializer_list<std::string> columns) {
    std::string row;
    for (const std::string& c : columns) {
        if (!row.empty()) row += ' ';
        row += c;
    }
    return PadRightWith(row, ' ', DocumentListWidth).substr(0, DocumentListWidth);
}

std::string UnreadableListRow(std::string_view key) {
    return "****  " + std::string(key);
}

QString ManagerCompanyCaption() {
    return CompanyCaption(Shell().companies.CurrentCompany);
}

void CloseRebuildStatus() {
    if (StatForm && StatForm->isVisible()) StatForm->hide();
}

DocumentManagerForm::DocumentManagerForm(const char* objectName, const QString& caption,
                                         const std::string& header,
                                         std::span<const ListOrder> orders, QWidget* parent)
    : Form(parent), orders_(orders) {
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(900, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    layout->setMenuBar(MainMenu1);

    auto* tools = new QWidget(this);
    tools->setObjectName("Panel1");
    toolRow_ = new QHBoxLayout(tools);
    toolRow_->setContentsMargins(4, 2, 4, 2);
    toolRow_->addSpacing(12);
    CFilter = new QLabel("Filter Closed", tools);
    CFilter->setObjectName("CFilter");
    toolRow_->addWidget(CFilter);
    toolRow_->addStretch();
    layout->addWidget(tools);

    auto* company = new QWidget(this);
    company->setObjectName("Panel2");
    companyRow_ = new QHBoxLayout(company);
    companyRow_->setContentsMargins(6, 2, 6, 2);
    CName = new QLabel(company);
    CName->setObjectName("CName");
    companyRow_->addWidget(CName);
    companyRow_->addStretch();
    layout->addWidget(company);

    InvBrowser1 = new TFvcBrowser(this);
    InvBrowser1->setObjectName("InvBrowser1");
    InvBrowser1->setContextMenuPolicy(Qt::CustomContextMenu);
    SetHeader(*InvBrowser1, FromCp1252(header));
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

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    connect(InvBrowser1, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& at) { PopupMenu1->popup(InvBrowser1->mapToGlobal(at)); }));
}

DocumentManagerForm::~DocumentManagerForm() = default;

QToolButton* DocumentManagerForm::NewTool(const char* name, const char* hint) {
    auto* b = new QToolButton(toolRow_->parentWidget());
    b->setObjectName(name);
    b->setText(hint);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    toolRow_->insertWidget(toolCount_++, b);
    return b;
}

QAction* DocumentManagerForm::NewItem(QMenu* menu, const char* name, const char* text) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    menu->addAction(a);
    return a;
}

void DocumentManagerForm::BuildDisplayMenu(QMenu* display) {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (std::size_t i = 0; i < orders_.size() && i < OrderItems.size(); ++i) {
        auto* a = new QAction(orders_[i].caption, group);
        a->setObjectName(orders_[i].objectName);
        a->setCheckable(true);
        display->addAction(a);
        connect(a, &QAction::triggered, this,
                Guarded([this, i] { SortOrderClick(static_cast<int>(i)); }));
        OrderItems[i] = a;
    }
    display->addSeparator();
    PrintWindow1 =
        AddItem(display, "PrintWindow1", "Print &Window", &DocumentManagerForm::PrintWindow1Click);
}

void DocumentManagerForm::SetStatusText(int panel, const QString& text) {
    if (auto* label = StatusBar1->findChild<QLabel*>(QString("Panel%1").arg(panel)))
        label->setText(text);
}

QString DocumentManagerForm::StatusText(int panel) const {
    const auto* label = StatusBar1->findChild<QLabel*>(QString("Panel%1").arg(panel));
    return label ? label->text() : QString();
}

void DocumentManagerForm::ApplyCompanyFont(QWidget& widget, const Company::Font& field) {
    const FontSpec chosen = CompanyFont(Shell().companies.CurrentCompany, field);
    widget.setFont(ToQFont(chosen));
    QPalette pal = widget.palette();
    const int32_t c = chosen.color;  // 0x00BBGGRR
    pal.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    widget.setPalette(pal);
}

void DocumentManagerForm::ApplyListFont() {
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
}

int DocumentManagerForm::ShowRememberedOrder(int defaultKeyNr, int keyCount) {
    uint32_t& remembered = ListKeyNumber();
    if (remembered < 1 || remembered > static_cast<uint32_t>(keyCount))
        remembered = static_cast<uint32_t>(defaultKeyNr);
    const int keyNr = static_cast<int>(remembered);
    CheckOrderItem(keyNr);
    BrowserSetKeyNumber(*InvBrowser1, keyNr);
    return keyNr;
}

void DocumentManagerForm::ShowRecordCount() {
    SetStatusText(
        0, QString("Records: %1").arg(IndexKeyCount(ListFile(), BrowserKeyNumber(*InvBrowser1))));
}

QString DocumentManagerForm::OpenFailureText() {
    return WithSystemReason(QString("Unable to open databases: %1").arg(EngineErrorCode));
}

void DocumentManagerForm::OpenFailed(const QString& text) {
    MessageBox(text, windowTitle(), MsgIcon::Error);
    SetModalResult(Modal::Cancel);
}

int32_t DocumentManagerForm::ReadHighlighted() {
    return ReadHighlightedRow(*InvBrowser1, ListBuffer());
}

void DocumentManagerForm::CheckOrderItem(int keyNr) {
    for (std::size_t i = 0; i < orders_.size() && i < OrderItems.size(); ++i)
        if (orders_[i].keyNr == keyNr && OrderItems[i]) OrderItems[i]->setChecked(true);
}

void DocumentManagerForm::ShowFilter(bool on, const QString& filtering) {
    SetFilterEnabled(*InvBrowser1, on);
    QPalette filterPal = CFilter->palette();
    filterPal.setColor(QPalette::WindowText, on ? Qt::red : Qt::black);
    CFilter->setPalette(filterPal);
    CFilter->setText(on ? filtering : QString("Filter Closed"));
    // The window's colour says at a glance that not every document is listed.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(on ? QPalette::Dark : QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
}

void DocumentManagerForm::ToggleFilter(const std::function<std::string()>& party,
                                       const QString& filteringPrefix) {
    const int32_t ref = ReadHighlighted();
    if (ref == 0) return;
    const std::string number = party();
    const bool on = !InvBrowser1->FilterEnabled();
    ShowFilter(on, filteringPrefix + FromCp1252(number));
    SetStatusText(1, on ? "Click filter button again to clear filter." : "Filter closed.");
    // The list stays on the document it was on.
    BrowserGotoKey(*InvBrowser1, ListKey(BrowserKeyNumber(*InvBrowser1)), ref);
}

void DocumentManagerForm::SortOrderClick(int index) {
    if (index < 0 || index >= static_cast<int>(orders_.size())) return;
    const int keyNr = orders_[static_cast<std::size_t>(index)].keyNr;
    OrderItems[static_cast<std::size_t>(index)]->setChecked(true);
    ListKeyNumber() = static_cast<uint32_t>(keyNr);
    // The list stays on the highlighted document; with none, on the one last read.
    const int32_t ref = ReadHighlighted();
    BrowserSetKeyNumber(*InvBrowser1, keyNr);
    BrowserGotoKey(*InvBrowser1, ListKey(keyNr), ref);
}

void DocumentManagerForm::PrintWindow1Click() {
    PrintWindowImage(*this);
}

void DocumentManagerForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        DeleteCommand();
        return;
    }
    Form::keyPressEvent(event);
}

void DocumentManagerForm::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    if (event->spontaneous()) return;
    CloseRebuildStatus();
    CloseFiles();
}
