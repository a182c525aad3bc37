#pragma once
// The report on the printer, in printer pixels: a page heading (company, caption and page
// number, date of the run, selection), the grid's rows with amounts right-aligned in a
// fixed field, heavy rules around the heading and grand rows and over sub-totals, and a
// closing line that counts the records printed.

#include <string>
#include <string_view>

#include "platform/font_setting.h"
#include "reports/viewer/report_grid.h"
#include "reports/viewer/report_text.h"

class PrintCanvas;

struct ReportPrintSetup {
    ReportParams params;
    ReportHeadings headings;  // caption and Head3 are printed; head1 and head2 are not
    std::string companyName;
    std::string runDateTime;  // "Tuesday, March 4, 2025, 02:05 PM"
    int leftMargin = 0;       // printer pixels
    int topMargin = 0;
    FontSpec font;
    bool subTotalPageBreaks = false;  // a new page after every "** Totals" row
};

// Reports printed across the page.
bool IsLandscapeReport(std::string_view reportTitle);

// Prints the grid as one job named after the report; true when the job ended well. The
// printer is back in portrait afterwards, and a job an error interrupts is abandoned.
bool PrintReport(PrintCanvas& canvas, const ReportGrid& grid, const ReportPrintSetup& setup);

// A company's form margin ("12"); nothing when it is not a whole number.
std::optional<int> FormMargin(std::string_view text);
