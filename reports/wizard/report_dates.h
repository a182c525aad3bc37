#pragma once
// The Report Wizard's dates: the period presets of its preset box and the checks "&View"
// makes before a report runs. Dates are texts in the company's date order. No widgets here.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "reports/wizard/report_builders.h"
#include "shell/dates.h"

// The presets in the order the box lists them (sorted).
inline constexpr std::array<std::string_view, 11> ReportDatePresets{
    "Current Month",  "Current Year",  "Custom Dates", "Last 12 Months",
    "Last 30 Days",   "Last 60 Days",  "Last 90 Days", "Month to Date",
    "Previous Month", "Previous Year", "Year to Date"};
inline constexpr std::string_view CustomDatesPreset = "Custom Dates";
inline constexpr std::string_view OpeningPreset = "Month to Date";

struct DateRangeText {
    std::string from;
    std::string to;
};

// The first and last dates of the preset on `today`, typed in `format`'s order; nothing for
// "Custom Dates" (the dates stay as they are) or a name that is no preset.
std::optional<DateRangeText> PresetDates(std::string_view preset, Date today,
                                         const DateFormat& format);

// What "&View" refuses, in the order it checks.
enum class DateRangeProblem { None, InvalidFrom, InvalidTo, EndBeforeStart };

struct CheckedDates {
    DateRangeProblem problem = DateRangeProblem::None;
    ReportPeriod period;  // "yyyy/mm/dd" copies when there is no problem
};
CheckedDates CheckReportDates(std::string_view fromTyped, std::string_view toTyped,
                              const DateFormat& format);

// The message and caption of a refusal (the problem is not None).
struct DateRangeMessage {
    const char* text;
    const char* caption;
};
DateRangeMessage MessageOf(DateRangeProblem problem);
