// stockmere-sample: writes the sample company into a data folder.
//
//     stockmere-sample --data DIR [--company N] [--name TEXT] [--seed S] [--today YYYY/MM/DD]
//                      [--customers N] [--vendors N] [--products N] [--invoices N]
//                      [--orders N] [--labels N]
//
// Every other "--word N" asks the sample filler of that name for N records. The history
// (invoices, orders) is the year that ends with --today, the system date by default.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <QString>

#include "engine/engine.h"
#include "masters/sample_masters.h"
#include "platform/cp1252.h"
#include "sample/company_history.h"
#include "shell/company/company_rec.h"
#include "shell/data_folder.h"
#include "shell/sample_company.h"

namespace {

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "stockmere-sample: %s\n"
                 "usage: stockmere-sample --data DIR [--company N] [--name TEXT] [--seed S] "
                 "[--today YYYY/MM/DD] [--customers N] [--vendors N] [--products N] "
                 "[--invoices N] [--orders N] [--labels N]\n",
                 problem);
    return 2;
}

template <class T>
bool ParseNumber(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    std::string data;
    Date today;
    std::string name(DefaultSampleName);
    int company = 1;
    SampleOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--") || arg.size() == 2) return Usage("unexpected argument");
        if (i + 1 >= argc) return Usage("every switch takes a value");
        const std::string_view value = argv[++i];
        const std::string_view key = arg.substr(2);
        if (key == "data") {
            data = value;
        } else if (key == "name") {
            // Record text is Windows-1252, the command line the locale's (UTF-8).
            const QString typed = QString::fromLocal8Bit(value.data(), value.size());
            if (FirstUnencodable(typed) >= 0)
                return Usage("--name holds a character that cannot be stored");
            name = ToCp1252(typed);
            if (name.size() > static_cast<std::size_t>(Company::Name.width))
                return Usage("--name holds at most 35 characters");
        } else if (key == "company") {
            if (!ParseNumber(value, company)) return Usage("--company needs a number");
        } else if (key == "today") {
            const auto date = ParseSortableDate(value);
            if (!date) return Usage("--today needs a date as YYYY/MM/DD");
            today = *date;
        } else if (key == "seed") {
            if (!ParseNumber(value, options.seed)) return Usage("--seed needs a number");
        } else {
            int count = 0;
            if (!ParseNumber(value, count) || count < 0)
                return Usage("record counts are whole numbers");
            options.counts[std::string(key)] = count;
        }
    }
    if (data.empty()) return Usage("--data is required");
    RegisterSampleMasterFillers();
    RegisterSampleHistoryFillers(today);

    for (const auto& [filler, count] : options.counts) {
        const auto names = SampleFillerNames();
        if (std::find(names.begin(), names.end(), filler) == names.end())
            std::fprintf(stderr, "stockmere-sample: nothing writes %s yet; skipped\n",
                         filler.c_str());
    }

    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    if (!std::filesystem::is_directory(data)) {
        std::fprintf(stderr, "stockmere-sample: cannot create %s\n", data.c_str());
        return 1;
    }
    EngineStart(30);
    try {
        CreateSampleCompany(DataFolder(data), company, name, options);
    } catch (const std::exception& e) {
        EngineStop();
        std::fprintf(stderr, "stockmere-sample: %s\n", e.what());
        return 1;
    }
    EngineStop();
    std::printf("stockmere-sample: company %d \"%s\" written to %s\n", company,
                FromCp1252(name).toLocal8Bit().constData(), data.c_str());
    return 0;
}
