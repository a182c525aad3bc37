#include "shell/company/company_file.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <regex>
#include <set>

#include "shell/text.h"

std::string BuildCompanyKey(std::span<const uint8_t> record, int keyNr) {
    if (keyNr == CompanyNumberKey) return KeyText(fields::Get(record, Company::CompanyNumber), 5);
    return KeyText(fields::Get(record, Company::Name), 30);
}

const FileDesc& CompanyFileDesc() {
    static const FileDesc desc{
        CompanyRec::Size,
        {KeyDesc{5, false}, KeyDesc{30, true}},
        [](std::span<const uint8_t> rec, int nr) { return BuildCompanyKey(rec, nr); }};
    return desc;
}

std::string CompanyState::fileStem() const {
    return TrimBlanks(CurrentCompany.get(Company::CompanyNumber));
}

DateFormat CompanyState::dateFormat() const {
    return DateFormat(DateOrderOf(CurrentCompany.get(Company::DateOrderSetting)));
}

std::optional<std::string> CanonicalCompanyNumber(std::string_view text) {
    const std::string digits = TrimBlanks(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || digits.front() == '-' || ec != std::errc() ||
        end != digits.data() + digits.size() || value < 1 || value > 32000)
        return std::nullopt;
    return std::to_string(value);
}

CompanyResult UpdateCurrentCompany(CompanyState& state, const DataFolder& folder,
                                   const std::function<bool(CompanyRec&)>& change) {
    const FileDesc& desc = CompanyFileDesc();
    if (!OpenFiles(state.CompanyFile, folder.fileSet(CompanyFileName), desc, false))
        return CompanyResult::EngineError;
    const FileSetCloser closer(state.CompanyFile);

    CompanyRec found;
    const std::string key = BuildCompanyKey(state.CurrentCompany, CompanyNumberKey);
    const int32_t ref = FindExact(state.CompanyFile, desc, CompanyNumberKey, key, found.bytes());
    if (ref == 0)
        return EngineErrorCode == EngineCode::KeyNotFound ? CompanyResult::NotFound
                                                          : CompanyResult::EngineError;
    state.CompanyBuf = found;
    CompanyRec changed = found;
    if (!change(changed)) return CompanyResult::Refused;
    if (BuildCompanyKey(changed, CompanyNumberKey) != key) return CompanyResult::NumberChanged;
    if (!UpdateRecordWithKeys(state.CompanyFile, desc, ref, found.bytes(), changed.bytes()))
        return CompanyResult::EngineError;
    state.CompanyBuf = changed;
    state.CurrentCompany = state.CompanyBuf;
    return CompanyResult::Ok;
}

CompanyResult AddCompany(CompanyState& state, const DataFolder& folder, const CompanyRec& company) {
    const auto number = CanonicalCompanyNumber(company.get(Company::CompanyNumber));
    if (!number) return CompanyResult::InvalidNumber;
    const FileDesc& desc = CompanyFileDesc();
    if (!OpenFiles(state.CompanyFile, folder.fileSet(CompanyFileName), desc, true))
        return CompanyResult::EngineError;
    const FileSetCloser closer(state.CompanyFile);

    CompanyRec record = company;
    if (!record.set(Company::CompanyNumber, *number)) return CompanyResult::InvalidNumber;
    int32_t ref = 0;
    if (!AddRecordWithKeys(state.CompanyFile, desc, record.bytes(), ref))
        return EngineErrorCode == EngineCode::DuplicateKey ? CompanyResult::DuplicateNumber
                                                           : CompanyResult::EngineError;
    state.CompanyBuf = record;
    return CompanyResult::Ok;
}

std::optional<std::vector<CompanyRec>> ListCompanies(const DataFolder& folder, CompanyOrder order) {
    const FileDesc& desc = CompanyFileDesc();
    FileSetHandle handle = 0;
    if (!OpenFiles(handle, folder.fileSet(CompanyFileName), desc, false)) {
        if (EngineErrorCode != EngineCode::NoSuchFileSet) return std::nullopt;
        EngineOK = true;
        EngineErrorCode = 0;
        return std::vector<CompanyRec>{};
    }
    const FileSetCloser closer(handle);
    std::vector<CompanyRec> companies;
    const int keyNr = order == CompanyOrder::ByName ? CompanyNameKey : CompanyNumberKey;
    const bool walked =
        ForEachByKey(handle, desc, keyNr, [&](int32_t, std::span<const uint8_t> rec) {
            CompanyRec& c = companies.emplace_back();
            std::copy(rec.begin(), rec.end(), c.bytes().begin());
            return true;
        });
    if (!walked) return std::nullopt;
    if (order == CompanyOrder::ByNumber) {
        // Key 1 is text ("10" before "9"); a list by number is read as numbers.
        auto value = [](const CompanyRec& c) {
            const auto n = CanonicalCompanyNumber(c.get(Company::CompanyNumber));
            return n ? std::stoi(*n) : 0;
        };
        std::stable_sort(
            companies.begin(), companies.end(),
            [&](const CompanyRec& a, const CompanyRec& b) { return value(a) < value(b); });
    }
    return companies;
}

bool RebuildCompanyFiles(const DataFolder& folder) {
    return RebuildFiles(folder.fileSet(CompanyFileName), CompanyFileDesc());
}

std::optional<CompanyRec> FindCompany(const DataFolder& folder, std::string_view number) {
    const FileDesc& desc = CompanyFileDesc();
    FileSetHandle handle = 0;
    if (!OpenFiles(handle, folder.fileSet(CompanyFileName), desc, false)) return std::nullopt;
    const FileSetCloser closer(handle);
    CompanyRec probe;
    // A number that cannot be stored cannot be on file either.
    if (!probe.set(Company::CompanyNumber, TrimBlanks(number))) {
        EngineOK = false;
        EngineErrorCode = EngineCode::KeyNotFound;
        return std::nullopt;
    }
    CompanyRec found;
    if (FindExact(handle, desc, CompanyNumberKey, BuildCompanyKey(probe, CompanyNumberKey),
                  found.bytes()) == 0)
        return std::nullopt;
    return found;
}

CompanyFileHeld::CompanyFileHeld(const DataFolder& folder) {
    if (!OpenFiles(handle_, folder.fileSet(CompanyFileName), CompanyFileDesc(), false))
        handle_ = 0;
    ClearEngineStatus();
}

std::vector<std::string> CompaniesOnlyOnDisk(const DataFolder& folder,
                                             const std::vector<CompanyRec>& companies) {
    std::set<std::string> known;
    for (const CompanyRec& c : companies)
        if (const auto number = CanonicalCompanyNumber(c.get(Company::CompanyNumber)))
            known.insert(*number);
    // A company's data file: its number, one or two letters, ".DAT".
    static const std::regex dataFile("([0-9]{1,5})[A-Za-z]{1,2}\\.[Dd][Aa][Tt]");
    std::set<int> lost;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch match;
        if (!std::regex_match(name, match, dataFile)) continue;
        const auto number = CanonicalCompanyNumber(match[1].str());
        if (number && !known.count(*number)) lost.insert(std::stoi(*number));
    }
    std::vector<std::string> numbers;
    for (const int n : lost) numbers.push_back(std::to_string(n));
    return numbers;
}
