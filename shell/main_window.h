#pragma once
// TMainForm, the main window (unit LWMain).
// The main window: menus, tool bar and big buttons for every window of the system (each
// enabled once its window has registered its command, shell/commands.h), the current
// company, the "Default Printed Output" choice, the status bar with its clock, and the
// start-up choice of the current company.

#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "platform/message_host.h"
#include "shell/commands.h"

class QAction;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QStatusBar;
class QTimer;
class QToolBar;
class TCoSetForm;
class TCompList;
class TTermsForm;

// The printer set-up dialog that the main window holds and other windows run.
struct PrinterSetupDialog {
    bool Execute() const { return PrinterSetup(); }
};

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Creating the main window clears the print queue's unsaved flag and the Invoice
    // Manager's start-up filter.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Makes a company current: the one of the last run, else the first on file, else a new
    // one the user is asked for. False when the program should end (the user cancelled the
    // first company, or the company file cannot be read).
    bool StartUp();

    // Status panels: 0 the current company, 1 completion texts of other windows, 2 the clock.
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;
    // Shows the current company in the title, the body and status panel 0.
    void ShowCurrentCompany();

    // CPMemo as a list of lines.
    void CPMemoClear();
    void CPMemoAppend(const QString& line);
    // Writes the lines with CR LF line ends; false when the file could not be written.
    bool CPMemoSaveToFile(const QString& path) const;

    QAction* CommandAction(CommandId id) const;

    QToolBar* ToolBar1;
    QLabel* CompanyName;
    QLabel* CompanyDetail;
    QGroupBox* OutputGroup;
    QRadioButton* PrinDef;
    QRadioButton* EMdef;
    QStatusBar* StatusBar1;
    QPlainTextEdit* CPMemo;
    QTimer* Timer1;
    PrinterSetupDialog PrinSet1;

    TCoSetForm* CoSetForm;
    TCompList* CompList;
    TTermsForm* TermsForm;

signals:
    // The close was accepted and the engine stopped.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildCommands();
    void BuildBody();
    void BuildStatusBar();
    void RegisterOwnCommands();
    void Timer1Timer();
    void CompanyManagerClick();
    void CompanySettingsClick();
    void AboutClick();

    std::map<CommandId, QAction*> actions_;
    std::vector<QLabel*> panels_;
    std::vector<std::unique_ptr<CommandRegistration>> ownCommands_;
    int listenerToken_ = 0;
};

// The program's main window while it exists.
extern TMainForm* MainForm;

// The question asked on close while the print queue holds unsaved labels.
inline constexpr const char* LabelQueueQuestion =
    "You have labels in the print queue that you have not printed or saved to a file. Exit "
    "anyway?";
