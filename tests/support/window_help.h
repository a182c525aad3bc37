#pragma once
// A window's Help commands and the pages they open. A window's Help commands are its buttons
// captioned or hinted "Help", the "Contents" or "Overview" of its "Help" menu, and F1; each opens a
// page of the help folder that describes the window (it names the window as its caption does) and
// that the contents page lists.

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextDocument>
#include <functional>
#include <vector>

#include "platform/help.h"

namespace testsupport {

inline QString WithoutAccelerator(QString caption) {
    return caption.remove('&');
}

// The window's own Help commands, each as a function that gives it.
inline std::vector<std::function<void()>> HelpCommands(QWidget& window) {
    std::vector<std::function<void()>> commands;
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (b->window() == &window && b->isVisibleTo(&window) && b->isEnabled() &&
            (WithoutAccelerator(b->text()) == "Help" || b->toolTip() == "Help"))
            commands.push_back([b] { b->click(); });
    for (QMenuBar* bar : window.findChildren<QMenuBar*>()) {
        if (bar->window() != &window) continue;
        for (QAction* title : bar->actions())
            if (title->menu() && WithoutAccelerator(title->text()) == "Help")
                for (QAction* item : title->menu()->actions())
                    if (QStringList{"Contents", "Overview"}.contains(
                            WithoutAccelerator(item->text())))
                        commands.push_back([item] { item->trigger(); });
    }
    for (QShortcut* key : window.findChildren<QShortcut*>())
        if (key->parentWidget() == &window &&
            key->key() == QKeySequence(QKeySequence::HelpContents))
            commands.push_back([key] { emit key->activated(); });
    return commands;
}

inline QString PageText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QTextDocument page;
    page.setHtml(QString::fromUtf8(file.readAll()));
    return page.toPlainText();
}

// What is wrong with the keyword's page as help for the window of the caption; empty when
// nothing is. The caption's part before " - " (a file or company name follows) is its name.
inline QString HelpPageProblem(const QString& keyword, const QString& caption) {
    const QString path = HelpPagePath(keyword);
    if (path.isEmpty()) return "no page for \"" + keyword + "\"";
    const QString name = caption.section(" - ", 0, 0).trimmed();
    if (!PageText(path).contains(name, Qt::CaseInsensitive))
        return "the page " + keyword + ".html does not describe \"" + name + "\"";
    if (keyword == "index") return {};
    QFile contents(HelpPagePath("index"));
    if (!contents.open(QIODevice::ReadOnly) ||
        !QString::fromUtf8(contents.readAll())
             .contains(
                 QRegularExpression("href=\"" + QRegularExpression::escape(keyword) + "\\.html\"")))
        return "the contents do not list " + keyword + ".html";
    return {};
}

}  // namespace testsupport
