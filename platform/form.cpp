#include "platform/form.h"

#include <QAbstractButton>
#include <QShowEvent>
#include <QThread>
#include <QTimer>

#include "platform/application.h"
#include "platform/long_run.h"
#include "platform/scope_guard.h"
#include "platform/text_guard.h"

Form::Form(QWidget* parent) : QDialog(parent) {}

void Form::SetModalResult(int result) {
    modalResult_ = result;
    if (result == Modal::None || !inModalLoop_ || closePending_) return;
    closePending_ = true;
    CloseWhenHandled(0);
}

// Closes after the event that set the result has been handled, so that handlers still to run
// for it may refuse. A handler that waits for the user (a message box) runs an event loop of
// its own, and a long one lets pending messages run; the close waits until both are over.
void Form::CloseWhenHandled(int delayMs) {
    QTimer::singleShot(delayMs, this, [this] {
        if (QThread::currentThread()->loopLevel() > modalLoopLevel_ ||
            PendingMessagesDepth() > modalPendingDepth_) {
            CloseWhenHandled(50);
            return;
        }
        closePending_ = false;
        CloseIfResultSet();
    });
}

void Form::CloseIfResultSet() {
    if (inModalLoop_ && modalResult_ != Modal::None) done(modalResult_);
}

void Form::SetButtonResult(QAbstractButton* button, int result) {
    connect(button, &QAbstractButton::clicked, this, Guarded([this, result] { SetModalResult(result); }));
}

void Form::Refuse(QWidget* field, const QString& text, const QString& caption, MsgIcon icon) {
    MessageBox(text, caption, icon, MsgButtons::Ok);
    SetModalResult(Modal::None);
    if (field) field->setFocus();
}

int Form::ShowModal() {
    return ::ShowModal(*this);
}

int Form::RunModalLoop() {
    modalResult_ = Modal::None;
    inModalLoop_ = true;
    modalLoopLevel_ = QThread::currentThread()->loopLevel() + 1;  // the loop exec() runs
    modalPendingDepth_ = PendingMessagesDepth();
    const ScopeExit leave([this] { inModalLoop_ = false; });
    exec();
    return modalResult_ != Modal::None ? modalResult_ : Modal::Cancel;
}

void Form::BeginScriptedShow() {
    modalResult_ = Modal::None;
    show();
}

void Form::EndScriptedShow() {
    hide();
}

void Form::done(int result) {
    // Escape and the title bar's close button reject with 0: that is Cancel here.
    modalResult_ = result == QDialog::Rejected ? Modal::Cancel : result;
    QDialog::done(modalResult_);
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    GuardTextControls(this);
    FormShow();
}
