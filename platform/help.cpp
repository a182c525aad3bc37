#include "platform/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QString HelpFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {exeDir + "/help", exeDir + "/../help", exeDir + "/../share/stockmere/help",
          QString(STOCKMERE_SOURCE_HELP_DIR)}) {
        if (QFileInfo::exists(candidate + "/index.html")) return QDir(candidate).canonicalPath();
    }
    return {};
}

QString HelpPagePath(const QString& keyword) {
    static const QRegularExpression plain("^[A-Za-z0-9_-]+$");
    const QString folder = HelpFolder();
    if (folder.isEmpty() || !plain.match(keyword).hasMatch()) return {};
    const QString path = folder + "/" + keyword + ".html";
    return QFileInfo::exists(path) ? path : QString();
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Stockmere Help");
    resize(640, 560);
    Browser = new QTextBrowser(this);
    Browser->setObjectName("Browser");
    Browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
}

void HelpWindow::ShowKeyword(const QString& keyword) {
    const QString path = HelpPagePath(keyword);
    if (path.isEmpty()) {
        Browser->setHtml(QString("<h2>No help for %1</h2><p>There is no help page for this "
                                 "topic yet.</p>")
                             .arg(keyword.toHtmlEscaped()));
        return;
    }
    Browser->setSearchPaths({QFileInfo(path).absolutePath()});
    Browser->setSource(QUrl::fromLocalFile(path));
}

HelpWindow& OpenHelpWindow(const QString& keyword) {
    // Top-level and deleted when closed; the next request makes a fresh one.
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->ShowKeyword(keyword);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}
