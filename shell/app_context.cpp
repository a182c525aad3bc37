#include "shell/app_context.h"

#include <cstdio>
#include <cstdlib>

ShellContext& Shell() {
    ShellContext* const installed = UnitStateScope<ShellContext>::Installed();
    if (!installed) {
        std::fputs("Shell() used before a ShellContext was installed\n", stderr);
        std::abort();
    }
    return *installed;
}

bool HasShellContext() {
    return UnitStateScope<ShellContext>::Installed() != nullptr;
}
