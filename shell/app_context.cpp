#include "shell/app_context.h"

#include <cstdio>
#include <cstdlib>

namespace {
ShellContext* current = nullptr;
}

ShellContext& Shell() {
    if (!current) {
        std::fputs("Shell() used before a ShellContext was installed\n", stderr);
        std::abort();
    }
    return *current;
}

bool HasShellContext() { return current != nullptr; }

ShellContextScope::ShellContextScope(std::filesystem::path dataDir)
    : context_(std::make_unique<ShellContext>(std::move(dataDir))), previous_(current) {
    current = context_.get();
}

ShellContextScope::~ShellContextScope() { current = previous_; }
