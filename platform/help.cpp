#include "platform/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/message_host.h"

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

void BindHelpKey(QWidget& window, const QString& keyword) {
    auto* f1 = new QShortcut(QKeySequence::HelpContents, &window);
    QObject::connect(f1, &QShortcut::activated, &window, Guarded([keyword] { ShowHelp(keyword); }));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Stockmere Help");
    resize(640, 560);
    ContentsBtn = new QPushButton("&Contents", this);
    ContentsBtn->setObjectName("ContentsBtn");
    BackBtn = new QPushButton("&Back", this);
    BackBtn->setObjectName("BackBtn");
    BackBtn->setEnabled(false);
    Browser = new QTextBrowser(this);
    Browser->setObjectName("Browser");
    Browser->setOpenExternalLinks(true);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 6, 6, 0);
    buttons->addWidget(ContentsBtn);
    buttons->addWidget(BackBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(Browser);
    connect(ContentsBtn, &QPushButton::clicked, this, Guarded([this] { ShowKeyword("index"); }));
    connect(BackBtn, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackBtn, &QPushButton::setEnabled);
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
    if (window && !window->isVisible()) {
        // Closed and about to go: not to be shown again.
        window->deleteLater();
        window = nullptr;
    }
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    // A modal window blocks every other window but its own: the help window becomes the
    // modal window's (still a window of its own, left open when that one closes).
    if (QWidget* modal = QApplication::activeModalWidget();
        modal && modal != window->parentWidget()) {
        const bool wasShown = window->isVisible();
        const QRect geometry = window->geometry();
        window->setParent(modal, Qt::Window);
        if (wasShown) window->setGeometry(geometry);
    }
    window->ShowKeyword(keyword);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}
