#pragma once
// The host tests install: it answers message boxes and dialogs from a script given in the
// order they will be shown, runs a script on each modal window while it is up, and
// records everything shown. Anything shown that the script did not expect is reported as
// a failure at once and closed with Cancel (or No): a test never hangs on a window.
//
// Use it through ScriptedHostGuard (platform/scripted_host_guard.h) in tests.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/font_setting.h"
#include "platform/form.h"
#include "platform/message_host.h"

class ScriptedHost : public MessageHost {
public:
    using Failure = std::function<void(const QString&)>;
    using ModalScript = std::function<void(Form&)>;

    enum class Kind { Message, Modal, File, PrinterDialog, Beep, Help, Calculator };
    struct Shown {
        Kind kind = Kind::Message;
        QString caption;  // message box caption, window title, dialog title
        QString text;     // message text, window object name, help keyword, file chosen
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        int result = 0;     // the answer given (MsgResult / modal result / 1 for OK)
        QString proposed;   // file dialogs: the name or path proposed
        QString directory;  // file dialogs: the folder they start in (empty: the last one)
    };

    explicit ScriptedHost(Failure onFailure);

    // The next message box is answered with the result. A text or caption given must
    // match the box's exactly.
    ScriptedHost& Answer(MsgResult result, const QString& text = {}, const QString& caption = {});
    // The next modal window, whose object name must be formName (empty: any), runs the
    // script; the script must leave a modal result other than 0.
    ScriptedHost& OnModal(const QString& formName, ModalScript script);
    // The next font dialog answers the font (nothing: cancelled).
    ScriptedHost& AnswerFont(std::optional<FontSpec> font);
    // The next file dialog answers the path (empty: cancelled), with its read-only box ticked
    // or not when it offers one.
    ScriptedHost& AnswerFile(const QString& path, bool readOnly = false);
    // The next printer dialog closes with OK or Cancel.
    ScriptedHost& AnswerPrinterDialog(bool ok);

    const std::vector<Shown>& Record() const { return record_; }
    // The texts of the message boxes shown, in order.
    QStringList Messages() const;
    // The last message box shown, or nullptr.
    const Shown* LastMessage() const;
    int Beeps() const;
    QStringList HelpKeywords() const;
    int CalculatorRuns() const;
    // Script steps not used yet.
    std::size_t Pending() const { return steps_.size(); }
    // Reports every step not used as a failure and drops them.
    void VerifyAllUsed();

    MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                          MsgButtons buttons) override;
    int ShowModal(Form& form) override;
    QString AskFileName(const FileRequest& request) override;
    bool RunPrinterDialog(PrinterDialogKind kind) override;
    void Beep() override;
    void ShowHelp(const QString& keyword) override;
    void RunCalculator() override;

private:
    struct Step {
        Kind kind = Kind::Message;
        MsgResult answer = MsgResult::None;
        QString text;
        QString caption;
        QString name;
        ModalScript script;
        bool ok = false;
    };
    std::optional<Step> Take(Kind kind, const QString& what);
    Step& Push(Kind kind);
    Shown& Note(Kind kind, const QString& caption = {}, const QString& text = {});
    static QString Describe(Kind kind);

    Failure fail_;
    std::deque<Step> steps_;
    std::vector<Shown> record_;
};

// --- driving controls by object name (scripts and window tests) -------------------------

// A problem in a test's own driving: a control missing, disabled or of the wrong type.
class ScriptError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The widget with the object name under root (root itself when its name matches).
QWidget& FindControl(QWidget& root, const QString& name);

template <class T>
T& Control(QWidget& root, const QString& name) {
    auto* typed = qobject_cast<T*>(&FindControl(root, name));
    if (!typed)
        throw ScriptError(("control " + name + " is not of the type asked for").toStdString());
    return *typed;
}

// Replaces the control's content as the user would by typing (line edits, masked edits,
// memos, combo boxes, spin boxes).
void FillControl(QWidget& root, const QString& name, const QString& text);
// Clicks the button; an error its handler raises is shown as the program shows it.
void PressButton(QWidget& root, const QString& name);
// Sets a check box or radio button by clicking it when it differs.
void CheckButton(QWidget& root, const QString& name, bool checked);
