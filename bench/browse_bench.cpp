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

#include "bench/measure.h"
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

// One file set with a control shown over it.
class Subject {
public:
    explicit Subject(const std::string& name) {
        OpenFileSet(file_, name, false, false, false, true);
        browser_.OnBuildRow = [](RR& row, std::span<const uint8_t> record) {
            row.BRLRowEltString.assign(reinterpret_cast<const char*>(record.data()) + 4, 10);
        };
        browser_.resize(400, 600);
        browser_.show();
        QApplication::processEvents();
    }
    ~Subject() { CloseFileSet(file_); }
    Subject(const Subject&) = delete;
    Subject& operator=(const Subject&) = delete;

    bool opened() const { return file_ != 0; }
    size_t rows() const { return browser_.rows().size(); }

    // From binding the control to its first page painted, in microseconds.
    double timeOpen() {
        const auto start = std::chrono::steady_clock::now();
        InitBrowserModel(browser_, file_, 1, RecordBytes);
        browser_.viewport()->repaint();
        const auto end = std::chrono::steady_clock::now();
        return std::chrono::duration<double, std::micro>(end - start).count();
    }

private:
    FileSetHandle file_ = 0;
    TFvcBrowser browser_;
};

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

    double smallMedian = 0, largeMedian = 0;
    size_t smallRows = 0, largeRows = 0;
    {
        Subject a(small), b(large);
        if (!a.opened() || !b.opened()) {
            std::fprintf(stderr, "could not open the generated sets\n");
            return 2;
        }
        a.timeOpen();  // warm both before measuring
        b.timeOpen();
        // Taken in turns, so that whatever else the machine does falls on both alike.
        std::vector<double> smallTimes, largeTimes;
        for (int n = 0; n < Repetitions; ++n) {
            smallTimes.push_back(a.timeOpen());
            largeTimes.push_back(b.timeOpen());
        }
        smallMedian = benchmeasure::Median(smallTimes);
        largeMedian = benchmeasure::Median(largeTimes);
        smallRows = a.rows();
        largeRows = b.rows();
    }
    EngineStop();
    if (smallRows == 0 || largeRows != smallRows) {
        std::fprintf(stderr, "the control did not open on a full page (%zu and %zu rows)\n",
                     smallRows, largeRows);
        return 2;
    }
    const double ratio = largeMedian / smallMedian;
    std::printf(
        "browse open, first page of %zu rows: 1,000,000 records vs 1,000 records: "
        "%.2fx (median of %d; %.0f us vs %.0f us) - bar %.1fx: %s\n",
        largeRows, ratio, Repetitions, largeMedian, smallMedian, Bar,
        ratio <= Bar ? "met" : "NOT MET");
    return ratio <= Bar ? 0 : 1;
}
