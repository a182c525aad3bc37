// Writes starting inputs for the fuzz target: a valid set, one left open by a process that
// died, and the valid set without its IX.

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/engine.h"
#include "fuzz/packing.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: engine_fuzz_seed CORPUS_DIR\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    std::filesystem::create_directories(corpus);
    std::string tmpl = (std::filesystem::temp_directory_path() / "stockmere-seed-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    EngineStart(30);
    testsupport::SetImages img = testsupport::buildFuzzSample(tmpl);
    const testsupport::SetImages leftOpen = testsupport::buildFuzzSample(tmpl, true);
    EngineStop();
    std::filesystem::remove_all(tmpl);
    if (img.dat.empty() || img.ix.empty() || leftOpen.dat.empty()) {
        std::fprintf(stderr, "engine_fuzz_seed: the engine wrote no set\n");
        return 1;
    }
    const auto write = [&](const char* name, const testsupport::SetImages& set) {
        const auto bytes = fuzzpack::pack(set);
        std::ofstream(corpus / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    write("valid-set", img);
    write("left-open-set", leftOpen);
    img.ix.clear();
    write("data-only", img);
    return 0;
}
