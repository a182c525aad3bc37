#pragma once
// The sample company: the same number, name and seed always give the same files, byte for
// byte. The demo data folder, tests and benchmarks are made with it.
//
// Units whose files belong to a company add their own generators ("fillers") under a name,
// and a sample asks each for a number of records:
//
//     RegisterSampleFiller("customers", [](const DataFolder& folder, const CompanyRec& co,
//                                          uint32_t seed, int count) { ... });
//     CreateSampleCompany(folder, 1, "Harbour Lane Trading", {.counts = {{"customers", 50}}});

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "shell/company/company_rec.h"
#include "shell/data_folder.h"

struct SampleOptions {
    uint32_t seed = 1;
    // Records wanted, by filler name; a filler without a count here is not run.
    std::map<std::string, int, std::less<>> counts;
};

// Writes `count` records of its kind for the company; raises std::runtime_error with a text
// for the user when it cannot. Its seed is its own (derived from the sample's seed and its
// name), so adding a filler does not change what the others write.
using SampleFiller = std::function<void(const DataFolder& folder, const CompanyRec& company,
                                        uint32_t seed, int count)>;

// Fillers run in the order registered, so one may use the records of those before it
// (invoices use customers and products). Registering a name again replaces its filler.
void RegisterSampleFiller(std::string name, SampleFiller filler);
void UnregisterSampleFiller(std::string_view name);
std::vector<std::string> SampleFillerNames();

inline constexpr std::string_view DefaultSampleName = "Harbour Lane Trading Co.";

// Adds the company to "cvcomp", makes it the last company ("LastCo.Dat"), writes the payment
// terms file when there is none, then runs the fillers asked for. Raises std::runtime_error
// with a text for the user when the company cannot be added (a number outside 1..32000 or in
// use, a file that cannot be written). The engine must be running.
CompanyRec CreateSampleCompany(const DataFolder& folder, int number, std::string_view name,
                               const SampleOptions& options = {});

// The seed a filler of that name gets from the sample's seed.
uint32_t FillerSeed(uint32_t seed, std::string_view name);

// The random picks of sample records. std::mt19937's output is fixed by the standard (the
// distributions are not), so picks are made from its raw numbers: the same seed gives the
// same records on every platform.
class SampleRandom {
public:
    explicit SampleRandom(uint32_t seed) : engine_(seed) {}
    // 0..n-1; n must be above 0.
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }
    // from..to, both included.
    int number(int from, int to) {
        return from + static_cast<int>(below(static_cast<uint32_t>(to - from + 1)));
    }
    // True in `percent` cases out of 100.
    bool chance(int percent) { return below(100) < static_cast<uint32_t>(percent); }
    template <class List>
    const auto& pick(const List& list) {
        return list[below(static_cast<uint32_t>(std::size(list)))];
    }

private:
    std::mt19937 engine_;
};
