#include "shell/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/engine.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/company/company_list.h"
#include "shell/company/company_settings.h"
#include "shell/small_files.h"
#include "shell/company/terms_form.h"
#include "shell/text.h"
#include "shell/window_flags.h"

TMainForm* MainForm = nullptr;

namespace {

struct IconLook {
    QColor colour;
    const char* glyph;
};

IconLook LookOf(CommandId id) {
    switch (id) {
        case CommandId::CompanyManager:
            return {QColor(0x45, 0x5a, 0x64), "Co"};
        case CommandId::CustomerManager:
            return {QColor(0x19, 0x76, 0xd2), "Cu"};
        case CommandId::InvoiceManager:
            return {QColor(0x00, 0x89, 0x7b), "In"};
        case CommandId::PaymentWizard:
            return {QColor(0x38, 0x8e, 0x3c), "$"};
        case CommandId::VendorManager:
            return {QColor(0x6a, 0x1b, 0x9a), "Ve"};
        case CommandId::ProductManager:
            return {QColor(0xef, 0x6c, 0x00), "Pr"};
        case CommandId::PurchaseOrderManager:
            return {QColor(0xc6, 0x28, 0x28), "PO"};
        case CommandId::ReceivingWizard:
            return {QColor(0x8d, 0x6e, 0x63), "Rc"};
        case CommandId::ReportWizard:
            return {QColor(0x30, 0x3f, 0x9f), "Rp"};
        case CommandId::MailingLabels:
            return {QColor(0xad, 0x14, 0x57), "Lb"};
        case CommandId::FormLetters:
            return {QColor(0x00, 0x83, 0x8f), "Lt"};
        default:
            return {QColor(0x60, 0x7d, 0x8b), "?"};
    }
}

// Tool-bar icons are drawn rather than loaded: the program carries no image files.
QIcon CommandIcon(CommandId id) {
    const IconLook look = LookOf(id);
    QIcon icon;
    for (const int size : {24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.colour);
        painter.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
        QFont font("Liberation Sans");
        font.setBold(true);
        font.setPixelSize(size * 2 / 5);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, look.glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString ToolText(const CommandInfo& info) {
    return info.toolText ? QString(info.toolText) : QString(info.caption).remove('&');
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainForm");
    setWindowTitle(ProgramCaption());
    SharedFlags.LabelQueueChanged = false;
    SharedFlags.InvoiceFilterOnShow = false;

    CoSetForm = new TCoSetForm(this);
    CompList = new TCompList(*CoSetForm, this);
    TermsForm = new TTermsForm(this);

    BuildCommands();
    BuildBody();
    BuildStatusBar();
    RegisterOwnCommands();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(); }));
    Timer1->start();
    Timer1Timer();

    resize(900, 600);
    MainForm = this;
}

TMainForm::~TMainForm() {
    RemoveCommandListener(listenerToken_);
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildCommands() {
    ToolBar1 = addToolBar("Tool Bar");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    std::map<CommandMenu, QMenu*> menus;
    for (const CommandInfo& info : CommandTable()) {
        QMenu*& menu = menus[info.menu];
        if (!menu) menu = menuBar()->addMenu(CommandMenuCaption(info.menu));
        if (info.separatorBefore && !menu->isEmpty()) menu->addSeparator();

        auto* action = new QAction(info.caption, this);
        action->setObjectName(info.objectName);
        action->setStatusTip(info.statusTip);
        action->setIconText(ToolText(info));
        if (info.shortcut) action->setShortcut(QKeySequence(info.shortcut));
        action->setEnabled(IsCommandRegistered(info.id));
        const CommandId id = info.id;
        connect(action, &QAction::triggered, this, Guarded([id] { RunRegisteredCommand(id); }));
        menu->addAction(action);
        if (info.toolText) {
            action->setIcon(CommandIcon(id));
            ToolBar1->addAction(action);
        }
        actions_[id] = action;
    }
    listenerToken_ = AddCommandListener([this](CommandId id, bool registered) {
        if (QAction* action = CommandAction(id)) action->setEnabled(registered);
    });
}

void TMainForm::BuildBody() {
    auto* body = new QWidget(this);
    body->setObjectName("Body");
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(24, 18, 24, 12);

    CompanyName = new QLabel(body);
    CompanyName->setObjectName("CompanyName");
    QFont big = CompanyName->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    CompanyName->setFont(big);
    CompanyDetail = new QLabel(body);
    CompanyDetail->setObjectName("CompanyDetail");
    layout->addWidget(CompanyName);
    layout->addWidget(CompanyDetail);
    layout->addSpacing(16);

    auto* middle = new QHBoxLayout;
    auto* grid = new QGridLayout;
    grid->setSpacing(12);
    // The big buttons stand in two rows.
    const auto buttons = std::count_if(CommandTable().begin(), CommandTable().end(),
                                       [](const CommandInfo& info) { return info.toolText; });
    const int columns = static_cast<int>((buttons + 1) / 2);
    int n = 0;
    for (const CommandInfo& info : CommandTable()) {
        if (!info.toolText) continue;
        auto* button = new QToolButton(body);
        button->setObjectName(QString(info.objectName) + "Btn");
        button->setDefaultAction(actions_.at(info.id));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(48, 48));
        button->setMinimumSize(120, 96);
        button->setAutoRaise(false);
        grid->addWidget(button, n / columns, n % columns);
        ++n;
    }
    middle->addLayout(grid);
    middle->addStretch();

    OutputGroup = new QGroupBox("Default Printed Output", body);
    OutputGroup->setObjectName("OutputGroup");
    auto* output = new QVBoxLayout(OutputGroup);
    PrinDef = new QRadioButton("Pri&nter or Fax", OutputGroup);
    PrinDef->setObjectName("PrinDef");
    PrinDef->setChecked(true);
    EMdef = new QRadioButton("&E-Mail", OutputGroup);
    EMdef->setObjectName("EMdef");
    output->addWidget(PrinDef);
    output->addWidget(EMdef);
    auto* side = new QVBoxLayout;
    side->addWidget(OutputGroup);
    side->addStretch();
    middle->addLayout(side);
    layout->addLayout(middle);
    layout->addStretch();

    // The answer of an external transaction is collected here and saved; nobody reads it on
    // screen.
    CPMemo = new QPlainTextEdit(body);
    CPMemo->setObjectName("CPMemo");
    CPMemo->setVisible(false);
    layout->addWidget(CPMemo);
    setCentralWidget(body);
}

void TMainForm::BuildStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setContentsMargins(6, 0, 6, 0);
        panels_.push_back(panel);
    }
    panels_[0]->setMinimumWidth(260);
    StatusBar1->addWidget(panels_[0]);
    StatusBar1->addWidget(panels_[1], 1);
    StatusBar1->addPermanentWidget(panels_[2]);
}

void TMainForm::RegisterOwnCommands() {
    const auto own = [this](CommandId id, CommandHandler handler) {
        ownCommands_.push_back(std::make_unique<CommandRegistration>(id, std::move(handler)));
    };
    own(CommandId::CompanyManager, [this] { CompanyManagerClick(); });
    own(CommandId::CompanySettings, [this] { CompanySettingsClick(); });
    own(CommandId::PrinterSetup, [this] { PrinSet1.Execute(); });
    own(CommandId::Exit, [this] { close(); });
    own(CommandId::PaymentTerms, [this] { TermsForm->ShowModal(); });
    own(CommandId::Calculator, [] { RunCalculator(); });
    own(CommandId::HelpContents, [] { ShowHelp("index"); });
    own(CommandId::About, [this] { AboutClick(); });
}

QAction* TMainForm::CommandAction(CommandId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool TMainForm::StartUp() {
    ShellContext& shell = Shell();
    // After a crash of the machine: one question for every file to rebuild, the company file
    // and the files of the company the last run worked on, before anything is read.
    const OneRebuildQuestion once;
    const auto last = ReadLastCompany(shell.folder);
    RebuildUntrustedCompanySets(last ? &*last : nullptr);
    std::optional<CompanyRec> company;
    if (last) company = FindCompany(shell.folder, last->get(Company::CompanyNumber));
    if (!company) {
        const auto companies = ReadCompanies(CompanyOrder::ByNumber);
        if (!companies) {
            // The program ends here: the user must not be left guessing why.
            MessageBox("The program cannot go on without the company file and will end now.",
                       ProgramCaption(), MsgIcon::Warning);
            return false;
        }
        if (!companies->empty()) company = companies->front();
    }
    if (!company) {
        // A first start on an empty folder: the program needs a company to work on.
        CoSetForm->PrepareNew("1");
        if (CoSetForm->ShowModal() != Modal::Ok) return false;
        company = CoSetForm->Saved();
    }
    ChooseCompany(*company);
    ShowCurrentCompany();
    return true;
}

void TMainForm::ShowCurrentCompany() {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString name = FromCp1252(TrimBlanks(company.get(Company::Name)));
    setWindowTitle(name.isEmpty() ? ProgramCaption() : ProgramCaption() + " - " + name);
    CompanyName->setText(name);
    QStringList detail{
        QString("Company %1").arg(FromCp1252(TrimBlanks(company.get(Company::CompanyNumber))))};
    for (const auto& line : Company::Address) {
        const std::string text = TrimBlanks(company.get(line));
        if (!text.empty()) detail << FromCp1252(text);
    }
    CompanyDetail->setText(detail.join("  \u00b7  "));
    SetStatusText(0, CompanyStatusText(company));
    Timer1Timer();
}

void TMainForm::SetStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < static_cast<int>(panels_.size())) panels_[panel]->setText(text);
}

QString TMainForm::StatusText(int panel) const {
    if (panel < 0 || panel >= static_cast<int>(panels_.size())) return {};
    return panels_[panel]->text();
}

void TMainForm::Timer1Timer() {
    const std::string today = Shell().companies.dateFormat().format(Shell().clock.today());
    SetStatusText(2, QString("%1  %2").arg(QString::fromStdString(today),
                                           QTime::currentTime().toString("HH:mm")));
}

void TMainForm::CPMemoClear() {
    CPMemo->clear();
}

void TMainForm::CPMemoAppend(const QString& line) {
    CPMemo->appendPlainText(line);
}

bool TMainForm::CPMemoSaveToFile(const QString& path) const {
    std::string content;
    // An empty memo still has one empty block; it is no line.
    if (!CPMemo->document()->isEmpty()) {
        for (QTextBlock b = CPMemo->document()->begin(); b.isValid(); b = b.next())
            content += ToCp1252(b.text()) + "\r\n";
    }
    return ReplaceFile(path.toStdString(), content);
}

void TMainForm::CompanyManagerClick() {
    CompList->ShowModal();
    ShowCurrentCompany();
}

void TMainForm::CompanySettingsClick() {
    if (!CoSetForm->PrepareEdit(Shell().companies.fileStem())) return;
    CoSetForm->ShowModal();
    ShowCurrentCompany();
}

void TMainForm::AboutClick() {
    const QString text =
        QString(
            "%1\nBookkeeping for a small trading business: customers, vendors, products, "
            "invoices, purchase orders and reports.\n\nData folder: %2")
            .arg(ProgramCaption(), QString::fromStdString(Shell().folder.path().string()));
    MessageBox(text, "About " + ProgramCaption(), MsgIcon::Information);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (SharedFlags.LabelQueueChanged &&
        MessageBox(LabelQueueQuestion, "Please Confirm", MsgIcon::Question, MsgButtons::YesNo) !=
            MsgResult::Yes) {
        event->ignore();
        return;
    }
    Timer1->stop();
    EngineStop();
    event->accept();
    emit Closed();
}
