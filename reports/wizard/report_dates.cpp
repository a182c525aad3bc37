#include "reports/wizard/report_dates.h"

#include <chrono>

namespace {

Date DaysBefore(Date date, int days) {
    using namespace std::chrono;
    const year_month_day ymd{sys_days{year{date.year} / month{static_cast<unsigned>(date.month)} /
                                      day{static_cast<unsigned>(date.day)}} -
                             std::chrono::days{days}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

Date LastDayOf(int year, int month) {
    return {year, month, DaysInMonth(year, month)};
}

}  // namespace

std::optional<DateRangeText> PresetDates(std::string_view preset, Date today,
                                         const DateFormat& format) {
    const int y = today.year;
    const int m = today.month;
    const auto range = [&format](Date from, Date to) {
        return DateRangeText{format.format(from), format.format(to)};
    };
    if (preset == "Current Month") return range({y, m, 1}, LastDayOf(y, m));
    if (preset == "Current Year") return range({y, 1, 1}, {y, 12, 31});
    // The same day a year back; 29 February of a year without one becomes the 28th, so the
    // preset never proposes a date that "&View" would refuse.
    if (preset == "Last 12 Months")
        return range({y - 1, m, std::min(today.day, DaysInMonth(y - 1, m))}, today);
    if (preset == "Last 30 Days") return range(DaysBefore(today, 30), today);
    if (preset == "Last 60 Days") return range(DaysBefore(today, 60), today);
    if (preset == "Last 90 Days") return range(DaysBefore(today, 90), today);
    if (preset == "Month to Date") return range({y, m, 1}, today);
    if (preset == "Previous Month") {
        const int pm = m == 1 ? 12 : m - 1;
        const int py = m == 1 ? y - 1 : y;
        return range({py, pm, 1}, LastDayOf(py, pm));
    }
    if (preset == "Previous Year") return range({y - 1, 1, 1}, {y - 1, 12, 31});
    if (preset == "Year to Date") return range({y, 1, 1}, today);
    return std::nullopt;
}

CheckedDates CheckReportDates(std::string_view fromTyped, std::string_view toTyped,
                              const DateFormat& format) {
    const auto from = format.parse(fromTyped);
    if (!from) return {DateRangeProblem::InvalidFrom, {}};
    const auto to = format.parse(toTyped);
    if (!to) return {DateRangeProblem::InvalidTo, {}};
    if (*to < *from) return {DateRangeProblem::EndBeforeStart, {}};
    return {DateRangeProblem::None, {SortableDate(*from), SortableDate(*to)}};
}

DateRangeMessage MessageOf(DateRangeProblem problem) {
    switch (problem) {
        case DateRangeProblem::InvalidFrom:
            return {
                "You have an invalid beginning date. You can clear the date and then select "
                "the calendar button.",
                "FROM Date"};
        case DateRangeProblem::InvalidTo:
            return {
                "You have an invalid ending date. You can clear the date and then select the "
                "calendar button.",
                "TO Date"};
        case DateRangeProblem::EndBeforeStart:
            return {"Your beginning date is not older than your ending date.", "FROM Date"};
        case DateRangeProblem::None:
            break;
    }
    return {"", ""};
}
