#pragma once
// Calendar dates as the company's date order types and shows them, and the sortable
// "yyyy/mm/dd" copy that keys and comparisons use.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
    auto operator<=>(const Date&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);           // 0 for a month outside 1..12
bool IsValidYmd(int year, int month, int day);  // years 1..9999
// Whole days from `from` to `to`; negative when `to` is earlier.
int64_t DaysBetween(Date from, Date to);

// "yyyy/mm/dd", month and day with two digits.
std::string SortableDate(Date date);
std::optional<Date> ParseSortableDate(std::string_view text);

// The company's date order setting: "D" day first, "Y" year first, anything else month first.
enum class DateOrder { MonthFirst, DayFirst, YearFirst };
DateOrder DateOrderOf(std::string_view setting);

// The program's short date format, fixed by the current company's date order.
class DateFormat {
public:
    explicit DateFormat(DateOrder order = DateOrder::MonthFirst) : order_(order) {}
    DateOrder order() const { return order_; }

    // "mm/dd/yyyy", "dd/mm/yyyy" or "yyyy/mm/dd".
    std::string DateFormatString() const;
    // The edit mask of a date field in this order.
    std::string DateEditMask() const;

    // Three parts separated by "/" in this order, blanks around each part ignored; day and
    // month of one or two digits; a year of four digits, or of one or two digits read as
    // 2000-2049 (00-49) and 1950-1999 (50-99).
    std::optional<Date> parse(std::string_view text) const;
    // True when the text is a date in this format; no message.
    bool IsValidDate(std::string_view text) const { return parse(text).has_value(); }
    std::string format(Date date) const;
    // The "yyyy/mm/dd" copy of a typed date; nothing when it is not a date.
    std::optional<std::string> sortable(std::string_view text) const;

private:
    DateOrder order_;
};

// Where "today" comes from: the system's local date, or a fixed date that tests set.
class Clock {
public:
    Date today() const;
    void setToday(Date date) { fixed_ = date; }
    void useSystemDate() { fixed_.reset(); }

private:
    std::optional<Date> fixed_;
};
