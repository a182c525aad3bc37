// The program: one data folder, one copy of the program on it, the engine, the main window.
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include <signal.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "app/program_windows.h"
#include "app/start_options.h"
#include "engine/browse/browser.h"
#include "engine/engine.h"
#include "invoicing/entry/external_transaction.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/main_window.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"

namespace {

std::filesystem::path DefaultDataDir() {
    return (QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/data")
        .toStdString();
}

void Tell(const QString& text) {
    MessageBox(text, ProgramCaption(), MsgIcon::Warning);
}

// Why no file can be written in the folder, as the system would say it (a read-only folder,
// access denied, a full disk); 0 when it does not tell.
int FolderWriteError(const std::filesystem::path& folder) {
    if (::access(folder.c_str(), W_OK) != 0) return errno;
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0) return ENOSPC;
    return 0;
}

// Ending the session (logout, shutdown, kill -TERM, -HUP, -INT) is a normal close without the
// questions: every event loop ends, open windows close as if cancelled, and main's own
// clean-up closes the file sets and stops the engine, so no set is left marked changed. The
// signal handler only writes a byte; the event loop does the rest.
int endSignalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endSignalPipe[1], &byte, 1);
}

void EndOnSessionEnd(QApplication& app) {
    const auto end = [] { QCoreApplication::exit(0); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, end);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, endSignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(endSignalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [end] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(endSignalPipe[0], &byte, 1);
        end();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    EndOnSessionEnd(app);
    const StartOptions options = ParseArguments(app.arguments());
    if (!options.valid) {
        Tell("Please name the data folder after --data, for example: --data ~/stockmere-data");
        return 2;
    }
    std::filesystem::path dataDir = options.dataDir.empty() ? DefaultDataDir() : options.dataDir;
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    if (!std::filesystem::is_directory(dataDir)) {
        Tell(QString("The data folder %1 cannot be created: %2")
                 .arg(QString::fromStdString(dataDir.string()),
                      QString::fromStdString(ec.message())));
        return 1;
    }
    dataDir = std::filesystem::absolute(dataDir, ec);

    // One copy of the program per data folder: two would write the same files unaware of
    // each other. Only a lock whose process has died counts as stale, however old it is.
    QLockFile lock(QString::fromStdString((dataDir / "stockmere.lock").string()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(500)) {
        const QString folder = QString::fromStdString(dataDir.string());
        Tell(lock.error() == QLockFile::LockFailedError
                 ? QString("Stockmere is already running on the data folder %1.").arg(folder)
                 : QString("The data folder %1 cannot be used: its lock file cannot be "
                           "written. %2")
                       .arg(folder, SystemErrorText(FolderWriteError(dataDir)))
                       .trimmed());
        return 1;
    }

    ShellContextScope shell(dataDir);
    KeepPdfFolderIn(QString::fromStdString(Shell().folder.file(PdfFolderFileName).string()));
    EngineStart(30);
    const ScopeExit stopEngine([] { EngineStop(); });
    // Engine errors met while a list pages are shown like any error of a command.
    BrowserErrorReporter = [](const std::string& text) {
        MessageBox(QString::fromStdString(text), ProgramCaption(), MsgIcon::Error);
    };
    ProgramWindows windows;
    TMainForm& mainForm = windows.mainForm();

    if (!mainForm.StartUp()) return 0;
    QObject::connect(&mainForm, &TMainForm::Closed, &app, &QApplication::quit);
    mainForm.show();
    // The transaction runs once the main window is up, as a command of its own.
    if (options.externalTransaction)
        QTimer::singleShot(0, &mainForm, [] { RunCommand([] { RunExternalTransaction(); }); });
    // Another program asked for one customer's invoices: the Invoice Manager opens filtered.
    if (options.customerInvoices)
        QTimer::singleShot(0, &mainForm,
                           [] { RunCommand([] { ShowExchangeCustomerInvoices(); }); });
    return app.exec();
}
