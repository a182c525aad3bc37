#pragma once
// Building a window's controls, each under the object name its code and test scripts know it
// by; the parent owns each.

#include <QAbstractButton>
#include <QAction>
#include <QString>
#include <QStyle>
#include <initializer_list>
#include <utility>

#include "platform/application.h"

class QMenu;
class QPushButton;
class QToolButton;
class QWidget;

template <class T, class... Args>
T* Named(const char* name, Args&&... args) {
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(name);
    return control;
}

// A flat tool-bar button with its hint; with an icon it shows the icon alone.
QToolButton* MakeToolButton(QWidget* owner, const char* name, const QString& text,
                            const QString& hint,
                            QStyle::StandardPixmap icon = QStyle::SP_CustomBase);
// A push button that Enter does not press unless it has the focus.
QPushButton* MakePushButton(QWidget* owner, const char* name, const QString& text);
QAction* MakeAction(QMenu* menu, const char* name, const QString& text);

// A command of a window: its button and its menu item (either may be missing) run the same
// handler.
template <class Owner>
struct CommandBinding {
    QAbstractButton* button;
    QAction* item;
    void (Owner::*handler)();
};

template <class Owner>
void BindCommands(Owner* owner, std::initializer_list<CommandBinding<Owner>> commands) {
    for (const CommandBinding<Owner>& c : commands) {
        const auto run = Guarded([owner, handler = c.handler] { (owner->*handler)(); });
        if (c.button) QObject::connect(c.button, &QAbstractButton::clicked, owner, run);
        if (c.item) QObject::connect(c.item, &QAction::triggered, owner, run);
    }
}
