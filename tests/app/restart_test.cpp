// The program started again after the machine stopped, on a full disk, or on damaged files:
// one question for every file to rebuild before anything is read, a rebuild that fails says
// why, and what a damaged file lost is told with the books that no longer agree.
#include <algorithm>
#include <filesystem>

#include "engine/file_io.h"
#include "invoicing/records/invoice_rec.h"
#include "shell/company/company_file.h"
#include "shell/small_files.h"
#include "tests/app/program_env.h"
#include "tests/support/fault_files.h"
#include "tests/support/stored_files.h"

namespace {

namespace fs = std::filesystem;

class RestartTest : public ::testing::Test {
protected:
    RestartTest() {
        EngineStart(30);
        company = WriteSmallSampleCompany(folder());
        shell.context().clock.setToday(Date{2026, 6, 30});
    }
    ~RestartTest() override {
        windows.reset();
        EngineStop();
    }

    const DataFolder& folder() { return shell.context().folder; }
    bool Start() {
        windows = std::make_unique<ProgramWindows>();
        return windows->mainForm().StartUp();
    }
    // The sets as a machine that stopped leaves them: written in a boot that is over.
    void LeftByAStoppedMachine(const std::vector<std::string>& sets) {
        {
            EngineUnit unit;
            for (const std::string& set : sets) {
                FileSetHandle h = 0;
                OpenFileSet(h, folder().fileSet(set));
                std::vector<uint8_t> record(static_cast<size_t>(RecordLength(h)));
                ReadRecord(h, 1, record);
                PutRecord(h, 1, record);
            }
            ASSERT_TRUE(unit.commit());
        }
        EngineAbandon();
        engine_io::startNewBoot();
    }
    int32_t OpenCode(const std::string& set) {
        return testsupport::OpenCode(folder().fileSet(set));
    }
    int Questions() {
        return static_cast<int>(std::count_if(
            host->Record().begin(), host->Record().end(),
            [](const ScriptedHost::Shown& s) { return s.icon == MsgIcon::Question; }));
    }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    CompanyRec company;
    ScriptedHostGuard host;
    std::unique_ptr<ProgramWindows> windows;
};

TEST_F(RestartTest, AfterTheMachineStoppedOneQuestionRebuildsEveryFileBeforeAnythingIsRead) {
    LeftByAStoppedMachine({"cvcomp", "1C", "1P", "1I", "1D"});
    host->Answer(MsgResult::Yes,
                 "Index files are defective (Companies, Customers, Products, Invoices, Invoice "
                 "Lines).  Rebuild?",
                 "Please Confirm");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Questions(), 1);
    for (const std::string set : {"cvcomp", "1C", "1P", "1I", "1D"}) EXPECT_EQ(OpenCode(set), 0);
}

TEST_F(RestartTest, ARebuildOnAFullDiskSaysSoOnceAndTheStartGoesOn) {
    LeftByAStoppedMachine({"1I"});
    EXPECT_EQ(OpenCode("1I"), EngineCode::IndexDefective);  // the journal is replayed
    testsupport::FailingFiles full;
    full.failAt = 1;
    const testsupport::LayerScope installed(full);
    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
    host->Answer(MsgResult::Ok,
                 "The Invoices file (1I.DAT) could not be rebuilt.\n\nThe disk is full.\n\n"
                 "Nothing in it was lost: it is rebuilt when it is opened again.",
                 "Rebuild Status");
    // The aging of the day needs the invoices: said once, without a second question.
    host->Answer(MsgResult::Ok);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Questions(), 1);
    EXPECT_EQ(OpenCode("1I"), EngineCode::IndexDefective);
}

TEST_F(RestartTest, ADamagedDataFileIsToldWithWhatWasKeptTheBooksAndTheCompaniesLost) {
    // Company 2, whose files are in the folder; the company file cut inside its record.
    CreateSampleCompany(folder(), 2, "Second Street", {.seed = 2, .counts = {}});
    CreateFileSet(folder().fileSet("2C"), 916, 1, KeyDescTable{{{10, false}}});
    ASSERT_TRUE(WriteLastCompany(folder(), company));
    fs::resize_file(folder().file("cvcomp.DAT"), 128 + CompanyRec::Size + 1000);
    // The invoice file cut inside its last record, the memo file inside its header.
    const auto invoices = folder().file("1I.DAT");
    FileSetHandle h = 0;
    OpenFileSet(h, folder().fileSet("1I"));
    const int32_t live = UsedRecordCount(h);
    int32_t last = 0;
    for (int32_t ref = 0; NextUsedRecord(h, ref), EngineOK;) last = ref;
    CloseFileSet(h);
    ASSERT_GT(last, 0);
    fs::resize_file(invoices, 128 + uint64_t(last - 1) * InvoiceRec::Size + 100);
    fs::resize_file(folder().file("1M.DAT"), 60);

    host->Answer(MsgResult::Yes, "Index files are defective (Companies, Invoices, Memo "
                                 "Records).  Rebuild?");
    host->Answer(MsgResult::Ok, {}, "Rebuild Status");
    host->Answer(MsgResult::Ok, {}, "Company Manager");
    host->Answer(MsgResult::Ok, {}, "Books Check");
    ASSERT_TRUE(Start());
    const QStringList told = host->Messages();
    ASSERT_EQ(told.size(), 4);
    EXPECT_TRUE(told[1].contains("The data file 1I.DAT (Invoices) was damaged: it was cut "
                                 "short. " +
                                 QString::number(live - 1) + " of the " + QString::number(live) +
                                 " records it counted were kept. 100 bytes"))
        << told[1].toStdString();
    EXPECT_TRUE(told[1].contains("set aside in 1I.SAV")) << told[1].toStdString();
    EXPECT_TRUE(told[1].contains("The data file 1M.DAT (Memo Records) was damaged: it was cut "
                                 "short. 0 records were kept. 60 bytes"))
        << told[1].toStdString();
    EXPECT_TRUE(told[2].startsWith("Company 2 is no longer in the company file"));
    // The lost invoice's lines, and the memo invoices whose memos went with the memo file.
    EXPECT_TRUE(told[3].contains("line(s) of invoice 1040 without it")) << told[3].toStdString();
    EXPECT_TRUE(told[3].contains("without its memo")) << told[3].toStdString();
}

}  // namespace
