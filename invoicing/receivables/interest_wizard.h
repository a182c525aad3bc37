#pragma once
// TInterestWiz, the Interest Wizard window (unit IntWizd).
// "Interest Wizard": charges finance charges on overdue customer balances. The user chooses
// the overdue class, the monthly rate or a flat fee, a minimum charge and the data of the
// invoices; "Scan File" lists the customers to charge, "Generate Invoices" writes one
// finance-charge invoice each and offers a printed report. Created once at start-up; the
// main window's "&Interest Charges..." shows it.

#include <vector>

#include "invoicing/receivables/interest.h"
#include "platform/font_setting.h"
#include "platform/form.h"
#include "shell/commands.h"

class MaskEdit;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class StringGrid;

class TInterestWiz : public Form {
    Q_OBJECT

public:
    explicit TInterestWiz(QWidget* parent = nullptr);
    ~TInterestWiz() override;

    QGroupBox* GroupBox1;
    QRadioButton* days30;
    QRadioButton* days60;
    QRadioButton* days90;
    MaskEdit* IPct;
    MaskEdit* MinChg;
    QCheckBox* FlatCB;
    QLineEdit* FlatRate;
    QCheckBox* IPrin;
    MaskEdit* IDate;
    QPushButton* Calbutton;
    QLineEdit* InvComm;
    QComboBox* ITerms;
    QLineEdit* StmntNote;
    StringGrid* CustGrid;
    QPushButton* Button1;  // "Scan File"
    QPushButton* GenInv;   // "Generate Invoices"
    QPushButton* CanButn;
    QPushButton* Button2;  // "Help"
    QLabel* Label3;        // progress and status
    QLabel* LastRun;

    // --- handlers ---
    void Button1Click();
    // "Generate Invoices" (GenInvClick).
    void GenerateInterestInvoices();
    void PrintInterestReport();
    void CalbuttonClick();
    void days30Click();
    void days60Click();
    void days90Click();
    void IPctChange();
    void FlatCBClick();
    void FlatRateChange();
    void Button2Click();
    void CanButnClick();

    // The grid's font: the company's editor font.
    FontSpec GridFont() const { return gridFont_; }
    // The customers the last scan listed, in grid order.
    const std::vector<InterestCustomer>& Listed() const { return listed_; }

protected:
    void FormShow() override;

private:
    void BuildControls();
    void ConnectHandlers();
    // A setting the list depends on changed: scan again before generating.
    void SettingChanged();
    QRadioButton* CheckedClass() const;
    OverdueClass ChosenClass() const;
    // Cuts the grid to its heading row and one empty row (four columns).
    void ResetGrid();
    void ApplyGridFont();
    void SetColumnWidths();
    // The scan's settings from the controls; nothing (after telling the user) when one is
    // not a number.
    std::optional<InterestTerms> ReadTerms();
    void ShowScan(const InterestScan& scan);
    // Refuses a flat fee that is negative or not a number, focusing the field.
    bool CheckFlatRate(const QString& text);

    std::vector<InterestCustomer> listed_;
    FontSpec gridFont_;
    CommandRegistration command_;
};

// The one window, while it exists (created at start-up).
extern TInterestWiz* InterestWiz;
