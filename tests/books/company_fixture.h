#pragma once
// The engine running on a temporary data folder that holds company 7 as CreateCompany writes
// it, with a scripted host: what every books test starts from.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/engine.h"
#include "platform/scripted_host_guard.h"
#include "tests/books/posting_driver.h"
#include "tests/support/temp_dir.h"

namespace bookstest {

class CompanyFixture : public ::testing::Test {
protected:
    CompanyFixture() {
        EngineStart(30);
        opening = CreateCompany(folder);
    }
    ~CompanyFixture() override { EngineStop(); }

    testsupport::TempDir dir;
    const DataFolder folder{dir.path()};
    ScriptedHostGuard host;
    std::map<std::string, Decimal> opening;
};

}  // namespace bookstest
