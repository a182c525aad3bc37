#include "shell/dates.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "shell/text.h"

namespace {

std::chrono::sys_days ToDays(Date d) {
    using namespace std::chrono;
    return sys_days{year{d.year} / month{static_cast<unsigned>(d.month)} /
                    day{static_cast<unsigned>(d.day)}};
}

// A date part without the blanks (and the edit mask's "_") at its ends.
std::string Clean(std::string_view text) {
    std::string s = TrimBlanks(text);
    const std::size_t b = s.find_first_not_of('_');
    if (b == std::string::npos) return {};
    return TrimBlanks(s.substr(b, s.find_last_not_of('_') + 1 - b));
}

// minDigits..maxDigits digits and nothing else.
std::optional<int> Part(std::string_view text, std::size_t minDigits, std::size_t maxDigits) {
    const std::string digits = Clean(text);
    if (digits.size() < minDigits || digits.size() > maxDigits) return std::nullopt;
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<int> YearPart(std::string_view text) {
    const std::string digits = Clean(text);
    if (digits.size() == 4) return Part(digits, 4, 4);
    const auto y = Part(digits, 1, 2);
    if (!y) return std::nullopt;
    return *y < 50 ? 2000 + *y : 1900 + *y;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidYmd(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

int64_t DaysBetween(Date from, Date to) {
    return (ToDays(to) - ToDays(from)).count();
}

std::string SortableDate(Date d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", d.year, d.month, d.day);
    return buf;
}

std::optional<Date> ParseSortableDate(std::string_view text) {
    return DateFormat(DateOrder::YearFirst).parse(text);
}

DateOrder DateOrderOf(std::string_view setting) {
    const std::string s = TrimBlanks(setting);
    if (s == "D" || s == "d") return DateOrder::DayFirst;
    if (s == "Y" || s == "y") return DateOrder::YearFirst;
    return DateOrder::MonthFirst;
}

std::string DateFormat::DateFormatString() const {
    switch (order_) {
        case DateOrder::DayFirst:
            return "dd/mm/yyyy";
        case DateOrder::YearFirst:
            return "yyyy/mm/dd";
        case DateOrder::MonthFirst:
            break;
    }
    return "mm/dd/yyyy";
}

std::string DateFormat::DateEditMask() const {
    return order_ == DateOrder::YearFirst ? "!9999/99/99;1;_" : "!99/99/9999;1;_";
}

std::optional<Date> DateFormat::parse(std::string_view text) const {
    std::array<std::string_view, 3> parts;
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t slash = text.find('/', start);
        if ((i < 2) != (slash != std::string_view::npos)) return std::nullopt;
        parts[i] = text.substr(start, i < 2 ? slash - start : std::string_view::npos);
        start = slash + 1;
    }
    std::optional<int> y, m, d;
    switch (order_) {
        case DateOrder::MonthFirst:
            m = Part(parts[0], 1, 2), d = Part(parts[1], 1, 2), y = YearPart(parts[2]);
            break;
        case DateOrder::DayFirst:
            d = Part(parts[0], 1, 2), m = Part(parts[1], 1, 2), y = YearPart(parts[2]);
            break;
        case DateOrder::YearFirst:
            y = YearPart(parts[0]), m = Part(parts[1], 1, 2), d = Part(parts[2], 1, 2);
            break;
    }
    if (!y || !m || !d || !IsValidYmd(*y, *m, *d)) return std::nullopt;
    return Date{*y, *m, *d};
}

std::string DateFormat::format(Date d) const {
    char buf[40];
    switch (order_) {
        case DateOrder::DayFirst:
            std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
            return buf;
        case DateOrder::YearFirst:
            return SortableDate(d);
        case DateOrder::MonthFirst:
            break;
    }
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.month, d.day, d.year);
    return buf;
}

std::optional<std::string> DateFormat::sortable(std::string_view text) const {
    const auto d = parse(text);
    if (!d) return std::nullopt;
    return SortableDate(*d);
}

Date Clock::today() const {
    if (fixed_) return *fixed_;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
