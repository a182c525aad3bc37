#include "platform/real_host.h"

#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <utility>

#include "platform/calculator.h"
#include "platform/form.h"
#include "platform/help.h"
#include "platform/printer.h"

namespace {

MessageHost* installed = nullptr;

QMessageBox::StandardButton QtButton(MsgResult r) {
    switch (r) {
        case MsgResult::Ok:
            return QMessageBox::Ok;
        case MsgResult::Cancel:
            return QMessageBox::Cancel;
        case MsgResult::Abort:
            return QMessageBox::Abort;
        case MsgResult::Retry:
            return QMessageBox::Retry;
        case MsgResult::Ignore:
            return QMessageBox::Ignore;
        case MsgResult::Yes:
            return QMessageBox::Yes;
        case MsgResult::No:
            return QMessageBox::No;
        case MsgResult::None:
            break;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// While the hourglass shows for a long run, a window that waits for the user gets the
// ordinary arrow back for as long as it is up.
class ArrowWhileWaiting {
public:
    ArrowWhileWaiting() : pushed_(QApplication::overrideCursor() != nullptr) {
        if (pushed_) QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowWhileWaiting() {
        if (pushed_) QApplication::restoreOverrideCursor();
    }
    ArrowWhileWaiting(const ArrowWhileWaiting&) = delete;
    ArrowWhileWaiting& operator=(const ArrowWhileWaiting&) = delete;

private:
    bool pushed_;
};

}  // namespace

MessageHost& Host() {
    static RealHost real;
    return installed ? *installed : real;
}

MessageHost* InstallHost(MessageHost* host) {
    return std::exchange(installed, host);
}

MsgResult RealHost::ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                                MsgButtons buttons) {
    QMessageBox box(QtIcon(icon), caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const auto offered = OfferedButtons(buttons);
    for (const MsgResult r : offered) box.addButton(QtButton(r));
    box.setDefaultButton(QtButton(offered.front()));
    box.setEscapeButton(box.button(QtButton(DismissResult(buttons))));
    const ArrowWhileWaiting arrow;
    box.exec();
    for (const MsgResult r : offered)
        if (box.clickedButton() == box.button(QtButton(r))) return r;
    return DismissResult(buttons);
}

int RealHost::ShowModal(Form& form) {
    return form.RunModalLoop();
}

QString RealHost::AskFileName(const FileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.filter.isEmpty()) dialog.setNameFilter(QtFileFilter(request.filter));
    if (!request.defaultExt.isEmpty()) dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    const ArrowWhileWaiting arrow;
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

bool RealHost::RunPrinterDialog(PrinterDialogKind kind) {
    QPrintDialog dialog(&SharedPrinter(), QApplication::activeWindow());
    dialog.setWindowTitle(kind == PrinterDialogKind::Setup ? "Printer Setup" : "Print");
    if (kind == PrinterDialogKind::Setup) {
        // Set-up only chooses the printer: a "Print" button would promise a print-out.
        if (auto* box = dialog.findChild<QDialogButtonBox*>())
            if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText("&OK");
    }
    const ArrowWhileWaiting arrow;
    return dialog.exec() == QDialog::Accepted;
}

void RealHost::Beep() {
    QApplication::beep();
}

void RealHost::ShowHelp(const QString& keyword) {
    OpenHelpWindow(keyword);
}

void RealHost::RunCalculator() {
    LaunchCalculator(DesktopCalculators());
}
