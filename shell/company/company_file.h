#pragma once
// The company file "cvcomp" (key 1 company number, unique; key 2 name, duplicates) and the
// state of the company unit: the file's handle and buffer and the current company's copy.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "shell/company/company_rec.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/record_file.h"

inline constexpr std::string_view CompanyFileName = "cvcomp";
inline constexpr int CompanyNumberKey = 1;
inline constexpr int CompanyNameKey = 2;

// Key 1: the trimmed company number, upper-cased, padded to 5; key 2: the trimmed name,
// upper-cased, padded to 30; both cut to 30.
std::string BuildCompanyKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildCompanyKey(const CompanyRec& record, int keyNr) {
    return BuildCompanyKey(record.bytes(), keyNr);
}
const FileDesc& CompanyFileDesc();

struct CompanyState {
    FileSetHandle CompanyFile = 0;
    CompanyRec CompanyBuf;
    CompanyRec CurrentCompany;
    // The trimmed company number: the stem of every data file of the current company.
    std::string fileStem() const;
    // The short date format, by the current company's date order; derived on each call so
    // that it follows every change of CurrentCompany.
    DateFormat dateFormat() const;
};

enum class CompanyResult {
    Ok,
    NotFound,         // no company of that number in the file
    Refused,          // the change function declined; nothing written
    InvalidNumber,    // not a whole number from 1 to 32000
    NumberChanged,    // a company keeps its number: its files are named by it
    DuplicateNumber,  // another company has that number
    EngineError,      // EngineErrorCode tells which
};

// The company number as stored: digits without leading zeros, 1..32000; nothing otherwise.
std::optional<std::string> CanonicalCompanyNumber(std::string_view text);

// Opens "cvcomp", finds the current company by key 1 (exact match only), reads it into
// CompanyBuf, lets `change` edit it (answering false abandons the change), rewrites it with
// its keys, closes the file and copies CompanyBuf whole into CurrentCompany. On any other
// outcome than Ok neither the file nor CurrentCompany has changed.
CompanyResult UpdateCurrentCompany(CompanyState& state, const DataFolder& folder,
                                   const std::function<bool(CompanyRec&)>& change);

// Adds a company with its keys (creating "cvcomp" when there is none yet). The number is
// stored in its canonical form; CompanyBuf holds the record as added.
CompanyResult AddCompany(CompanyState& state, const DataFolder& folder, const CompanyRec& company);

enum class CompanyOrder { ByName, ByNumber };
// Every company, by name (key 2) or by number (numerically). An empty list when there is no
// company file yet; nothing when the file cannot be read (EngineErrorCode tells why).
std::optional<std::vector<CompanyRec>> ListCompanies(const DataFolder& folder, CompanyOrder order);
// Rebuilds "cvcomp" from its records (after 10010, a defective or missing index).
bool RebuildCompanyFiles(const DataFolder& folder);

// The numbers (canonical, ascending) of the companies whose data files ("8C.DAT", "8I.DAT",
// ...) lie in the folder without a record among `companies`: companies the company file lost.
std::vector<std::string> CompaniesOnlyOnDisk(const DataFolder& folder,
                                             const std::vector<CompanyRec>& companies);

// The company of that number; nothing when there is none or the file cannot be read
// (EngineOK tells which).
std::optional<CompanyRec> FindCompany(const DataFolder& folder, std::string_view number);

// Keeps "cvcomp" open for a scope: the calls above open and close it each time, and inside
// the scope they share this open set (a posting reads the current company and rewrites it).
// Nothing is held when the file cannot be opened; the calls then tell that themselves.
class CompanyFileHeld {
public:
    explicit CompanyFileHeld(const DataFolder& folder);
    CompanyFileHeld(const CompanyFileHeld&) = delete;
    CompanyFileHeld& operator=(const CompanyFileHeld&) = delete;

private:
    FileSetHandle handle_ = 0;
    FileSetCloser closer_{handle_};
};
