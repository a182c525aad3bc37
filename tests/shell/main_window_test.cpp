// The main window: start-up on a demo folder and on an empty one, the commands that later
// windows plug in, the close question, and the status bar.
#include "shell/main_window.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "shell/company/company_settings.h"
#include "shell/sample_company.h"
#include "shell/small_files.h"
#include "shell/window_flags.h"
#include "tests/shell/window_fixture.h"

namespace {

class MainWindowTest : public ShellWindowTest {};

TEST_F(MainWindowTest, StartsOnTheLastCompanyAndCloseStopsTheEngine) {
    CreateSampleCompany(folder(), 1, "Harbour Lane");
    CreateSampleCompany(folder(), 2, "Second Street");
    ASSERT_TRUE(WriteLastCompany(folder(), OnFile("1")));
    Shell().clock.setToday(Date{2026, 3, 9});

    TMainForm form;
    EXPECT_EQ(MainForm, &form);
    ASSERT_TRUE(form.StartUp());
    form.show();
    EXPECT_EQ(Shell().companies.fileStem(), "1");
    EXPECT_EQ(form.StatusText(0), "Harbour Lane (1)");
    EXPECT_TRUE(form.StatusText(2).startsWith("03/09/2026"));
    EXPECT_EQ(Shell().main.LastPODate, "03/09/2026");
    EXPECT_TRUE(form.PrinDef->isChecked());
    EXPECT_FALSE(form.EMdef->isChecked());

    EXPECT_TRUE(form.close());
    EXPECT_FALSE(EngineReady());
}

TEST_F(MainWindowTest, TheCompanyOnFileIsReadAgainRatherThanTheCopyOfTheLastRun) {
    CreateSampleCompany(folder(), 3, "Renamed Since");
    CompanyRec stale = OnFile("3");
    stale.set(Company::Name, "Old Name");
    ASSERT_TRUE(WriteLastCompany(folder(), stale));

    TMainForm form;
    ASSERT_TRUE(form.StartUp());
    EXPECT_EQ(Shell().companies.CurrentCompany.get(Company::Name), "Renamed Since");
}

TEST_F(MainWindowTest, ALastCompanyNoLongerOnFileFallsBackToTheFirstByNumber) {
    CreateSampleCompany(folder(), 12, "Twelve");
    CreateSampleCompany(folder(), 4, "Four");
    CompanyRec gone = OnFile("4");
    ASSERT_TRUE(gone.set(Company::CompanyNumber, "99"));
    ASSERT_TRUE(WriteLastCompany(folder(), gone));

    TMainForm form;
    ASSERT_TRUE(form.StartUp());
    EXPECT_EQ(Shell().companies.fileStem(), "4");
    // The choice is kept for the next start.
    EXPECT_EQ(ReadLastCompany(folder())->get(Company::CompanyNumber), "4");
}

TEST_F(MainWindowTest, AMissingCompanyIndexIsRebuiltWhenTheUserAgrees) {
    CreateSampleCompany(folder(), 6, "Six");
    std::filesystem::remove(folder().file("cvcomp.IX"));
    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
    TMainForm form;
    ASSERT_TRUE(form.StartUp());
    EXPECT_EQ(Shell().companies.fileStem(), "6");

    // Declining leaves the files alone and ends the start.
    std::filesystem::remove(folder().file("cvcomp.IX"));
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok,
                 "The program cannot go on without the company file and will end now.");
    TMainForm second;
    EXPECT_FALSE(second.StartUp());
    EXPECT_FALSE(std::filesystem::exists(folder().file("cvcomp.IX")));
}

TEST_F(MainWindowTest, ACutCompanyFileInADeepFolderIsRebuiltOrTheEndIsExplained) {
    std::filesystem::path deep = dir.path();
    for (int i = 0; i < 4; ++i) deep /= std::string(60, 'f') + std::to_string(i);
    std::filesystem::create_directories(deep);
    ShellContextScope deepShell(deep);
    ASSERT_GT(deep.string().size(), 240u);
    CreateSampleCompany(folder(), 6, "Six");
    CreateSampleCompany(folder(), 7, "Seven");
    const auto dat = folder().file("cvcomp.DAT");
    const std::string whole = FileBytes("cvcomp.DAT");

    // The last record cut short, as a copy cut short leaves it: every whole record is kept,
    // and the user learns what was not.
    std::filesystem::resize_file(dat, 128 + CompanyRec::Size + 100);
    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok,
                 "The data file cvcomp.DAT (Companies) was damaged: it was cut short. 1 of the 2 "
                 "records it counted was kept. 100 bytes that held no record it could keep were "
                 "set aside in cvcomp.SAV, which keeps the old file whole.",
                 "Rebuild Status");
    TMainForm form;
    ASSERT_TRUE(form.StartUp());
    EXPECT_EQ(Shell().companies.fileStem(), "6");
    EXPECT_EQ(FileBytes("cvcomp.SAV"), whole.substr(0, 128 + CompanyRec::Size + 100));

    // Declining the rebuild ends the start, and the user is told why.
    std::filesystem::resize_file(dat, 128 + CompanyRec::Size / 2);
    host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok,
                 "The program cannot go on without the company file and will end now.");
    TMainForm second;
    EXPECT_FALSE(second.StartUp());
}

TEST_F(MainWindowTest, FirstStartOnAnEmptyFolderAsksForTheFirstCompany) {
    host->OnModal("CoSetForm", [](Form& f) {
        EXPECT_EQ(f.windowTitle(), "New Company");
        FillControl(f, "CName", "First Light Supplies");
        FillControl(f, "CNumber", "7");
        PressButton(f, "OKBtn");
    });
    TMainForm form;
    ASSERT_TRUE(form.StartUp());

    const CompanyRec added = OnFile("7");
    EXPECT_EQ(added.get(Company::Name), "First Light Supplies");
    EXPECT_EQ(added.get(Company::NextInvoiceNumber), "1001");
    EXPECT_EQ(Shell().companies.fileStem(), "7");
    EXPECT_EQ(ReadLastCompany(folder())->get(Company::Name), "First Light Supplies");
    EXPECT_EQ(form.StatusText(0), "First Light Supplies (7)");
}

TEST_F(MainWindowTest, CancellingTheFirstCompanyEndsTheStartWithNothingWritten) {
    host->OnModal("CoSetForm", [](Form& f) { PressButton(f, "CancelBtn"); });
    TMainForm form;
    EXPECT_FALSE(form.StartUp());
    EXPECT_EQ(FileBytes("LastCo.Dat"), "");
    EXPECT_TRUE(ListCompanies(folder(), CompanyOrder::ByName)->empty());
}

TEST_F(MainWindowTest, ExitAsksWhileThePrintQueueHoldsUnsavedLabels) {
    CreateSampleCompany(folder(), 1, "Harbour Lane");
    SharedFlags.LabelQueueChanged = true;
    TMainForm form;
    EXPECT_FALSE(SharedFlags.LabelQueueChanged) << "creating the main window clears the flag";
    ASSERT_TRUE(form.StartUp());
    form.show();

    SharedFlags.LabelQueueChanged = true;
    host->Answer(MsgResult::No, LabelQueueQuestion, "Please Confirm");
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(EngineReady());
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Question);
    EXPECT_EQ(host->LastMessage()->buttons, MsgButtons::YesNo);

    host->Answer(MsgResult::Yes, LabelQueueQuestion, "Please Confirm");
    RunRegisteredCommand(CommandId::Exit);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(EngineReady());
    SharedFlags.LabelQueueChanged = false;
}

TEST_F(MainWindowTest, CommandsAreDisabledUntilTheirWindowRegisters) {
    CreateSampleCompany(folder(), 1, "Harbour Lane");
    TMainForm form;
    ASSERT_TRUE(form.StartUp());

    // Every command has a menu item; those of the shell work from the start.
    for (const CommandInfo& info : CommandTable()) {
        ASSERT_NE(form.CommandAction(info.id), nullptr) << info.objectName;
        EXPECT_EQ(form.findChild<QAction*>(info.objectName), form.CommandAction(info.id));
    }
    for (const CommandId id :
         {CommandId::CompanyManager, CommandId::CompanySettings, CommandId::PrinterSetup,
          CommandId::Calculator, CommandId::HelpContents, CommandId::About, CommandId::Exit,
          CommandId::PaymentTerms})
        EXPECT_TRUE(form.CommandAction(id)->isEnabled()) << CommandInfoOf(id).objectName;

    QAction* customers = form.CommandAction(CommandId::CustomerManager);
    EXPECT_FALSE(customers->isEnabled());
    EXPECT_FALSE(form.CommandAction(CommandId::DateSelection)->isEnabled());
    int opened = 0;
    {
        const CommandRegistration registration(CommandId::CustomerManager, [&] { ++opened; });
        EXPECT_TRUE(customers->isEnabled());
        customers->trigger();
        EXPECT_EQ(opened, 1);
    }
    EXPECT_FALSE(customers->isEnabled());
    customers->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(MainWindowTest, AnErrorInsideACommandIsShownAndTheProgramGoesOn) {
    const CommandRegistration failing(CommandId::ReportWizard,
                                      [] { throw std::runtime_error("Add operation failed"); });
    host->Answer(MsgResult::Ok, "Add operation failed");
    EXPECT_FALSE(RunRegisteredCommand(CommandId::ReportWizard));
    EXPECT_FALSE(RunRegisteredCommand(CommandId::FormLetters)) << "nothing registered";
}

TEST_F(MainWindowTest, CommandsRegisteredBeforeTheWindowExistsAreEnabledInIt) {
    const CommandRegistration early(CommandId::VendorManager, [] {});
    TMainForm form;
    EXPECT_TRUE(form.CommandAction(CommandId::VendorManager)->isEnabled());
}

TEST_F(MainWindowTest, TheShellsOwnCommandsReachTheirWindows) {
    CreateSampleCompany(folder(), 1, "Harbour Lane");
    TMainForm form;
    ASSERT_TRUE(form.StartUp());

    host->AnswerPrinterDialog(true);
    RunRegisteredCommand(CommandId::PrinterSetup);
    RunRegisteredCommand(CommandId::Calculator);
    RunRegisteredCommand(CommandId::HelpContents);
    EXPECT_EQ(host->CalculatorRuns(), 1);
    EXPECT_EQ(host->HelpKeywords(), QStringList{"index"});

    host->Answer(MsgResult::Ok, {}, "About Stockmere");
    RunRegisteredCommand(CommandId::About);
    EXPECT_TRUE(host->LastMessage()->text.contains(QString::fromStdString(dir.path().string())));

    host->OnModal("CoSetForm", [](Form& f) {
        FillControl(f, "CName", "Harbour Lane Wholesale");
        PressButton(f, "OKBtn");
    });
    RunRegisteredCommand(CommandId::CompanySettings);
    EXPECT_EQ(form.StatusText(0), "Harbour Lane Wholesale (1)");
    EXPECT_EQ(form.CompanyName->text(), "Harbour Lane Wholesale");
}

TEST_F(MainWindowTest, StatusPanelsAndTheExternalAnswerMemo) {
    CreateSampleCompany(folder(), 1, "Harbour Lane");
    TMainForm form;
    ASSERT_TRUE(form.StartUp());
    form.SetStatusText(1, "12 invoices printed.");
    EXPECT_EQ(form.StatusText(1), "12 invoices printed.");
    EXPECT_EQ(form.StatusText(7), "");

    const std::string path = dir.file("CPWIN.TXT");
    EXPECT_TRUE(form.CPMemoSaveToFile(QString::fromStdString(path)));
    EXPECT_EQ(ReadWholeFile(path), "");
    form.CPMemoAppend("OK");
    form.CPMemoAppend("Invoice 1001 \u00e9");
    EXPECT_TRUE(form.CPMemoSaveToFile(QString::fromStdString(path)));
    EXPECT_EQ(ReadWholeFile(path), "OK\r\nInvoice 1001 \xe9\r\n");
    form.CPMemoClear();
    EXPECT_TRUE(form.CPMemo->toPlainText().isEmpty());
    EXPECT_FALSE(form.CPMemoSaveToFile(QString::fromStdString(dir.file("no/such/folder/x"))));
}

}  // namespace
