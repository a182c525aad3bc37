#pragma once
// The managers of the master files: the Customer Manager (TDemoForm, unit Deldemo1), the Vendor
// Manager (TVenList, unit ListVen) and the Product Manager (TEditProd, unit ProdEdit). Each browses
// its file in a chosen key order, finds as the user types, adds, edits and deletes records, and
// serves the pick protocol: a caller seeds the start record, sets the select mode and shows the
// manager; a double-click or Enter on the list copies the highlighted record into the file's
// buffer, sets the pick result and closes the window.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "engine/browse/browser.h"
#include "masters/master_edit.h"
#include "masters/masters_state.h"
#include "platform/form.h"

class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QVBoxLayout;
class TRecordEdit;

inline constexpr const char* PickPrompt = "Double-click or press <enter> to select.";
inline constexpr const char* MenuPrompt = "Right-click mouse or select from menu bar.";

// One key order the manager offers: its radio button and the field typed text goes into.
struct ManagerOrder {
    const char* button;   // object name
    const char* caption;  // "&Name"
    int keyNr;
    int offset;  // of the key's text field in the record
    int width;
};

struct ManagerSetup {
    const char* objectName;
    const char* caption;
    const char* helpKeyword;
    const char* editName;  // the edit dialog's object name
    const char* noun;      // "Customer": "Add Customer", "Edit Customer"
    const MasterKind* kind;
    std::vector<ManagerOrder> orders;  // the first is the default
    QString header;
    // The row's text (Windows-1252) under the header.
    std::function<std::string(std::span<const uint8_t> record)> rowText;
    uint8_t MastersState::*selectMode;
    uint8_t MastersState::*selectResult;
    // The record a pick starts from (the buffer, or the product seed).
    std::function<std::span<const uint8_t>()> seed;
};

class TMasterManager : public Form {
    Q_OBJECT

public:
    TMasterManager(ManagerSetup setup, QWidget* parent = nullptr);
    ~TMasterManager() override;

    QMenuBar* MainMenu;
    QLineEdit* FindEdit;
    std::vector<QRadioButton*> OrderButtons;
    TFvcBrowser* FvcBrowser1;
    QPushButton* AddBtn;
    QPushButton* EditBtn;
    QPushButton* DeleteBtn;
    QPushButton* LabelQueueBtn;  // comes with the print queue
    QPushButton* CloseBtn;
    QStatusBar* StatusBar1;
    std::unique_ptr<TRecordEdit> Editor;

    // Panel 0 counts the records; panel 1 carries the prompt of the caller (and the
    // progress of batch statements).
    QLabel* Panel(int index) const;
    void SetPanelText(int index, const QString& text);

    void AddBtnClick();
    void EditBtnClick();
    void DeleteBtnClick();
    void CloseBtnClick();
    void FindEditChange(const QString& text);
    // Double-click or Enter on the list: the highlighted record is the pick.
    void FvcBrowser1Pick();

    int KeyNumber() const;

protected:
    // A further button in the side column, above Close.
    QPushButton* AddSideButton(const char* name, const char* text);

    void FormShow() override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window (by any way) closes the file opened for it.
    void hideEvent(QHideEvent* event) override;

private:
    bool OpenFile();
    void CloseFile();
    void SetOrder(int index);
    void ShowCount();
    // The highlighted record into `record`; false (and a beep) when there is none.
    bool ReadCurrent(std::span<uint8_t> record);
    void GoTo(std::span<const uint8_t> record, int32_t ref);
    // Where a pick starts: the record the caller's seed gives, in the order shown.
    void GoToSeed();
    // The edit dialog saving through `save`; its modal result.
    int ShowEditor(const std::function<SaveOutcome(std::span<const uint8_t>)>& save);

    ManagerSetup s_;
    QVBoxLayout* sideButtons_ = nullptr;
    int order_ = 0;
    bool openedHere_ = false;
};

class TDemoForm : public TMasterManager {
    Q_OBJECT
public:
    explicit TDemoForm(QWidget* parent = nullptr);

    QPushButton* StmtPrin;
    QPushButton* BatchPrinButn;

    // One statement for the highlighted customer (also View2, Statement1).
    void StmtPrinClick();
    // Statements for many customers (also BatchPrint1).
    void BatchPrinButnClick();
};

// The statements belong to invoicing, which builds on the master files: the program plugs
// them in here. Unplugged, the commands do nothing.
extern std::function<void(TDemoForm& manager)> CustomerStatementCommand;
extern std::function<void()> BatchStatementCommand;

class TVenList : public TMasterManager {
    Q_OBJECT
public:
    explicit TVenList(QWidget* parent = nullptr);
};

class TEditProd : public TMasterManager {
    Q_OBJECT
public:
    explicit TEditProd(QWidget* parent = nullptr);
};

// The instances, while a MastersWindows object lives.
extern TDemoForm* DemoForm;
extern TVenList* VenList;
extern TEditProd* EditProd;

// Creates the three managers once at start-up, sets the instance pointers and plugs them
// into the main window's commands; the application (or a test) owns it.
class MastersWindows {
public:
    MastersWindows();
    ~MastersWindows();
    MastersWindows(const MastersWindows&) = delete;
    MastersWindows& operator=(const MastersWindows&) = delete;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
