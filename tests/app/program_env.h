#pragma once
// The whole program on a small sample company with its history, as main() builds it: engine,
// every window, the main window started on the company, and the scripted host answering what
// the windows show.

#include <gtest/gtest.h>

#include "app/program_windows.h"
#include "engine/engine.h"
#include "masters/sample_masters.h"
#include "platform/scripted_host_guard.h"
#include "sample/company_history.h"
#include "shell/app_context.h"
#include "shell/main_window.h"
#include "shell/sample_company.h"
#include "tests/support/temp_dir.h"

// A sample company in the folder: masters, a few months of invoices and purchase orders, the
// label layout and print queue. The engine must be running.
inline CompanyRec WriteSmallSampleCompany(const DataFolder& folder) {
    const CompanyRec company =
        CreateSampleCompany(folder, 1, "Harbour Lane", {.seed = 1, .counts = {}});
    EXPECT_TRUE(FillSampleMasters(folder, company, 1, 12, 4, 15));
    WriteCompanyHistory(folder, company,
                        {.seed = 1,
                         .invoices = 40,
                         .purchaseOrders = 6,
                         .queueRows = 4,
                         .today = Date{2026, 6, 30}});
    return company;
}

class ProgramEnv : public ::testing::Test {
protected:
    ProgramEnv() {
        EngineStart(30);
        WriteSmallSampleCompany(shell.context().folder);
        shell.context().clock.setToday(Date{2026, 6, 30});
        windows = std::make_unique<ProgramWindows>();
        EXPECT_TRUE(main().StartUp());
        main().show();
    }
    ~ProgramEnv() override {
        windows.reset();
        EngineStop();
    }

    TMainForm& main() { return windows->mainForm(); }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    ScriptedHostGuard host;
    std::unique_ptr<ProgramWindows> windows;
};
