#pragma once
// Base of the system's windows. Each is created once at start-up and shown modally many
// times through ShowModal (platform/message_host.h).
//
// ModalResult: 0 keeps the window open; any other value closes it and is what ShowModal
// returns. A button bound to a result sets it before its own click handlers run, so an OK
// handler can refuse by calling Refuse(), which tells the user, sets the result back to 0
// and focuses the field: the window stays open with everything typed intact. The window
// closes only once the event that set the result has been handled, message boxes its
// handlers showed included.

#include <QDialog>
#include <QString>

#include "platform/message_host.h"

class QAbstractButton;

namespace Modal {
inline constexpr int None = 0;
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
inline constexpr int All = 8;
}  // namespace Modal

class Form : public QDialog {
    Q_OBJECT

public:
    explicit Form(QWidget* parent = nullptr);

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);

    // Clicking the button sets the window's modal result; bind before connecting the
    // button's own handler.
    void SetButtonResult(QAbstractButton* button, int result);

    // The OK handler's refusal: message box, modal result 0, focus on the field.
    void Refuse(QWidget* field, const QString& text, const QString& caption,
                MsgIcon icon = MsgIcon::Warning);

    // Shows the window modally through the host; returns its modal result.
    int ShowModal();

    // Used by the real host: runs the modal loop until the window closes.
    int RunModalLoop();
    // Used by hosts that do not run a loop (the scripted host).
    void BeginScriptedShow();
    void EndScriptedShow();

    void done(int result) override;

protected:
    // Called each time the window is shown, before the user can act.
    virtual void FormShow() {}

    void showEvent(QShowEvent* event) override;

private:
    void CloseWhenHandled(int delayMs);
    void CloseIfResultSet();

    int modalResult_ = Modal::None;
    bool inModalLoop_ = false;
    int modalLoopLevel_ = 0;
    int modalPendingDepth_ = 0;
    bool closePending_ = false;
};
