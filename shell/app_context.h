#pragma once
// The shell's process-wide state in one object that the application owns. Windows and file
// layers reach it through Shell(); a test builds a fresh one with ShellContextScope.
//
// Every other unit (masters, invoicing, ...) keeps its own process-wide variables the same
// way (shell/unit_state.h).

#include <filesystem>

#include "shell/company/company_file.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/shell_state.h"
#include "shell/unit_state.h"

struct ShellContext {
    explicit ShellContext(std::filesystem::path dataDir) : folder(std::move(dataDir)) {}

    DataFolder folder;
    Clock clock;
    CompanyState companies;
    MainState main;

    // The engine's name (path without extension) of the current company's file set with
    // the given letter code ("C", "V", "P", "I", "D", "M", ...).
    std::string companyFileSet(std::string_view letters) const {
        return folder.fileSet(companies.fileStem() + std::string(letters));
    }
};

// The context in use. Calling it before one is installed is a programming error (it aborts).
ShellContext& Shell();
bool HasShellContext();

// Installs a context for the life of the object (the application's, or a test's), and puts
// the previous one back afterwards.
class ShellContextScope : public UnitStateScope<ShellContext> {
public:
    explicit ShellContextScope(std::filesystem::path dataDir)
        : UnitStateScope(std::move(dataDir)) {}
    ShellContext& context() { return state(); }
};
