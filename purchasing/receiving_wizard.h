#pragma once
// TRecvWiz, the Receiving Wizard window (unit RecWizd).
// "Receiving Wizard": the user finds a purchase order by number, types what came in today
// against its ordered lines and posts the receipt under a receiver number and date. Created
// once at start-up; the main window's Receiving Wizard command shows it modally.

#include <QString>
#include <string>
#include <vector>

#include "invoicing/posting/invoice_posting.h"
#include "platform/form.h"
#include "platform/instance_scope.h"
#include "purchasing/receiving.h"
#include "shell/commands.h"
#include "shell/dates.h"

class MaskEdit;
class QCheckBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class StringGrid;

class TRecvWiz : public Form {
    Q_OBJECT

public:
    explicit TRecvWiz(QWidget* parent = nullptr);

    QLineEdit* PONum;
    QPushButton* LoadBtn;  // "&Find"
    QCheckBox* CBFilter;   // "&Show Open Items Only"
    MaskEdit* RDate;
    QPushButton* Calbutton;
    QLineEdit* RNum;
    QPushButton* RecAllBtn;
    QPushButton* NoneBtn;
    QPushButton* PostBtn;
    QToolButton* InvClose;
    QToolButton* SpeedButton14;  // help
    QLabel* TotOrder;
    QLabel* RecToDate;
    QLabel* OpenAmt;
    QLabel* Label7;  // the number of lines listed
    // Row 1 of the grid is the order's first line; its heading row is HeaderControl1.
    StringGrid* StringGrid1;
    QHeaderView* HeaderControl1;
    QStatusBar* StatusBar1;

    // The order the rows were loaded from; "0" while none is.
    std::string ReceivePONumber = "0";

    QString StatusText() const;
    // The grid's rows as shown.
    std::vector<ReceivingRow> Rows() const;

    // --- handlers ---
    void PONumChange();
    void LoadBtnClick();
    void CBFilterClick();
    void StringGrid1SelectCell(int col, int row);
    void StringGrid1SetEditText(int col, int row, const QString& text);
    void RecAllBtnClick();
    void NoneBtnClick();
    void CalbuttonClick();
    void PostBtnClick();
    void InvCloseClick();
    void SpeedButton14Click();

protected:
    void FormShow() override;
    // Closing the wizard closes the files opened for it.
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();
    void FormCreate();
    void ApplyCompanyLook();
    void SetStatus(const QString& text);
    // Back to one empty row with In Today current.
    void ClearGrid();
    void ShowRow(int row, const ReceivingRow& data);
    ReceivingEntry Entry() const;
    void FocusRefused(const ReceivingRefusal& refusal);

    QLabel* statusPanel_ = nullptr;
    QWidget* allNoneSpacer_ = nullptr;
    // RDate's date at the last use, kept across showings in whatever date order the
    // company of the next showing types.
    Date lastDate_;
    DateFormat shownFormat_;
    bool filling_ = false;
    // The ordered line of each row, in grid order: what each row's receipt is credited to.
    std::vector<int32_t> rowLines_;
    HeldFiles files_;  // open while the wizard is shown
    CommandRegistration receivingWizard_;
};

// The one window, while a RecvWizScope lives.
extern TRecvWiz* RecvWiz;

class RecvWizScope : public InstanceScope<TRecvWiz> {
public:
    RecvWizScope() : InstanceScope(RecvWiz) {}
};
