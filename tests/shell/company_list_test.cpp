// The Company Manager: choosing the current company, adding one, and changing the settings
// of a company that is not the current one.
#include "shell/company/company_list.h"

#include <QLineEdit>
#include <QTreeWidget>

#include "platform/list_view.h"
#include "shell/main_window.h"
#include "shell/sample_company.h"
#include "shell/small_files.h"
#include "tests/shell/window_fixture.h"

namespace {

class CompanyListTest : public ShellWindowTest {
protected:
    void SetUp() override {
        CreateSampleCompany(folder(), 1, "Zephyr Marine");
        CreateSampleCompany(folder(), 2, "Anchor Supplies");
        Shell().clock.setToday(Date{2026, 5, 17});
        ASSERT_TRUE(form.StartUp());
    }

    // Selects the row of the company number in the list.
    static void SelectRow(Form& f, const QString& number) {
        auto& list = Control<ListView>(f, "CompListView");
        for (int i = 0; i < list.Count(); ++i)
            if (ListView::SubItem(list.Item(i), 0) == number) list.setCurrentItem(list.Item(i));
    }

    TMainForm form;
};

TEST_F(CompanyListTest, ListsByNameAndChoosingMakesTheCompanyCurrentForNextTimeToo) {
    // The sample written last is the last company.
    EXPECT_EQ(Shell().companies.fileStem(), "2");
    Shell().main.LastInvoiceDate = "01/01/2020";
    host->OnModal("CompList", [](Form& f) {
        auto& list = Control<ListView>(f, "CompListView");
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(ListView::Caption(list.Item(0)), "Anchor Supplies");
        EXPECT_EQ(ListView::Caption(list.Item(1)), "Zephyr Marine");
        EXPECT_EQ(ListView::Caption(list.Selected()), "Anchor Supplies") << "the current one";
        SelectRow(f, "1");
        PressButton(f, "SelectBtn");
    });
    RunRegisteredCommand(CommandId::CompanyManager);

    EXPECT_EQ(Shell().companies.fileStem(), "1");
    EXPECT_EQ(ReadLastCompany(folder())->get(Company::Name), "Zephyr Marine");
    EXPECT_EQ(form.StatusText(0), "Zephyr Marine (1)");
    EXPECT_EQ(Shell().main.LastInvoiceDate, "05/17/2026");
}

TEST_F(CompanyListTest, CloseLeavesTheCurrentCompanyAndSelectNeedsARow) {
    host->OnModal("CompList", [&](Form& f) {
        Control<ListView>(f, "CompListView").clearSelection();
        host->Answer(MsgResult::Ok, "Please select a company first.");
        PressButton(f, "SelectBtn");
        EXPECT_EQ(f.ModalResult(), Modal::None);
        SelectRow(f, "1");
        PressButton(f, "CloseBtn");
    });
    RunRegisteredCommand(CommandId::CompanyManager);
    EXPECT_EQ(Shell().companies.fileStem(), "2");
}

TEST_F(CompanyListTest, NewAddsACompanyUnderTheNextNumberAndSelectsItsRow) {
    host->OnModal("CompList", [&](Form& f) {
        host->OnModal("CoSetForm", [](Form& s) {
            EXPECT_EQ(Control<QLineEdit>(s, "CNumber").text(), "3");
            FillControl(s, "CName", "Bosun Tools");
            PressButton(s, "OKBtn");
        });
        PressButton(f, "NewBtn");
        auto& list = Control<ListView>(f, "CompListView");
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(ListView::Caption(list.Selected()), "Bosun Tools");
        PressButton(f, "CloseBtn");
    });
    RunRegisteredCommand(CommandId::CompanyManager);
    EXPECT_EQ(OnFile("3").get(Company::Name), "Bosun Tools");
    EXPECT_EQ(Shell().companies.fileStem(), "2");
}

TEST_F(CompanyListTest, SettingsOfAnotherCompanyLeaveTheCurrentOneAlone) {
    const CompanyRec current = Shell().companies.CurrentCompany;
    host->OnModal("CompList", [&](Form& f) {
        SelectRow(f, "1");
        host->OnModal("CoSetForm", [](Form& s) {
            EXPECT_EQ(Control<QLineEdit>(s, "CName").text(), "Zephyr Marine");
            FillControl(s, "CName", "Zephyr Marine Ltd");
            FillControl(s, "DDMMYY", "Day first (dd/mm/yyyy)");
            PressButton(s, "OKBtn");
        });
        PressButton(f, "SettingsBtn");
        EXPECT_EQ(ListView::Caption(Control<ListView>(f, "CompListView").Selected()),
                  "Zephyr Marine Ltd");
        PressButton(f, "CloseBtn");
    });
    RunRegisteredCommand(CommandId::CompanyManager);
    EXPECT_EQ(OnFile("1").get(Company::Name), "Zephyr Marine Ltd");
    EXPECT_EQ(Shell().companies.CurrentCompany, current);
    EXPECT_EQ(ReadLastCompany(folder())->get(Company::Name), "Anchor Supplies");
}

TEST_F(CompanyListTest, ANewDateOrderOfTheCurrentCompanyReformatsTheProposedDates) {
    host->OnModal("CoSetForm", [](Form& s) {
        FillControl(s, "DDMMYY", "Day first (dd/mm/yyyy)");
        PressButton(s, "OKBtn");
    });
    RunRegisteredCommand(CommandId::CompanySettings);
    EXPECT_EQ(Shell().companies.CurrentCompany.get(Company::DateOrderSetting), "D");
    EXPECT_EQ(Shell().main.LastPODate, "17/05/2026");
    EXPECT_EQ(ReadLastCompany(folder())->get(Company::DateOrderSetting), "D");
}

}  // namespace
