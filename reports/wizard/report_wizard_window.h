#pragma once
// "Report Wizard": the user picks one of the fourteen reports and the period it covers;
// "&View" checks the dates, records the report's name in ReportTitle and runs its builder,
// which shows the report viewer. The wizard stays open behind the viewer and after it, so
// several reports can be run in a row.

#include <string_view>

#include "platform/form.h"
#include "platform/instance_scope.h"
#include "shell/commands.h"

class MaskEdit;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

class TRptSelect : public Form {
    Q_OBJECT

public:
    explicit TRptSelect(QWidget* parent = nullptr);

    QLabel* Label4;
    QListWidget* ListBox1;  // the reports, in the wizard's order
    QLabel* Label3;
    QComboBox* ComboBox1;  // the date presets
    QLabel* Label1;
    MaskEdit* IDate;  // the first date of the period
    QPushButton* Cal1But;
    QLabel* Label2;
    MaskEdit* EndDt;  // the last date of the period
    QPushButton* Cal2But;
    QLabel* RType;         // the selected report's description
    QPushButton* Button1;  // "&View"
    QPushButton* CancelBut;
    QPushButton* HelpBut;

    void ListBox1Click();
    void ListBox1DblClick() { Button1Click(); }
    void ComboBox1Change();
    void Cal1ButClick();
    void Cal2ButClick();
    void Button1Click();
    void CancelButClick();
    void HelpButClick();
    void ShowDateRange();
    void HideDateRange();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The calendar of one date field; true when a date was chosen.
    bool PickInto(MaskEdit* edit, const QString& caption);
    void SetPresetText(std::string_view preset);
    void PlaceCalendarButton(MaskEdit* edit, QPushButton* button);
};

extern TRptSelect* RptSelect;

// The builders the wizard dispatches to by ReportTitle.
void BuildProfitReport();
void BuildCommitmentReport();
void BuildOverstockReport();
void BuildReorderReport();
void BuildInventoryReport();
void BuildPORegister();
void BuildReceivingReport();
void BuildTaxReport();
void BuildInvoiceKeyCodeInquiry();
void BuildPOKeyCodeInquiry();
void BuildSalesReport();
void BuildInvoiceRegister();
void BuildPaymentRegister();
void BuildAccountsReceivableReport();

using ReportBuilder = void (*)();
// The builder of the report named exactly `title`, or nullptr.
ReportBuilder ReportBuilderFor(std::string_view title);

// Creates the wizard once at start-up and plugs it into the main window's Report Wizard
// command; the application (or a test) owns it.
class ReportWizardWindows {
public:
    ReportWizardWindows();
    ~ReportWizardWindows();
    ReportWizardWindows(const ReportWizardWindows&) = delete;
    ReportWizardWindows& operator=(const ReportWizardWindows&) = delete;

private:
    InstanceScope<TRptSelect> wizard_{RptSelect};
    CommandRegistration command_;
};
