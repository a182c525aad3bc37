#include "platform/controls.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

QToolButton* MakeToolButton(QWidget* owner, const char* name, const QString& text,
                            const QString& hint, QStyle::StandardPixmap icon) {
    auto* button = Named<QToolButton>(name, owner);
    button->setToolTip(hint);
    if (icon != QStyle::SP_CustomBase) {
        button->setIcon(owner->style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    button->setText(text);
    button->setAutoRaise(true);
    // Square at the least, and never narrower than its caption: a crowded tool bar must not
    // cut it.
    button->setMinimumWidth(std::max(28, button->sizeHint().width()));
    return button;
}

QPushButton* MakePushButton(QWidget* owner, const char* name, const QString& text) {
    auto* button = Named<QPushButton>(name, text, owner);
    button->setAutoDefault(false);
    return button;
}

QAction* MakeAction(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}
