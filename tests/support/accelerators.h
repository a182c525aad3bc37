#pragma once
// Alt keys that clash within one window. Two captions on one letter make Alt+letter move the
// focus between them instead of pressing the button or opening the menu. What one key can
// reach: the window's visible buttons, group boxes and tab titles, its labels with a buddy,
// and its menu bar titles; each menu's items are a scope of their own.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStringList>
#include <QTabBar>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace testsupport {

// The letter after the first single "&" of a caption, in lower case.
inline std::optional<QChar> AcceleratorOf(const QString& caption) {
    for (qsizetype i = caption.indexOf('&'); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf('&', i + 2))
        if (caption[i + 1] != '&') return caption[i + 1].toLower();
    return std::nullopt;
}

// "caption / caption" for each letter that more than one caption claims.
inline std::set<QString> ClashesAmong(const QStringList& captions) {
    std::map<QChar, QStringList> byLetter;
    for (const QString& caption : captions)
        if (const auto letter = AcceleratorOf(caption)) byLetter[*letter] << caption;
    std::set<QString> clashes;
    for (const auto& [letter, claimed] : byLetter)
        if (claimed.size() > 1) clashes.insert(claimed.join(" / "));
    return clashes;
}

// The widget's own window: menus and the windows it owns are not part of it.
inline bool InWindow(const QWidget& w, const QWidget& window) {
    const QWidget* owner = w.parentWidget();
    while (owner && (!owner->isWindow() || qobject_cast<const QMenu*>(owner)))
        owner = owner->parentWidget();
    return qobject_cast<const QMenu*>(&w) ? owner == &window : w.window() == &window;
}

// What the window's Alt keys reach as it is shown now.
inline QStringList WindowCaptions(QWidget& window) {
    QStringList captions;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!InWindow(*w, window) || !w->isVisibleTo(&window)) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) captions << b->text();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) captions << l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) captions << g->title();
        if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i)
                if (t->isTabVisible(i)) captions << t->tabText(i);
        if (auto* m = qobject_cast<QMenuBar*>(w))
            for (QAction* a : m->actions())
                if (a->isVisible()) captions << a->text();
    }
    return captions;
}

// Every clash of the window: its controls with each page of each stacked widget (wizard pages,
// tab pages) in turn, then each of its menus. Empty when there is none.
inline std::set<QString> AcceleratorClashes(QWidget& window) {
    std::set<QString> clashes = ClashesAmong(WindowCaptions(window));
    for (QStackedWidget* stack : window.findChildren<QStackedWidget*>()) {
        if (!InWindow(*stack, window)) continue;
        const QSignalBlocker quiet(stack);  // no page handlers: only what is on the page
        const int shown = stack->currentIndex();
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            clashes.merge(ClashesAmong(WindowCaptions(window)));
        }
        stack->setCurrentIndex(shown);
    }
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (!InWindow(*menu, window)) continue;
        QStringList items;
        for (QAction* a : menu->actions())
            if (a->isVisible() && !a->isSeparator()) items << a->text();
        for (const QString& clash : ClashesAmong(items))
            clashes.insert(menu->title().remove('&') + " menu: " + clash);
    }
    return clashes;
}

// The clashes one a line, for a test's failure message.
inline std::string ClashLines(const std::set<QString>& clashes) {
    std::string lines;
    for (const QString& clash : clashes) lines += clash.toStdString() + "\n";
    return lines;
}

}  // namespace testsupport
