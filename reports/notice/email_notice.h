#pragma once
// TEMMemo, the e-mail notice window, and its logic (unit EMaNote).
// "Send E-Mail Message": one typed message e-mailed to every customer and vendor in the
// print queue, one message per recipient, over the program's one SMTP session. Recipients
// without a usable address are counted and passed over, or reported to the company's own
// address under a warning subject, as the company settings ask.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/form.h"
#include "platform/instance_scope.h"
#include "reports/labels/label_print.h"
#include "shell/commands.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// --- the send, without a window ----------------------------------------------------------

// What the window holds when "&E-Mail" is pressed.
struct NoticeForm {
    QString returnAddress;
    QString subject;
    QString body;
};

// The control a refusal sends the user back to.
enum class NoticeField { None, ReturnAddress, Subject, Body };

struct NoticeRefusal {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::Information;
    NoticeField field = NoticeField::None;
};

// The checks made before anything is opened or sent, in order; nothing when the message can
// go to the `queueRows` rows of the print queue.
std::optional<NoticeRefusal> CheckNoticeForm(const NoticeForm& form, std::size_t queueRows);

// A recipient's address (record text) that a message can be sent to: after trimming longer
// than one character, with an at sign, and fit for an envelope as it stands.
bool UsableNoticeAddress(std::string_view address);

struct NoticeSettings {
    QString subject;         // trimmed
    QString companyAddress;  // trimmed; where the warnings about bad addresses go
    bool includeWithoutAddress = false;
};

// What one queue row gets: a message, nothing because its address is blank (counted), or
// nothing at all (products, and records no longer on file).
struct NoticeMail {
    enum class Action { Send, Empty, Nothing };
    Action action = Action::Nothing;
    QString subject;
    QString recipient;
};
NoticeMail PlanNotice(const QueueRecord& record, const NoticeSettings& settings);

struct NoticeOutcome {
    int sent = 0;
    int empty = 0;
    bool connectionLost = false;  // the session closed between two rows
    QString error;                // the mail error that ended the send
};

// Sends the body from `sender` to every record in order through Mail()'s session, which must
// be connected. `afterRow` runs after each row with the count sent so far. The send stops at
// the first row that finds the session closed, or at a mail error.
NoticeOutcome SendNotices(const std::vector<QueueRecord>& records, const NoticeSettings& settings,
                          const QStringList& body, const QString& sender,
                          const std::function<void(int sent)>& afterRow = {});

// The messages that close a send.
QString EmptyAddressesText(int empty);
QString NoticesSentText(int sent);
QString ConnectionLostText(int sent);
QString SendErrorText(const QString& error, int sent);

// --- the window --------------------------------------------------------------------------

class TEMMemo : public Form {
    Q_OBJECT

public:
    explicit TEMMemo(QWidget* parent = nullptr);

    QLineEdit* EMRetAdd;
    QLineEdit* EMSubject;
    QPlainTextEdit* EMBody;
    QLabel* Label3;  // the queue's row count
    QPushButton* OKButton;
    QPushButton* Button1;  // the print queue
    QToolButton* SpeedButton16;
    QToolButton* SpeedButton14;

    void Button1Click();
    void OKButtonClick();
    void SpeedButton16Click();
    void SpeedButton14Click();

protected:
    void FormShow() override;

private:
    void ShowQueueCount();
    QWidget* FieldControl(NoticeField field) const;

    // The main window's "&E-Mail Notice" shows this window.
    CommandRegistration emailNotice_;
};

// The one window, while an EMMemoScope lives.
extern TEMMemo* EMMemo;

// Creates the window at start-up (after the print queue's) for the life of the object.
class EMMemoScope {
private:
    InstanceScope<TEMMemo> window_{EMMemo};
};
