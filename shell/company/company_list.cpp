#include "shell/company/company_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "platform/list_view.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/company/company_settings.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"
#include "shell/text.h"

std::optional<std::vector<CompanyRec>> ReadCompanies(CompanyOrder order) {
    const DataFolder& folder = Shell().folder;
    auto companies = ListCompanies(folder, order);
    if (!companies && EngineErrorCode == EngineCode::IndexDefective) {
        // Declined or failed: told, and nothing to add.
        if (!RebuildUntrustedSets({CompanyFileTarget()})) return std::nullopt;
        companies = ListCompanies(folder, order);
    }
    if (!companies)
        MessageBox(WithSystemReason(
                       QString("The company file cannot be read (error %1).").arg(EngineErrorCode)),
                   CompanyManagerCaption, MsgIcon::Warning);
    return companies;
}

namespace {

// Companies the company file lost while their files stayed: told, with the way back.
void TellCompaniesOnlyOnDisk() {
    const DataFolder& folder = Shell().folder;
    const auto companies = ListCompanies(folder, CompanyOrder::ByNumber);
    if (!companies) return;
    const std::vector<std::string> lost = CompaniesOnlyOnDisk(folder, *companies);
    if (lost.empty()) return;
    QStringList numbers;
    for (const std::string& n : lost) numbers << QString::fromStdString(n);
    const QString text =
        lost.size() == 1
            ? QString("Company %1 is no longer in the company file, but its files are still in "
                      "the data folder. To work with them again, add a company with the number "
                      "%1 in the Company Manager.")
                  .arg(numbers.front())
            : QString("Companies %1 are no longer in the company file, but their files are "
                      "still in the data folder. To work with them again, add companies with "
                      "these numbers in the Company Manager.")
                  .arg(numbers.join(", "));
    MessageBox(text, CompanyManagerCaption, MsgIcon::Warning);
}

}  // namespace

RebuildTarget CompanyFileTarget() {
    const std::string name = Shell().folder.fileSet(CompanyFileName);
    return {"Companies", name, name, &CompanyFileDesc(), nullptr, TellCompaniesOnlyOnDisk};
}

bool RebuildUntrustedCompanySets(const CompanyRec* company) {
    std::vector<RebuildTarget> sets{CompanyFileTarget()};
    if (!company || !CompanyDataFiles) return RebuildUntrustedSets(sets);
    // The company's files are named, rebuilt and checked as its own.
    CompanyState& companies = Shell().companies;
    const ScopedAssign<CompanyRec> current(companies.CurrentCompany, *company);
    for (const DataFile* file : CompanyDataFiles()) sets.push_back(file->Target());
    return RebuildUntrustedSets(sets);
}

std::function<void()> CompanyMadeCurrent;

void ChooseCompany(const CompanyRec& company) {
    const OneRebuildQuestion once;
    ShellContext& shell = Shell();
    MakeCompanyCurrent(shell.companies, shell.main, shell.clock, company);
    RebuildUntrustedCompanySets(&company);
    if (!WriteLastCompany(shell.folder, company)) {
        const QString name = QString::fromUtf8(LastCompanyFileName.data(),
                                               static_cast<qsizetype>(LastCompanyFileName.size()));
        MessageBox(WithWriteReason(QString("The choice of company could not be saved in %1; the "
                                           "next start may open another company.")
                                       .arg(name)),
                   CompanyManagerCaption, MsgIcon::Warning);
    }
    if (CompanyMadeCurrent) CompanyMadeCurrent();
}

QString CompanyStatusText(const CompanyRec& company) {
    return QString("%1 (%2)").arg(FromCp1252(TrimBlanks(company.get(Company::Name))),
                                  FromCp1252(TrimBlanks(company.get(Company::CompanyNumber))));
}

TCompList::TCompList(TCoSetForm& settings, QWidget* parent) : Form(parent), settings_(settings) {
    setObjectName("CompList");
    setWindowTitle(CompanyManagerCaption);
    auto* layout = new QVBoxLayout(this);
    CurrentLabel = new QLabel(this);
    CurrentLabel->setObjectName("CurrentLabel");
    layout->addWidget(CurrentLabel);

    auto* body = new QHBoxLayout;
    CompListView = new ListView(this);
    CompListView->setObjectName("CompListView");
    CompListView->AddColumn("Company Name", 300);
    CompListView->AddColumn("Number", 80, Qt::AlignRight);
    CompListView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    body->addWidget(CompListView, 1);

    auto* buttons = new QVBoxLayout;
    const auto button = [&](QPushButton*& b, const char* name, const QString& caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
    };
    button(SelectBtn, "SelectBtn", "&Select");
    button(NewBtn, "NewBtn", "&New...");
    button(SettingsBtn, "SettingsBtn", "Se&ttings...");
    buttons->addStretch();
    button(HelpBtn, "HelpBtn", "&Help");
    button(CloseBtn, "CloseBtn", "&Close");
    body->addLayout(buttons);
    layout->addLayout(body);
    SelectBtn->setDefault(true);

    SetButtonResult(SelectBtn, Modal::Ok);
    SetButtonResult(CloseBtn, Modal::Cancel);
    connect(SelectBtn, &QPushButton::clicked, this, Guarded([this] { SelectBtnClick(); }));
    connect(NewBtn, &QPushButton::clicked, this, Guarded([this] { NewBtnClick(); }));
    connect(SettingsBtn, &QPushButton::clicked, this, Guarded([this] { SettingsBtnClick(); }));
    connect(HelpBtn, &QPushButton::clicked, this, Guarded([] { ShowHelp("CompanyManager"); }));
    BindHelpKey(*this, "CompanyManager");
    connect(CompListView, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { SelectBtn->click(); }));
    resize(520, 380);
}

void TCompList::FormShow() {
    Refresh(Shell().companies.fileStem());
    CompListView->setFocus();
}

void TCompList::Refresh(const std::string& number) {
    const CompanyRec& current = Shell().companies.CurrentCompany;
    CurrentLabel->setText(QString("Current company: %1").arg(CompanyStatusText(current)));
    CompListView->clear();
    companies_.clear();
    if (auto list = ReadCompanies(CompanyOrder::ByName)) companies_ = std::move(*list);
    for (const CompanyRec& c : companies_) {
        const std::string n = TrimBlanks(c.get(Company::CompanyNumber));
        QTreeWidgetItem* item =
            CompListView->AddItem(FromCp1252(TrimBlanks(c.get(Company::Name))), {FromCp1252(n)});
        if (n == number) CompListView->setCurrentItem(item);
    }
    if (!CompListView->currentItem() && CompListView->Count() > 0)
        CompListView->setCurrentItem(CompListView->Item(0));
}

std::optional<std::string> TCompList::SelectedNumber() const {
    const QTreeWidgetItem* item = CompListView->Selected();
    if (!item) return std::nullopt;
    return ToCp1252(ListView::SubItem(item, 0));
}

void TCompList::SelectBtnClick() {
    const auto number = SelectedNumber();
    if (!number) {
        Refuse(CompListView, "Please select a company first.", CompanyManagerCaption,
               MsgIcon::Information);
        return;
    }
    const auto company = FindCompany(Shell().folder, *number);
    if (!company) {
        Refuse(CompListView,
               QString("Company %1 cannot be read from the company file (error %2).")
                   .arg(FromCp1252(*number))
                   .arg(EngineErrorCode),
               CompanyManagerCaption);
        return;
    }
    ChooseCompany(*company);
}

void TCompList::NewBtnClick() {
    settings_.PrepareNew(ProposedCompanyNumber(companies_));
    if (settings_.ShowModal() != Modal::Ok) return;
    Refresh(TrimBlanks(settings_.Saved().get(Company::CompanyNumber)));
}

void TCompList::SettingsBtnClick() {
    const auto number = SelectedNumber();
    if (!number) {
        MessageBox("Please select a company first.", CompanyManagerCaption, MsgIcon::Information);
        return;
    }
    if (!settings_.PrepareEdit(*number)) return;
    if (settings_.ShowModal() == Modal::Ok) Refresh(*number);
}
