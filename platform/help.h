#pragma once
// Help by keyword: one HTML page per keyword in the help folder (help/<keyword>.html).

#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

// The help folder: beside the program, or the source tree's while developing; empty when
// there is none.
QString HelpFolder();

// The page of the keyword, or an empty string when there is none. Keywords are plain
// names; anything that could reach outside the folder has no page.
QString HelpPagePath(const QString& keyword);

// F1 anywhere in the window opens the keyword's page (through the message host).
void BindHelpKey(QWidget& window, const QString& keyword);

// The help window: one, reused, not modal.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void ShowKeyword(const QString& keyword);
    QPushButton* ContentsBtn;
    QPushButton* BackBtn;
    QTextBrowser* Browser;
};

// Shows the keyword's page in the help window, creating the window when needed. The window
// stays usable while a modal window is up (help is mostly asked for from one).
HelpWindow& OpenHelpWindow(const QString& keyword);
