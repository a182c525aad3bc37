#pragma once
// The report as a fixed-width text file, and the date-and-time text of a report's run.

#include <string>
#include <string_view>

#include "reports/viewer/report_grid.h"
#include "shell/dates.h"

// The heading lines of a saved or printed report (Windows-1252 text).
struct ReportHeadings {
    std::string caption;  // the window caption: "PO Register by Vendor#"
    std::string head1;    // the company name
    std::string head2;    // "Date: " and the time of the run
    std::string head3;    // what was selected
};

// The file's content: the caption, the three heading lines and a line of one blank, then
// one line per grid row. Each cell is written after a blank: an amount right-justified in
// 12 characters, other text padded to 12 (32 in the "Product Description" column); nothing
// longer is cut. Lines end with CR LF.
std::string ReportTextFile(const ReportGrid& grid, const ReportHeadings& headings);

// "dddd, mmmm d, yyyy, hh:mm AM/PM": "Tuesday, March 4, 2025, 02:05 PM".
std::string FormatRunDateTime(Date date, int hour, int minute);
// The same for the present moment (the date from the program's clock).
std::string RunDateTimeNow();
