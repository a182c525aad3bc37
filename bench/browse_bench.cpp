// How long the browse control takes to open on its first page of a 1,000,000-record file set,
// against a 1,000-record one. It reads only the rows on screen, so the two should be close:
// the bar is 2x.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/browse/browser.h"
#include "engine/engine.h"

namespace {

constexpr int32_t RecordBytes = 64;
constexpr int Repetitions = 41;
constexpr double Bar = 2.0;

std::string codeOf(int32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%010d", n);
    return text;
}

bool holds(const std::string& name, int32_t count) {
    FileSetHandle file = 0;
    OpenFileSet(file, name, false, false, false, true);
    if (!EngineOK) return false;
    const bool whole = UsedRecordCount(file) == count && IndexKeyCount(file, 1) == count;
    CloseFileSet(file);
    return whole;
}

// Builds NAME with `count` records unless a finished one is already there; the ".ok" marker is
// written last so that a run cut short builds again.
bool ensureSet(const std::filesystem::path& folder, const std::string& stem, int32_t count) {
    const std::string name = (folder / stem).string();
    const std::filesystem::path marker = folder / (stem + ".ok");
    if (std::filesystem::exists(marker) && holds(name, count)) return true;
    std::filesystem::remove(marker);
    for (const char* extension : {".DAT", ".IX"})
        std::filesystem::remove(folder / (stem + extension));
    std::printf("generating %d records in %s ...\n", count, name.c_str());
    std::fflush(stdout);
    KeyDescTable keys{};
    keys[0] = {10, false};
    CreateFileSet(name, RecordBytes, 1, keys);
    FileSetHandle file = 0;
    OpenFileSet(file, name, false, false, false, true);
    if (!EngineOK) return false;
    std::vector<uint8_t> record(RecordBytes, ' ');
    LockFileSet(file);
    for (int32_t i = 1; i <= count && EngineOK; ++i) {
        const std::string code = codeOf(i);
        std::copy(code.begin(), code.end(), record.begin() + 4);
        int32_t ref = 0;
        AddRecord(file, ref, record);
        if (EngineOK) AddKey(file, 1, ref, code);
    }
    const bool ok = EngineOK;
    UnlockFileSet(file);
    CloseFileSet(file);
    if (!ok || !EngineOK) {
        std::fprintf(stderr, "could not build %s: engine error %d\n", name.c_str(),
                     static_cast<int>(EngineErrorCode));
        return false;
    }
    std::ofstream(marker) << count << "\n";
    return true;
}

struct Opened {
    double median = 0;
    size_t rows = 0;
};

// Median time from binding the control to its first page painted.
Opened timeOpen(const std::string& name) {
    FileSetHandle file = 0;
    OpenFileSet(file, name, false, false, false, true);
    Opened result;
    if (!EngineOK) return result;
    TFvcBrowser browser;
    browser.OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
        row.BRLRowEltString.assign(reinterpret_cast<const char*>(record.data()) + 4, 10);
    };
    browser.resize(400, 600);
    browser.show();
    QApplication::processEvents();
    std::vector<double> times;
    for (int n = 0; n < Repetitions; ++n) {
        const auto start = std::chrono::steady_clock::now();
        InitBrowserModel(browser, file, 1, RecordBytes);
        browser.viewport()->repaint();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    result.rows = browser.rows().size();
    InitBrowserModel(browser, 0, 1, RecordBytes);  // let go of the set before closing it
    CloseFileSet(file);
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    result.median = times[times.size() / 2];
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    BrowserErrorReporter = [](const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
    };
    const std::filesystem::path folder = argc > 1 ? argv[1] : BROWSE_BENCH_DATA;
    std::filesystem::create_directories(folder);
    EngineStart();
    if (!ensureSet(folder, "BR1K", 1000) || !ensureSet(folder, "BR1M", 1000000)) return 2;
    const std::string small = (folder / "BR1K").string();
    const std::string large = (folder / "BR1M").string();

    timeOpen(small);  // warm the caches of both before measuring
    timeOpen(large);
    const Opened a = timeOpen(small);
    const Opened b = timeOpen(large);
    EngineStop();
    if (a.rows == 0 || b.rows != a.rows) {
        std::fprintf(stderr, "the control did not open on a full page (%zu and %zu rows)\n", a.rows,
                     b.rows);
        return 2;
    }
    const double ratio = b.median / a.median;
    std::printf(
        "browse open, first page of %zu rows: 1,000,000 records vs 1,000 records: "
        "%.2fx (median of %d; %.0f us vs %.0f us) - bar %.1fx: %s\n",
        b.rows, ratio, Repetitions, b.median, a.median, Bar, ratio <= Bar ? "met" : "NOT MET");
    return ratio <= Bar ? 0 : 1;
}
