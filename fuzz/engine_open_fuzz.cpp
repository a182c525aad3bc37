// libFuzzer entry: every input is a file set to open and drive through every path.

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "fuzz/packing.h"

namespace {

std::filesystem::path g_dir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/stockmere-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_dir = tmpl;
    EngineStart(30);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const testsupport::SetImages img = fuzzpack::unpack(data, size);
    // Rebuilding is slow; every input whose first byte is odd takes that path as well.
    const bool rebuild = size > 0 && (data[0] & 1) != 0;
    const std::string fault = testsupport::exerciseImages(g_dir, img, size, rebuild);
    if (!fault.empty()) {
        std::fprintf(stderr, "engine contract broken: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
