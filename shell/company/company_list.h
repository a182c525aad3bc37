#pragma once
// TCompList, the company list window (unit CompList).
// The Company Manager: the companies of the data folder by name, to choose the current one,
// add one, or change one's settings.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "shell/company/company_file.h"
#include "shell/file_layer.h"

class ListView;
class QLabel;
class QPushButton;
class TCoSetForm;

inline constexpr const char* CompanyManagerCaption = "Company Manager";

// Every company in the order asked. A defective index is offered for rebuilding first; on
// any other failure the user is told why and nothing is returned.
std::optional<std::vector<CompanyRec>> ReadCompanies(CompanyOrder order);

// The company file as a rebuild sees it. After its rebuild, companies whose files are still in
// the data folder but whose record it lost are told.
RebuildTarget CompanyFileTarget();

// The company file and, when given, every data file of `company`: when any cannot be trusted
// (after a crash of the machine), one question for them all and their rebuild, before
// anything is read from them (RebuildUntrustedSets).
bool RebuildUntrustedCompanySets(const CompanyRec* company);

// Makes the company current: its record becomes CurrentCompany, the proposed document dates
// become today, and "LastCo.Dat" keeps it for the next start. A last-company file that cannot
// be written is reported; the company is current all the same. Its files are looked at (one
// question when any must be rebuilt), then CompanyMadeCurrent runs.
void ChooseCompany(const CompanyRec& company);

// Work that follows a company's being made current at start-up or by the user's choice; the
// units above the shell plug theirs in here (invoicing: the daily aging recalculation).
extern std::function<void()> CompanyMadeCurrent;

// "Name (number)", as the status bar shows the current company.
QString CompanyStatusText(const CompanyRec& company);

class TCompList : public Form {
    Q_OBJECT

public:
    // The settings dialog is the program's one instance, shared with the main window.
    explicit TCompList(TCoSetForm& settings, QWidget* parent = nullptr);

    QLabel* CurrentLabel;
    ListView* CompListView;
    QPushButton* SelectBtn;
    QPushButton* NewBtn;
    QPushButton* SettingsBtn;
    QPushButton* CloseBtn;
    QPushButton* HelpBtn;

    // Lists the companies again, keeping the row of `number` selected when it is there.
    void Refresh(const std::string& number = {});

protected:
    void FormShow() override;

private:
    void SelectBtnClick();
    void NewBtnClick();
    void SettingsBtnClick();
    // The number of the selected row; nothing when no row is selected.
    std::optional<std::string> SelectedNumber() const;

    TCoSetForm& settings_;
    std::vector<CompanyRec> companies_;
};
