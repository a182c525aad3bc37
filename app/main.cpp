// The program: one data folder, one copy of the program on it, the engine, the main window.
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/browse/browser.h"
#include "engine/engine.h"
#include "invoicing/documents/document_view_window.h"
#include "invoicing/entry/external_transaction.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/invoicing_services.h"
#include "invoicing/manager/invoice_manager_window.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/receivables/interest_wizard.h"
#include "invoicing/receivables/payment_wizard.h"
#include "invoicing/receivables/statement_window.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "purchasing/add_po.h"
#include "purchasing/manager/po_manager_window.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/purchasing_services.h"
#include "purchasing/receiving_wizard.h"
#include "reports/labels/print_queue_window.h"
#include "reports/notice/email_notice.h"
#include "reports/reports_windows.h"
#include "reports/wizard/report_wizard_window.h"
#include "shell/app_context.h"
#include "shell/date_dialog.h"
#include "shell/commands.h"
#include "shell/find_box.h"
#include "shell/main_window.h"

namespace {

struct StartOptions {
    std::filesystem::path dataDir;
    bool externalTransaction = false;  // "/C": an invoice for the exchange file's customer
    bool valid = true;
};

// "--data DIR" or "--data=DIR", and "/C". Switches of later work ("/V") and anything else
// are ignored.
StartOptions ParseArguments(const QStringList& args) {
    StartOptions options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--data") {
            if (i + 1 >= args.size()) {
                options.valid = false;
                break;
            }
            options.dataDir = args[++i].toStdString();
        } else if (arg.compare("/C", Qt::CaseInsensitive) == 0) {
            options.externalTransaction = true;
        } else if (arg.startsWith("--data=")) {
            options.dataDir = arg.mid(7).toStdString();
            if (options.dataDir.empty()) options.valid = false;
        }
    }
    return options;
}

std::filesystem::path DefaultDataDir() {
    return (QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/data")
        .toStdString();
}

void Tell(const QString& text) {
    MessageBox(text, ProgramCaption(), MsgIcon::Warning);
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
                           "written.")
                       .arg(folder));
        return 1;
    }

    ShellContextScope shell(dataDir);
    EngineStart(30);
    const ScopeExit stopEngine([] { EngineStop(); });
    PlatformWindows platformWindows;
    // Engine errors met while a list pages are shown like any error of a command.
    BrowserErrorReporter = [](const std::string& text) {
        MessageBox(QString::fromStdString(text), ProgramCaption(), MsgIcon::Error);
    };

    // Every window is created once; each unit's command is enabled by registering it.
    TMainForm mainForm;
    const CalFormScope calForm;
    const FindBoxScope findBox;
    const MastersWindows mastersWindows;
    const ReportsWindows reportsWindows;
    const EMMemoScope emMemo;
    const ReportWizardWindows reportWizardWindows;
    const InvoicingServices invoicingServices;
    const PurchasingServices purchasingServices;
    const InvoicingWindows invoicingWindows;
    const PaymentWindows paymentWindows;
    const Trtedit documentView;
    const TInterestWiz interestWizard;
    const StatementWindows statementWindows;
    const POEditScope poEdit;
    const RecvWizScope receivingWizard;
    const InvoiceManagerWindows invoiceManagerWindows;
    const POManagerWindows poManagerWindows;
    // Invoice posting puts customers into the print queue through the queue's own adder.
    AddCustomerToPrintQueue = [](const CustomerLabelRow& row) {
        AddToLabelQueue(
            MakeLabelQueueItem(LabelKind::Customer, row.number, row.name, row.sortCode, row.type));
    };
    AddVendorToPrintQueue = [](const VendorLabelRow& row) {
        AddToLabelQueue(
            MakeLabelQueueItem(LabelKind::Vendor, row.number, row.name, row.sortCode, row.type));
    };
    const ScopeExit unplugQueue([] {
        AddCustomerToPrintQueue = nullptr;
        AddVendorToPrintQueue = nullptr;
    });
    const CommandRegistration dateSelection(CommandId::DateSelection, [] {
        std::string date;
        PickDate(MainForm ? MainForm->centralWidget() : nullptr, date);
    });

    if (!mainForm.StartUp()) return 0;
    QObject::connect(&mainForm, &TMainForm::Closed, &app, &QApplication::quit);
    mainForm.show();
    // The transaction runs once the main window is up, as a command of its own.
    if (options.externalTransaction)
        QTimer::singleShot(0, &mainForm, [] { RunCommand([] { RunExternalTransaction(); }); });
    return app.exec();
}
