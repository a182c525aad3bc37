// Thousands of damaged copies of a valid set, each opened and driven through every path.
// A crash or a hang fails the whole binary, so the iteration being run is written out first
// by a signal handler: rerun with STOCKMERE_FUZZ_ONLY=<iteration> to reproduce one case.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "tests/support/engine_fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::SetImages;

char g_current[160] = "before the first iteration";

extern "C" void reportFatal(int sig) {
    char line[256];
    const int n = std::snprintf(line, sizeof line, "\nfatal signal %d during %s\n", sig, g_current);
    if (n > 0) (void)!::write(2, line, static_cast<size_t>(n));
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

class FatalSignalReport {
public:
    FatalSignalReport() {
        for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGALRM})
            old_[count_++] = ::signal(s, reportFatal);
    }
    ~FatalSignalReport() {
        ::alarm(0);
        int i = 0;
        for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGALRM})
            ::signal(s, old_[i++]);
    }

private:
    sighandler_t old_[6]{};
    int count_ = 0;
};

size_t openFiles() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

// Damage of the kinds a torn copy, a wrong file or a hostile file brings; header bytes are hit
// more often because every field there steers the reading of the rest.
std::string mutate(std::vector<uint8_t>& f, std::mt19937_64& rng) {
    auto pos = [&](size_t limit) -> size_t {
        if (f.empty()) return 0;
        if (rng() % 3 == 0) return rng() % std::min<size_t>(f.size(), limit);
        return rng() % f.size();
    };
    switch (rng() % 8) {
        case 0:
        case 1: {
            const int n = 1 + static_cast<int>(rng() % 8);
            for (int i = 0; i < n && !f.empty(); ++i)
                f[pos(64)] ^= static_cast<uint8_t>(1 + rng() % 255);
            return "flipped " + std::to_string(n) + " bytes";
        }
        case 2: {
            static constexpr uint32_t values[] = {0,          1,          0x7f,       0x80,
                                                  0xff,       0xffff,     0x7fffffff, 0x80000000,
                                                  0xffffffff, 0xfffffffe, 4096,       65536};
            if (f.size() < 4) return "too short for a word";
            const size_t at = pos(128) & ~size_t{3};
            const uint32_t v = values[rng() % std::size(values)];
            for (size_t i = 0; i < 4 && at + i < f.size(); ++i)
                f[at + i] = static_cast<uint8_t>(v >> (8 * i));
            return "word " + std::to_string(v) + " at " + std::to_string(at);
        }
        case 3: {
            if (f.empty()) return "nothing to overwrite";
            const size_t at = pos(f.size());
            const size_t n = std::min<size_t>(f.size() - at, 1 + rng() % 512);
            const int fill = static_cast<int>(rng() % 3);
            for (size_t i = 0; i < n; ++i)
                f[at + i] = fill == 0 ? 0 : fill == 1 ? 0xff : static_cast<uint8_t>(rng());
            return "overwrote " + std::to_string(n) + " bytes at " + std::to_string(at);
        }
        case 4: {
            const size_t n = f.empty() ? 0 : rng() % f.size();
            f.resize(n);
            return "truncated to " + std::to_string(n);
        }
        case 5: {
            const size_t n = 1 + rng() % 9000;
            for (size_t i = 0; i < n; ++i) f.push_back(static_cast<uint8_t>(rng() % 2 ? rng() : 0));
            return "extended by " + std::to_string(n);
        }
        case 6: {
            // A page-sized block copied over another one: plausible structure in the wrong place.
            if (f.size() < 8192) return "too short to move a page";
            const size_t from = (rng() % (f.size() / 4096)) * 4096;
            const size_t to = (rng() % (f.size() / 4096)) * 4096;
            std::copy_n(f.begin() + static_cast<std::ptrdiff_t>(from), 4096,
                        f.begin() + static_cast<std::ptrdiff_t>(to));
            return "copied page at " + std::to_string(from) + " to " + std::to_string(to);
        }
        default: {
            if (f.size() < 2) return "too short to shift";
            const size_t at = pos(f.size());
            f.erase(f.begin() + static_cast<std::ptrdiff_t>(at));
            return "removed byte " + std::to_string(at);
        }
    }
}

class EngineFuzz : public ::testing::Test {
protected:
    void SetUp() override { EngineStart(30); }
    void TearDown() override { EngineStop(); }

    // Damages copies of `sample` in `iterations` seeded ways; each must open and run cleanly
    // or end in a code.
    void damageAndDrive(const SetImages& sample, uint64_t seedBase, int iterations) {
        ASSERT_FALSE(sample.dat.empty());
        ASSERT_FALSE(sample.ix.empty());
        ASSERT_EQ(testsupport::exerciseImages(work_, sample, 1, false), "");

        const FatalSignalReport report;
        const size_t filesBefore = openFiles();
        const char* only = std::getenv("STOCKMERE_FUZZ_ONLY");
        const int first = only ? std::atoi(only) : 0;
        const int last = only ? first + 1 : iterations;
        int faults = 0;
        testsupport::FuzzStats stats;
        for (int i = first; i < last; ++i) {
            std::mt19937_64 rng(seedBase + static_cast<uint64_t>(i));
            SetImages img = sample;
            std::string what;
            const unsigned target = rng() % 10;
            const int rounds = 1 + static_cast<int>(rng() % 3);
            for (int r = 0; r < rounds; ++r) {
                if (target < 4) {
                    what += "DAT " + mutate(img.dat, rng) + "; ";
                } else if (target < 8) {
                    what += "IX " + mutate(img.ix, rng) + "; ";
                } else if (target == 8) {
                    what += "DAT " + mutate(img.dat, rng) + "; IX " + mutate(img.ix, rng) + "; ";
                } else {
                    img.ix.clear();
                    what += "IX removed; DAT " + mutate(img.dat, rng) + "; ";
                }
            }
            std::snprintf(g_current, sizeof g_current, "iteration %d: %s", i, what.c_str());
            ::alarm(20);
            const std::string fault =
                testsupport::exerciseImages(work_, img, rng(), i % 4 == 0, &stats);
            ::alarm(0);
            if (!fault.empty()) {
                ++faults;
                if (faults <= 10) ADD_FAILURE() << g_current << " -> " << fault;
            }
        }
        std::cout << "damaged sets: " << stats.opened << " opened as they were, "
                  << stats.openedRebuilt << " opened after a rebuild, " << stats.refused
                  << " refused with a code\n";
        EXPECT_EQ(faults, 0);

        // The engine is still sound after all of that: no file left open, and a clean set works.
        EXPECT_EQ(openFiles(), filesBefore);
        EXPECT_EQ(testsupport::exerciseImages(work_, sample, 2, false), "");
    }

    testsupport::TempDir dir_;
    const std::filesystem::path work_ = dir_.path();
};

TEST_F(EngineFuzz, DamagedCopiesOfAClosedSet) {
    damageAndDrive(testsupport::buildFuzzSample(work_), 0x5eed0000u, 2000);
}

// A process that died with the set open after changing it leaves an index nothing vouches
// for; damage to it must end in a code, never in a read of the damaged file.
TEST_F(EngineFuzz, DamagedCopiesOfASetLeftOpenByADeadProcess) {
    // Its index is never read, so fewer rounds cover it: the damage that matters is the DAT's.
    damageAndDrive(testsupport::buildFuzzSample(work_, true), 0x0be50000u, 1000);
}

}  // namespace
