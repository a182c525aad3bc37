// The "Send E-Mail Message" window: the message typed, the checks, and the run over the
// print queue with the progress window up.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "invoicing/documents/document_page.h"
#include "invoicing/documents/invoice_email.h"
#include "mail/mail_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/font_setting.h"
#include "platform/help.h"
#include "platform/long_run.h"
#include "platform/scope_guard.h"
#include "platform/stat_form.h"
#include "reports/notice/email_notice.h"
#include "reports/labels/print_queue_window.h"
#include "shell/app_context.h"
#include "shell/text.h"

TEMMemo* EMMemo = nullptr;

namespace {

const QString kCaption = "Send E-Mail Message";
const QString kMailMode = "E-Mail Mode";
const QString kHelpKeyword = "EMNote";

QString CompanyText(const Company::Text& field) {
    return FromCp1252(TrimBlanks(Shell().companies.CurrentCompany.get(field)));
}

void ShowProgress(const QString& text) {
    StatForm->Label2->setText(text);
    ProcessPendingMessages();
}

// The memo's lines; a final line end starts no line of its own.
QStringList BodyLines(QString text) {
    if (text.endsWith('\n')) text.chop(1);
    return text.split('\n');
}

}  // namespace

TEMMemo::TEMMemo(QWidget* parent)
    : Form(parent), emailNotice_(CommandId::EMailNotice, [this] { ShowModal(); }) {
    setObjectName("EMMemo");
    setWindowTitle(kCaption);

    const auto named = [](QWidget* control, const char* name) { control->setObjectName(name); };
    EMRetAdd = new QLineEdit(this);
    named(EMRetAdd, "EMRetAdd");
    EMSubject = new QLineEdit(this);
    named(EMSubject, "EMSubject");
    EMBody = new QPlainTextEdit(this);
    named(EMBody, "EMBody");
    EMBody->setTabChangesFocus(true);
    Label3 = new QLabel(this);
    named(Label3, "Label3");
    OKButton = new QPushButton("&E-Mail", this);
    named(OKButton, "OKButton");
    OKButton->setDefault(true);
    Button1 = new QPushButton("&Queue", this);
    named(Button1, "Button1");
    Button1->setAutoDefault(false);
    const auto speedButton = [this](const char* name, const QString& hint,
                                    QStyle::StandardPixmap icon) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setToolTip(hint);
        button->setText(hint);
        button->setIcon(style()->standardIcon(icon));
        button->setAutoRaise(true);
        return button;
    };
    SpeedButton16 = speedButton("SpeedButton16", "Close", QStyle::SP_DialogCloseButton);
    SpeedButton14 = speedButton("SpeedButton14", "Help", QStyle::SP_DialogHelpButton);

    auto* returnLabel = new QLabel("Return E-Mail:", this);
    returnLabel->setBuddy(EMRetAdd);
    auto* subjectLabel = new QLabel("&Subject:", this);
    subjectLabel->setBuddy(EMSubject);
    auto* bodyLabel = new QLabel("Enter in the e-mail message below:", this);
    bodyLabel->setBuddy(EMBody);

    auto* tools = new QHBoxLayout;
    tools->addWidget(SpeedButton16);
    tools->addWidget(SpeedButton14);
    tools->addStretch(1);
    tools->addWidget(Label3);
    auto* fields = new QGridLayout;
    fields->addWidget(returnLabel, 0, 0);
    fields->addWidget(EMRetAdd, 0, 1);
    fields->addWidget(subjectLabel, 1, 0);
    fields->addWidget(EMSubject, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(OKButton);
    auto* top = new QVBoxLayout(this);
    top->addLayout(tools);
    top->addLayout(fields);
    top->addWidget(bodyLabel);
    top->addWidget(EMBody, 1);
    top->addLayout(buttons);
    resize(560, 420);

    SetButtonResult(OKButton, Modal::Ok);
    connect(OKButton, &QPushButton::clicked, this, Guarded(this, &TEMMemo::OKButtonClick));
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TEMMemo::Button1Click));
    connect(SpeedButton16, &QToolButton::clicked, this, Guarded(this, &TEMMemo::SpeedButton16Click));
    connect(SpeedButton14, &QToolButton::clicked, this, Guarded(this, &TEMMemo::SpeedButton14Click));
    BindHelpKey(*this, kHelpKeyword);
}

void TEMMemo::FormShow() {
    const QFont font =
        ToQFont(CompanyFont(Shell().companies.CurrentCompany, Company::ManagersFont));
    for (QWidget* control : std::initializer_list<QWidget*>{EMRetAdd, EMSubject, EMBody})
        control->setFont(font);
    EMRetAdd->setText(CompanyText(Company::EmailAddress));
    ShowQueueCount();
    // The return address comes filled in; the subject is what is typed first.
    EMSubject->setFocus();
}

void TEMMemo::ShowQueueCount() {
    const std::size_t rows = lblwiz ? lblwiz->QueueItems().size() : 0;
    Label3->setText("Records in Queue: " + QString::number(rows));
}

QWidget* TEMMemo::FieldControl(NoticeField field) const {
    switch (field) {
        case NoticeField::ReturnAddress:
            return EMRetAdd;
        case NoticeField::Subject:
            return EMSubject;
        case NoticeField::Body:
            return EMBody;
        case NoticeField::None:
            break;
    }
    return nullptr;
}

void TEMMemo::Button1Click() {
    if (lblwiz) lblwiz->ShowModal();
    ShowQueueCount();
}

void TEMMemo::OKButtonClick() {
    const std::vector<LabelQueueItem> items =
        lblwiz ? lblwiz->QueueItems() : std::vector<LabelQueueItem>{};
    const NoticeForm form{EMRetAdd->text(), EMSubject->text(), EMBody->toPlainText()};
    if (const auto refusal = CheckNoticeForm(form, items.size())) {
        Refuse(FieldControl(refusal->field), refusal->text, refusal->caption, refusal->icon);
        return;
    }
    if (!CheckEmailSetup()) return;

    const NoticeSettings settings{form.subject.trimmed(), CompanyText(Company::EmailAddress),
                                  TrimBlanks(Shell().companies.CurrentCompany.get(
                                      Company::EmailIncludeWithoutAddress)) == "Y"};
    NoticeOutcome outcome;
    std::vector<std::string> missing;
    {
        // The session is closed on every way out, before the closing messages.
        const ScopeExit disconnect([] { Mail().msSMTP1.Disconnect(); });
        QueueLookup lookup;
        {
            const WaitCursor wait;
            lookup = LookUpQueue(items, false);
        }
        if (!lookup.problem.empty()) {
            MessageBox(FromCp1252(lookup.problem) + " No e-mail messages were sent.", kCaption,
                       MsgIcon::Warning);
            return;
        }
        missing = std::move(lookup.missing);
        ClearRebuildStatus();
        StatForm->setWindowTitle(kMailMode);
        StatForm->Label2->setText("Working...");
        const StatFormShown shown;
        outcome = SendNotices(
            lookup.records, settings, BodyLines(form.body), form.returnAddress.trimmed(),
            [](int sent) { ShowProgress("E-Mail Sent: " + QString::number(sent)); });
    }
    if (!outcome.error.isEmpty()) RaiseError(SendErrorText(outcome.error, outcome.sent));
    if (outcome.connectionLost) {
        MessageBox(ConnectionLostText(outcome.sent), "E-Mail Sent", MsgIcon::Warning);
        return;
    }
    if (outcome.empty > 0)
        MessageBox(EmptyAddressesText(outcome.empty), "E-Mail Addresses", MsgIcon::Information);
    if (!missing.empty())
        MessageBox(FromCp1252(NotOnFileText(missing, "They were not sent your message.")), kCaption,
                   MsgIcon::Information);
    LabelQueueChanged = false;
    MessageBox(NoticesSentText(outcome.sent), "E-Mail Sent", MsgIcon::Information);
}

void TEMMemo::SpeedButton16Click() {
    SetModalResult(Modal::Cancel);
}

void TEMMemo::SpeedButton14Click() {
    ShowHelp(kHelpKeyword);
}
