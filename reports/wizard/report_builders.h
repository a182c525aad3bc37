#pragma once
// The fourteen reports of the Report Wizard. Each walks one file of the current company,
// selects records and turns every selected record into one row of text cells (amounts
// formatted ",0.00" or ",0.000" and right-justified in 12, dates as "yyyy/mm/dd"); the
// report viewer then sorts, totals, prints and saves the rows. Building only reads: no
// record is changed and no file set is created. Nothing here touches a widget.

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reports/viewer/report_grid.h"

struct ReportPeriod;
struct BuiltReport;

// What the Report Wizard lists and the viewer is handed for one report.
struct ReportDefinition {
    std::string_view name;  // as listed, and the ReportTitle that selects it
    bool dated;             // runs over the wizard's From and To dates
    std::string_view description;
    int cols;
    int32_t sortColumnLimit;
    int32_t lastAmountColumn;
    std::string_view emptyMessage;             // shown when no record is selected ...
    std::string_view emptyCaption;             // ... under this caption
    std::string_view fixedHead3;               // the third heading line of an undated report
    std::array<std::string_view, 9> headings;  // the first `cols` are the report's
    std::string_view fileName;                 // the file read, for messages
    // Walks the file and adds a row per selected record.
    void (*rows)(const ReportPeriod& period, BuiltReport& out);
};

// The fourteen reports in the order the wizard lists them.
std::span<const ReportDefinition> ReportDefinitions();
// The report whose name is exactly `title`, or nullptr.
const ReportDefinition* FindReportDefinition(std::string_view title);

// The period of a dated report as "yyyy/mm/dd" texts, both days included.
struct ReportPeriod {
    std::string from;
    std::string to;
};

// Stored text that a report must read as a number but cannot: the report is not built.
class ReportDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BuiltReport {
    ReportGrid grid;  // the heading row, then one row per selected record
    // Accounts Receivable only: the company's receivables total is 0, so nothing was read.
    bool zeroReceivables = false;
    // The engine error that stopped reading (0: every record was read, or the company has
    // no such file yet); the rows read before it are kept.
    int32_t engineError = 0;
};

// Builds the report over the current company's files; `period` is used by dated reports.
// Raises ReportDataError when an amount, a quantity or an aging setting does not read as a
// number, or an invoice to age has no valid date.
BuiltReport BuildReport(const ReportDefinition& report, const ReportPeriod& period);

// Whether any record was selected (row 0 is the headings).
inline bool HasRecords(const BuiltReport& built) {
    return built.grid.rowCount() > 1;
}

// The third heading line of a report as shown and saved.
std::string ReportHead3(const ReportDefinition& report, std::string_view fromTyped,
                        std::string_view toTyped);
