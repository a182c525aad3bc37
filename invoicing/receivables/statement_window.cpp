#include "invoicing/receivables/statement_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "engine/decimal.h"
#include "invoicing/documents/batch_print_status.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/receivables/statement.h"
#include "invoicing/records/invoice_files.h"
#include "mail/mail_state.h"
#include "masters/master_files.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "platform/string_grid.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

TStment* Stment = nullptr;
TSelStmnt* SelStmnt = nullptr;
TBatchStWin* BatchStWin = nullptr;

bool LoadStatementActivity() {
    const bool onFile = LoadStatement();
    if (Stment) Stment->ShowLoaded();
    return onFile;
}

namespace {

QPushButton* Button(QWidget* owner, const char* name, const QString& text) {
    auto* button = new QPushButton(text, owner);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* Label(QWidget* owner, const char* name) {
    auto* label = new QLabel(owner);
    label->setObjectName(name);
    return label;
}

QRadioButton* Radio(QWidget* owner, QVBoxLayout* column, const char* name, const QString& text) {
    auto* button = new QRadioButton(text, owner);
    button->setObjectName(name);
    column->addWidget(button);
    return button;
}

QString Q(std::string_view text) {
    return FromCp1252(TrimBlanks(text));
}

}  // namespace

TStment::TStment(QWidget* parent) : Form(parent) {
    setObjectName("Stment");
    setWindowTitle("Customer Statement");
    resize(860, 560);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    Label1 = Label(this, "Label1");
    Label2 = Label(this, "Label2");
    Label3 = Label(this, "Label3");
    Label4 = Label(this, "Label4");
    Label5 = Label(this, "Label5");
    CNoLabel = Label(this, "CNoLabel");
    int r = 0;
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5}) top->addWidget(label, r++, 0);
    top->addWidget(CNoLabel, 0, 1, Qt::AlignRight);
    layout->addLayout(top);

    SGrid = new StringGrid(this);
    SGrid->setObjectName("SGrid");
    SGrid->SetColCount(StatementColumns);
    SGrid->SetRowCount(2);
    SGrid->SetEditable(false);
    for (int c = 0; c < StatementColumns; ++c)
        SGrid->SetColWidth(c, c == 2 ? 220 : c == 6 ? 30 : 100);
    layout->addWidget(SGrid, 1);

    auto* row = new QHBoxLayout;
    UnpaidBox = new QCheckBox("&Show Unpaid Records Only", this);
    UnpaidBox->setObjectName("UnpaidBox");
    row->addWidget(UnpaidBox);
    row->addStretch();
    PrinStButn = Button(this, "PrinStButn", "&Print");
    CloseBtn = Button(this, "CloseBtn", "&Close");
    row->addWidget(PrinStButn);
    row->addWidget(CloseBtn);
    layout->addLayout(row);

    CSBar = new QStatusBar(this);
    CSBar->setObjectName("CSBar");
    CSBar->setSizeGripEnabled(false);
    for (const char* name : {"Panel0", "Panel1"}) {
        auto* panel = new QLabel(CSBar);
        panel->setObjectName(name);
        CSBar->addWidget(panel, QString(name) == "Panel1" ? 1 : 0);
    }
    layout->addWidget(CSBar);

    connect(UnpaidBox, &QCheckBox::clicked, this, Guarded(this, &TStment::UnpaidBoxClick));
    connect(PrinStButn, &QPushButton::clicked, this, Guarded(this, &TStment::PrinStButnClick));
    connect(CloseBtn, &QPushButton::clicked, this, Guarded([this] { SetModalResult(2); }));
}

void TStment::SetStatus(int panel, const QString& text) {
    if (auto* label = CSBar->findChild<QLabel*>(QString("Panel%1").arg(panel)))
        label->setText(text);
}

void TStment::ShowLoaded() {
    const StatementData& s = Statements().Loaded;
    Label1->setText(Q(s.name));
    QLabel* lines[] = {Label2, Label3, Label4, Label5};
    for (std::size_t k = 0; k < s.address.size(); ++k) lines[k]->setText(Q(s.address[k]));
    CNoLabel->setText(Q(s.number));
    UnpaidBox->setChecked(Statements().StatementUnpaidOnly != 0);
    // The heading row, one row per record and the totals row.
    SGrid->ClearCells();
    SGrid->SetRowCount(static_cast<int>(s.rows.size()) + 2);
    for (int c = 0; c < StatementColumns; ++c) SGrid->SetCell(c, 0, StatementHeadings[c]);
    int r = 1;
    for (const StatementRow& row : s.rows) {
        for (int c = 0; c < StatementColumns; ++c) SGrid->SetCell(c, r, FromCp1252(row[c]));
        ++r;
    }
    for (int c = 0; c < StatementColumns; ++c) SGrid->SetCell(c, r, FromCp1252(s.totals[c]));
    SetStatus(0, QString("There are %1 records selected.").arg(s.rows.size()));
    SetStatus(1, {});
}

void TStment::UnpaidBoxClick() {
    Statements().StatementUnpaidOnly = UnpaidBox->isChecked() ? 1 : 0;
    LoadStatementActivity();
}

void TStment::PrinStButnClick() {
    if (OutputGoesToPrinter()) {
        try {
            PrintStatement();
        } catch (const CommandCancelled&) {
            SetStatus(1, "Printing cancelled. The statement was not printed.");
            return;
        }
        SetStatus(1, "Statement sent to the printer.");
        return;
    }
    if (!CheckEmailSetup()) return;
    // One statement is one mail session, as a batch is.
    const ScopeExit disconnect([] { Mail().msSMTP1.Disconnect(); });
    SetStatus(1, EmailStatement() ? QString("Statement sent by e-mail.")
                                  : QString("Statement not sent: the customer has no e-mail "
                                            "address."));
}

TSelStmnt::TSelStmnt(QWidget* parent) : Form(parent) {
    setObjectName("SelStmnt");
    setWindowTitle("Statement Selection");
    auto* layout = new QVBoxLayout(this);
    auto* balance = new QGroupBox(" Account Balance Selection: ", this);
    auto* balanceColumn = new QVBoxLayout(balance);
    RBAll = Radio(balance, balanceColumn, "RBAll", "All non-zero balances");
    RBover30 = Radio(balance, balanceColumn, "RBover30", "Over 30");
    RBover60 = Radio(balance, balanceColumn, "RBover60", "Over 60");
    RBover90 = Radio(balance, balanceColumn, "RBover90", "Over 90");
    RBAll->setChecked(true);
    layout->addWidget(balance);
    auto* detail = new QGroupBox(" Statement Detail: ", this);
    auto* detailColumn = new QVBoxLayout(detail);
    RBActAll = Radio(detail, detailColumn, "RBActAll", "All activity (paid and unpaid)");
    RBActUnPd = Radio(detail, detailColumn, "RBActUnPd", "Only Unpaid Transactions");
    RBActUnPd->setChecked(true);
    layout->addWidget(detail);
    auto* row = new QHBoxLayout;
    OKButton = Button(this, "OKButton", "&Ok");
    CanButn = Button(this, "CanButn", "&Cancel");
    Button1 = Button(this, "Button1", "&Help");
    for (QPushButton* b : {OKButton, CanButn, Button1}) row->addWidget(b);
    layout->addLayout(row);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, Guarded([this] { SetModalResult(1); }));
    connect(CanButn, &QPushButton::clicked, this, Guarded([this] { SetModalResult(2); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([] { ShowHelp("GetStatement"); }));
}

TBatchStWin::TBatchStWin(QWidget* parent) : Form(parent) {
    setObjectName("BatchStWin");
    setWindowTitle("Batch Print Statements");
    auto* layout = new QVBoxLayout(this);
    Label2 = Label(this, "Label2");
    Label1 = Label(this, "Label1");
    layout->addWidget(Label2);
    layout->addWidget(Label1);
    auto* count = new QHBoxLayout;
    auto* prompt = new QLabel("Print in &batches of:", this);
    EMBNum = new MaskEdit("9999;1; ", this);
    EMBNum->setObjectName("EMBNum");
    prompt->setBuddy(EMBNum);
    count->addWidget(prompt);
    count->addWidget(EMBNum);
    layout->addLayout(count);
    auto* row = new QHBoxLayout;
    OKButton = Button(this, "OKButton", "&Print");
    CanButn = Button(this, "CanButn", "&Cancel");
    HlpBtn = Button(this, "HlpBtn", "Help");
    HlpBtn->setToolTip("Help");
    for (QPushButton* b : {OKButton, CanButn, HlpBtn}) row->addWidget(b);
    layout->addLayout(row);
    connect(OKButton, &QPushButton::clicked, this, Guarded(this, &TBatchStWin::OKButtonClick));
    connect(CanButn, &QPushButton::clicked, this, Guarded([this] { SetModalResult(2); }));
    connect(HlpBtn, &QPushButton::clicked, this, Guarded([] { ShowHelp("ViewStatement"); }));
}

void TBatchStWin::FormShow() {
    OKButton->setFocus();
}

void TBatchStWin::OKButtonClick() {
    SetModalResult(1);
    if (EMBNum->Text().trimmed().isEmpty())
        Refuse(EMBNum, "You must enter the number of statements to print in this batch.",
               "Number to Batch Print", MsgIcon::Information);
}

std::vector<std::string> SelectStatementCustomers(StatementClass which) {
    std::vector<std::string> numbers;
    const StepFile customers(CustomerData());
    if (!customers.ok()) return numbers;
    const DataFile& file = CustomerData();
    const auto nonZero = [](const CustomerRec& c, fields::Number<CustomerRec> field) {
        const std::string stored = c.get(field);
        const auto value = Decimal::ParseBlankAsZero(StripCommas(stored));
        if (!value)
            RaiseError(QString("Customer %1 holds an amount that is not a number (\"%2\").")
                           .arg(Q(c.get(Customer::Number)), Q(stored)));
        return !value->isZero();
    };
    int32_t ref = 0;
    std::string found;
    bool ok = file.Search(std::string(), ref, CustomerNameKey, &found);
    while (ok) {
        CustomerRec c;
        if (!file.ReadRec(ref, c.bytes()))
            RaiseError(
                QString("The customer file cannot be read (error %1).").arg(EngineErrorCode));
        const auto& a = Customer::Amounts;
        bool take = false;
        switch (which) {
            case StatementClass::AllNonZero:
                take = nonZero(c, Customer::Balance);
                break;
            case StatementClass::Over30:
                take = nonZero(c, a[1]) || nonZero(c, a[2]) || nonZero(c, a[3]);
                break;
            case StatementClass::Over60:
                take = nonZero(c, a[2]) || nonZero(c, a[3]);
                break;
            case StatementClass::Over90:
                take = nonZero(c, a[3]);
                break;
        }
        if (take) numbers.push_back(TrimBlanks(c.get(Customer::Number)));
        ok = file.RetryLocked([&] { NextKey(file.handle(), CustomerNameKey, ref, found); });
    }
    return numbers;
}

int StatementBatchSize(const QString& typed, int count) {
    bool isNumber = false;
    const int size = typed.trimmed().toInt(&isNumber);
    return std::clamp(isNumber ? size : 1, 1, std::max(count, 1));
}

void StmtPrinClick(TDemoForm& manager) {
    CustomerRec customer;
    bool read = false;
    BrowserReadCurrent(*manager.FvcBrowser1, read, customer.bytes());
    if (!read) return;
    StatementState& st = Statements();
    st.StatementCustomerNumber = customer.get(Customer::Number);
    st.StatementUnpaidOnly = 0;
    // Open while the statement window is up: showing unpaid items only loads it again.
    const HeldFiles files{&InvoiceData()};
    LoadStatementActivity();
    if (!st.Loaded.rows.empty() && !TrimBlanks(st.Loaded.rows.front()[0]).empty()) {
        ShowModal(*Stment);
        return;
    }
    MessageBox(NoStatementActivity, NoActivityCaption(customer.get(Customer::Name)),
               MsgIcon::Information);
}

namespace {

void ManagerStatus(const QString& text) {
    if (DemoForm) DemoForm->SetPanelText(1, text);
}

}  // namespace

void BatchStatements() {
    if (StatForm && StatForm->isVisible()) StatForm->hide();
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const auto captionOr = [&](std::size_t k) {
        const QString caption = Q(company.get(Company::AgingCaption[k]));
        return caption.isEmpty() ? Q(company.get(Company::AgingPeriod[k])) : caption;
    };
    SelStmnt->RBover30->setText(captionOr(1));
    SelStmnt->RBover60->setText(captionOr(2));
    SelStmnt->RBover90->setText("Over " + Q(company.get(Company::AgingPeriod[2])));
    if (ShowModal(*SelStmnt) != 1) return;

    StatementClass which = StatementClass::AllNonZero;
    if (SelStmnt->RBover30->isChecked()) which = StatementClass::Over30;
    if (SelStmnt->RBover60->isChecked()) which = StatementClass::Over60;
    if (SelStmnt->RBover90->isChecked()) which = StatementClass::Over90;
    std::vector<std::string> numbers;
    {
        const WaitCursor wait;
        numbers = SelectStatementCustomers(which);
    }
    if (numbers.empty()) {
        MessageBox(
            "There are no customers with a non-zero balance that meet your aging selection. "
            "There are no statements to print.",
            "Batch Print - Statements", MsgIcon::Information);
        return;
    }
    const int count = static_cast<int>(numbers.size());
    StatementState& st = Statements();
    st.StatementUnpaidOnly = SelStmnt->RBActUnPd->isChecked() ? 1 : 0;
    const bool toPrinter = OutputGoesToPrinter();

    BatchStWin->Label2->setText("Last Batch Run: " + Q(company.get(Company::LastStatementRun)));
    BatchStWin->Label1->setText(QString("There are %1 statements to be %2.")
                                    .arg(count)
                                    .arg(toPrinter ? "printed" : "e-mailed"));
    BatchStWin->OKButton->setText(toPrinter ? "&Print" : "&E-Mail");
    BatchStWin->EMBNum->SetText(QString::number(count));
    if (ShowModal(*BatchStWin) != 1) return;
    const int batch = StatementBatchSize(BatchStWin->EMBNum->Text(), count);

    if (!toPrinter && !CheckEmailSetup()) return;
    // The mail session, the mode flag and the progress window go with the run, however it
    // ends.
    const ScopeExit disconnect([toPrinter] {
        if (!toPrinter) Mail().msSMTP1.Disconnect();
    });
    std::optional<WaitCursor> wait(std::in_place);
    Masters().BatchStatementMode = 1;
    const ScopeExit endMode([] { Masters().BatchStatementMode = 0; });
    const ScopeExit hideProgress([] {
        if (StatForm) StatForm->hide();
    });
    // One print job for the run (one PDF file), asked for before the progress window shows.
    // A printer is handed each part at its pause instead, so that its pages come out while
    // the run waits for the user.
    std::optional<PrintBatch> job;
    if (toPrinter) {
        try {
            job.emplace(Printer(), "Statements");
        } catch (const CommandCancelled&) {
            ManagerStatus(BatchPrintStatus(BatchPrintEnd::Cancelled, 0, "statements"));
            return;
        }
    }
    const bool partsToPrinter = toPrinter && !Printer().PrintsToFile();
    int printed = 0;  // statements of the parts already handed to the printer
    int cycle = 0;
    int sent = 0;
    ClearRebuildStatus();
    StatForm->Label2->setText("Working...");
    StatForm->setWindowTitle(toPrinter ? "Printer Mode" : "E-Mail Mode");
    StatForm->show();

    // The files are opened once for the batch, not once a statement.
    const HeldFiles files{&CustomerData(), &InvoiceData()};
    for (int i = 1; i <= count; ++i) {
        st.StatementCustomerNumber = numbers[i - 1];
        LoadStatementActivity();
        if (toPrinter) {
            StatForm->Label1->setText(QString("Printing Statement %1 ...").arg(i));
            PrintStatement();
        } else {
            StatForm->Label1->setText(QString("E-Mailing Statement %1 ...").arg(i));
            if (EmailStatement()) ++sent;
        }
        ProcessPendingMessages();
        ++cycle;
        ManagerStatus(QString("Spooling statement %1 of %2 (batches of %3) ...")
                          .arg(i)
                          .arg(count)
                          .arg(batch));
        ProcessPendingMessages();
        if (cycle >= batch && i < count) {
            StatForm->hide();
            if (partsToPrinter) {
                const bool ended = job->End();
                job.reset();
                if (!ended) {
                    wait.reset();
                    ManagerStatus(BatchPrintStatus(BatchPrintEnd::Failed, printed, "statements"));
                    return;
                }
                printed = i;
            }
            ManagerStatus("Pausing batch job. Select Yes when ready to continue...");
            ProcessPendingMessages();
            const MsgResult go = MessageBox(
                QString("%1 statements processed during this cycle. There are %2 statements "
                        "remaining. Do you want to continue?")
                    .arg(batch)
                    .arg(count - i),
                "Batch Job Pause...", MsgIcon::Information, MsgButtons::YesNo);
            cycle = 0;
            if (go != MsgResult::Yes) {
                // The statements printed so far stay printed.
                if (job && job->End()) printed = i;
                wait.reset();
                ManagerStatus(toPrinter
                                  ? QString("Batch job canceled. %1 statements printed.").arg(printed)
                                  : QString("Batch job canceled."));
                return;
            }
            if (partsToPrinter) job.emplace(Printer(), "Statements");
            StatForm->show();
        }
    }

    Masters().BatchStatementMode = 0;
    StatForm->hide();
    if (job && !job->End()) {
        ManagerStatus(BatchPrintStatus(BatchPrintEnd::Failed, printed, "statements"));
        return;
    }
    ShellContext& shell = Shell();
    const std::string today = shell.companies.dateFormat().format(shell.clock.today());
    if (UpdateCurrentCompany(shell.companies, shell.folder, [&](CompanyRec& c) {
            c.set(Company::LastStatementRun, Columns(today, 1, 10));
            return true;
        }) != CompanyResult::Ok)
        MessageBox(WithSystemReason(
                       "The date of this batch run could not be saved in the company record."),
                   "Batch Print - Statements", MsgIcon::Information);
    wait.reset();
    ProcessPendingMessages();
    if (toPrinter) {
        ManagerStatus(BatchPrintStatus(BatchPrintEnd::Complete, count, "statements"));
        return;
    }
    ManagerStatus(QString("Batch complete. %1 statements sent by e-mail, %2 skipped (no e-mail "
                          "address).")
                      .arg(sent)
                      .arg(count - sent));
    MessageBox("E-mail operation complete.", "Batch E-Mail", MsgIcon::Information);
}

struct StatementWindows::Parts {
    TStment stment;
    TSelStmnt selStmnt;
    TBatchStWin batchStWin;
};

StatementWindows::StatementWindows() : parts_(std::make_unique<Parts>()) {
    Stment = &parts_->stment;
    SelStmnt = &parts_->selStmnt;
    BatchStWin = &parts_->batchStWin;
    CustomerStatementCommand = [](TDemoForm& manager) { StmtPrinClick(manager); };
    BatchStatementCommand = [] { BatchStatements(); };
}

StatementWindows::~StatementWindows() {
    CustomerStatementCommand = nullptr;
    BatchStatementCommand = nullptr;
    Stment = nullptr;
    SelStmnt = nullptr;
    BatchStWin = nullptr;
    parts_.reset();
}
