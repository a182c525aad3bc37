#pragma once
// A fresh data folder, shell state and running engine for the shell's window tests, with the
// scripted host answering everything the windows show.

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "platform/scripted_host_guard.h"
#include "shell/app_context.h"
#include "shell/company/company_file.h"
#include "shell/data_folder.h"
#include "tests/support/temp_dir.h"

class ShellWindowTest : public ::testing::Test {
protected:
    ShellWindowTest() { EngineStart(30); }
    ~ShellWindowTest() override { EngineStop(); }

    const DataFolder& folder() { return Shell().folder; }

    CompanyRec OnFile(const std::string& number) {
        const auto found = FindCompany(folder(), number);
        EXPECT_TRUE(found.has_value()) << "company " << number << " is not on file";
        return found.value_or(CompanyRec{});
    }

    // The raw bytes of a file in the data folder; empty when it is missing.
    std::string FileBytes(const std::string& name) {
        return ReadWholeFile(folder().file(name)).value_or(std::string{});
    }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    ScriptedHostGuard host;
};
