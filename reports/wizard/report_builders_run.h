#pragma once
// Running one report: building it over the current company's files for the dates typed and
// showing it in the report viewer rtreport, or telling the user why there is nothing to show.

#include <string>
#include <string_view>

#include "reports/wizard/report_builders.h"

enum class ReportRun {
    Shown,    // the viewer was shown
    Empty,    // no record selected: the report's empty message was shown
    Refused,  // a message said why the report could not be built
};

// Builds the report over the dates as typed in the company's date order (ignored by undated
// reports) and shows it in the viewer.
ReportRun RunReport(const ReportDefinition& report, const std::string& fromTyped,
                    const std::string& toTyped);
