#pragma once
// A company in a fresh data folder for one test: the engine started, the shell's state
// with company 7 current, the platform's windows, and a scripted host that fails the test
// on any message box or window it was not told about.

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "platform/scripted_host_guard.h"
#include "platform/status_window.h"
#include "shell/app_context.h"
#include "tests/support/temp_dir.h"

class CompanyEnv : public ::testing::Test {
protected:
    CompanyEnv() {
        EngineStart();
        EXPECT_TRUE(shell.context().companies.CurrentCompany.set(Company::CompanyNumber, "7"));
    }
    ~CompanyEnv() override { EngineStop(); }

    // The engine's name of company 7's file set with the letters.
    std::string SetName(const char* letters) const {
        return (dir.path() / ("7" + std::string(letters))).string();
    }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    PlatformWindows windows;
    ScriptedHostGuard host;
};
