#pragma once
// Whether a window fits the smallest screen the program is made for (1024 x 768) once a
// window manager has framed it: it opens inside the screen's work area or maximised into it,
// its minimum size leaves room for its frame, and at the size it takes there every button
// shows whole.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLayout>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QToolButton>
#include <QWidget>
#include <algorithm>

namespace testsupport {

inline constexpr QSize kSmallestScreen{1024, 768};
// What a window manager puts around a window: a title bar and a border on each side.
inline constexpr int kTitleBarHeight = 32;
inline constexpr int kBorderWidth = 4;

inline QString SizeText(QSize size) {
    return QString("%1x%2").arg(size.width()).arg(size.height());
}

// The width a button needs to show its caption (its text, with its icon and check mark).
inline int CaptionWidth(const QAbstractButton& button) {
    const auto* tool = qobject_cast<const QToolButton*>(&button);
    if (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull())
        return 0;
    const QStyle* style = button.style();
    int width = button.fontMetrics().horizontalAdvance(QString(button.text()).remove('&'));
    if (tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
        width = std::max(width, button.iconSize().width());
    else if (!button.icon().isNull())
        width += button.iconSize().width() + 4;
    if (qobject_cast<const QRadioButton*>(&button))
        width += style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                 style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    else if (qobject_cast<const QCheckBox*>(&button))
        width += style->pixelMetric(QStyle::PM_IndicatorWidth) +
                 style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    return width;
}

// What does not fit, one entry a fault; empty when the window fits.
inline QStringList FitProblems(QWidget& window) {
    const QSize room = kSmallestScreen - QSize(2 * kBorderWidth, kTitleBarHeight + kBorderWidth);
    const auto fits = [&room](QSize size) {
        return size.width() <= room.width() && size.height() <= room.height();
    };

    QStringList problems;
    const QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
    if (!fits(least)) problems << "cannot be made smaller than " + SizeText(least);
    const bool maximised = window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    if (!maximised && !fits(window.size())) problems << "opens at " + SizeText(window.size());

    // Laid out at the size the window takes on that screen, every button shows its caption.
    QLayout* layout = window.layout();
    if (!layout) return problems;
    layout->setGeometry(QRect(QPoint(0, 0), maximised ? room : window.size().boundedTo(room)));
    // Inner layouts whose captions changed while the window opened are redone as well.
    for (QWidget* inner : window.findChildren<QWidget*>())
        if (inner->layout() && inner->window() == &window) inner->layout()->activate();
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (button->window() != &window || !button->isVisibleTo(&window)) continue;
        if (const int whole = CaptionWidth(*button); button->width() < whole)
            problems << QString("%1 \"%2\" is cut to %3 of %4 pixels")
                            .arg(button->objectName(), button->text())
                            .arg(button->width())
                            .arg(whole);
    }
    layout->setGeometry(window.rect());
    return problems;
}

}  // namespace testsupport
