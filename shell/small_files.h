#pragma once
// The small files beside the data: the last-company file, the payment terms, and the folder
// printed PDF files were saved in last.

#include <optional>
#include <string>
#include <vector>

#include "shell/company/company_rec.h"
#include "shell/data_folder.h"

inline constexpr std::string_view LastCompanyFileName = "LastCo.Dat";
inline constexpr std::string_view TermsFileName = "LWTERMS.DAT";
inline constexpr std::string_view PdfFolderFileName = "PdfDir.Dat";

// The company record kept by the last run; nothing when the file is missing, not exactly one
// record long, or holds no valid company number.
std::optional<CompanyRec> ReadLastCompany(const DataFolder& folder);
bool WriteLastCompany(const DataFolder& folder, const CompanyRec& company);

// The payment terms, one a line (CR LF or LF); an empty list when there is no file.
std::vector<std::string> LoadTerms(const DataFolder& folder);
// Writes the terms whole, one a line with CR LF; a line break inside a term becomes a blank so
// that each term stays one line.
bool SaveTerms(const DataFolder& folder, const std::vector<std::string>& terms);
