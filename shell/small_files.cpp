#include "shell/small_files.h"

#include <algorithm>

#include "shell/company/company_file.h"

std::optional<CompanyRec> ReadLastCompany(const DataFolder& folder) {
    const auto content = ReadWholeFile(folder.file(LastCompanyFileName));
    if (!content || content->size() != static_cast<std::size_t>(CompanyRec::Size))
        return std::nullopt;
    CompanyRec company;
    std::copy(content->begin(), content->end(), company.bytes().begin());
    if (!CanonicalCompanyNumber(company.get(Company::CompanyNumber))) return std::nullopt;
    return company;
}

bool WriteLastCompany(const DataFolder& folder, const CompanyRec& company) {
    const auto bytes = company.bytes();
    return ReplaceFile(folder.file(LastCompanyFileName),
                       std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> LoadTerms(const DataFolder& folder) {
    std::vector<std::string> terms;
    const auto content = ReadWholeFile(folder.file(TermsFileName));
    if (!content) return terms;
    std::string_view rest = *content;
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        terms.emplace_back(line);
        rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
    }
    return terms;
}

bool SaveTerms(const DataFolder& folder, const std::vector<std::string>& terms) {
    std::string content;
    for (std::string term : terms) {
        std::replace_if(
            term.begin(), term.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        content += term;
        content += "\r\n";
    }
    return ReplaceFile(folder.file(TermsFileName), content);
}
