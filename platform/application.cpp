#include "platform/application.h"

#include <malloc.h>

#include <exception>

#include "platform/message_host.h"

AppError::AppError(const QString& text) : std::runtime_error(text.toStdString()) {}

QString AppError::Text() const {
    return QString::fromStdString(what());
}

void RaiseError(const QString& text) {
    throw AppError(text);
}

QString ProgramCaption() {
    return "Stockmere";
}

void ShowCurrentError() {
    QString text;
    try {
        throw;
    } catch (const CommandCancelled&) {
        return;
    } catch (const std::exception& e) {
        text = QString::fromStdString(e.what());
    } catch (...) {
        text = "An unexpected error occurred.";
    }
    if (text.isEmpty()) text = "An unexpected error occurred.";
    MessageBox(text, ProgramCaption(), MsgIcon::Error, MsgButtons::Ok);
}

bool RunCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (...) {
        ShowCurrentError();
        return false;
    }
}

void GiveLargeBlocksBack() {
    // A fixed threshold also stops the C library from raising it each time a large block is
    // freed, which would keep the next ones in the process's heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    GiveLargeBlocksBack();
    setApplicationName("Stockmere");
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // An error while showing the error is not shown again: that could loop.
        try {
            ShowCurrentError();
        } catch (...) {
        }
        return false;
    }
}
