#pragma once
// The application's error display: an error raised inside a command ends the command
// where it stands, is shown in a message box, and the program goes on.

#include <QApplication>
#include <QString>
#include <functional>
#include <stdexcept>
#include <string>

// The error posting code raises for a step that must not fail ("Add operation failed").
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& text);
    QString Text() const;
};

// Raised when the user cancels a question a command cannot go on without (a file to print
// to): the command ends where it stands, and nothing is shown.
class CommandCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

[[noreturn]] void RaiseError(const QString& text);

// Shows the error in flight (call inside a catch block) through the message host.
void ShowCurrentError();

// Runs one command the way the event loop does: an error it raises is shown and swallowed.
// Returns false when the command ended with an error.
bool RunCommand(const std::function<void()>& command);

// The program's QApplication: every event is delivered inside the error display.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The caption of the program's own messages.
QString ProgramCaption();
