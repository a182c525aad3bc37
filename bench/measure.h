#pragma once
// What the benchmarks measure with: elapsed time, the median of samples, the process's memory
// counters in /proc/self/status and a fresh start of its peak.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace benchmeasure {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The middle sample (the upper of the two middle ones of an even count); 0 for none.
inline double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// The text of a file under /proc, read whole.
inline std::string ProcFile(const char* path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text of /proc/self/status, read once for several fields.
inline std::string ProcStatus() {
    return ProcFile("/proc/self/status");
}

// A field of that text in KiB, as "VmHWM" (peak resident), "VmRSS" (resident now) or
// "RssAnon"; 0 when the kernel does not show it.
inline long StatusKB(std::string_view status, std::string_view field) {
    for (std::size_t at = status.find(field); at != std::string_view::npos;
         at = status.find(field, at + 1)) {
        const std::size_t colon = at + field.size();
        if ((at == 0 || status[at - 1] == '\n') && colon < status.size() && status[colon] == ':')
            return std::strtol(status.data() + colon + 1, nullptr, 10);
    }
    return 0;
}

// Starts a new peak: VmHWM falls back to the present resident memory (false where the kernel
// cannot).
inline bool ClearPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace benchmeasure
