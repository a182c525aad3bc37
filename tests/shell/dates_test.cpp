// Dates: the calendar, the company's date order, and parsing and showing dates.
#include "shell/dates.h"

#include <gtest/gtest.h>

namespace {

const DateFormat MonthFirst(DateOrder::MonthFirst);
const DateFormat DayFirst(DateOrder::DayFirst);
const DateFormat YearFirst(DateOrder::YearFirst);

TEST(DatesCalendar, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
    EXPECT_FALSE(IsValidYmd(0, 1, 1));
    EXPECT_FALSE(IsValidYmd(10000, 1, 1));
}

TEST(DatesSetting, OrderLettersAndFormatStrings) {
    EXPECT_EQ(DateOrderOf("D"), DateOrder::DayFirst);
    EXPECT_EQ(DateOrderOf(" y "), DateOrder::YearFirst);
    EXPECT_EQ(DateOrderOf("M"), DateOrder::MonthFirst);
    EXPECT_EQ(DateOrderOf(""), DateOrder::MonthFirst);
    EXPECT_EQ(MonthFirst.DateFormatString(), "mm/dd/yyyy");
    EXPECT_EQ(DayFirst.DateFormatString(), "dd/mm/yyyy");
    EXPECT_EQ(YearFirst.DateFormatString(), "yyyy/mm/dd");
    EXPECT_EQ(YearFirst.DateEditMask(), "!9999/99/99;1;_");
    EXPECT_EQ(DayFirst.DateEditMask(), "!99/99/9999;1;_");
}

TEST(DatesParse, EachOrderReadsItsOwnLayout) {
    EXPECT_EQ(MonthFirst.parse("1/5/2024"), (Date{2024, 1, 5}));
    EXPECT_EQ(DayFirst.parse("1/5/2024"), (Date{2024, 5, 1}));
    EXPECT_EQ(YearFirst.parse("2024/1/5"), (Date{2024, 1, 5}));
    EXPECT_EQ(MonthFirst.parse("12/31/1999"), (Date{1999, 12, 31}));
    EXPECT_EQ(DayFirst.parse("31/12/1999"), (Date{1999, 12, 31}));
    // What a masked edit returns: blanks where no digit was typed.
    EXPECT_EQ(MonthFirst.parse(" 1/ 5/2024"), (Date{2024, 1, 5}));
    EXPECT_EQ(MonthFirst.parse("1 /5_/2024"), (Date{2024, 1, 5}));
}

TEST(DatesParse, InvalidDatesAreRefused) {
    EXPECT_FALSE(MonthFirst.IsValidDate("02/30/2024"));
    EXPECT_FALSE(MonthFirst.IsValidDate("02/29/2023"));
    EXPECT_TRUE(MonthFirst.IsValidDate("02/29/2024"));
    EXPECT_FALSE(DayFirst.IsValidDate("29/02/1900"));
    EXPECT_TRUE(DayFirst.IsValidDate("29/02/2000"));
    EXPECT_FALSE(MonthFirst.IsValidDate("13/01/2024"));
    EXPECT_TRUE(DayFirst.IsValidDate("13/01/2024"));
    EXPECT_FALSE(YearFirst.IsValidDate("01/13/2024"));
    for (const char* bad : {"", "  /  /    ", "__/__/____", "01/05/", "01/05/____", "1/5/2024/3",
                            "1-5-2024", "a/b/cccc", "1/5/20x4", "001/5/2024", "1/5/202", "0/5/2024",
                            "1/0/2024", "1/5/0000", "1/5/-024", "1/5/20245"})
        EXPECT_FALSE(MonthFirst.IsValidDate(bad)) << bad;
}

TEST(DatesParse, TwoDigitYearsFallIn1950To2049) {
    EXPECT_EQ(MonthFirst.parse("1/5/49")->year, 2049);
    EXPECT_EQ(MonthFirst.parse("1/5/50")->year, 1950);
    EXPECT_EQ(MonthFirst.parse("1/5/00")->year, 2000);
    EXPECT_EQ(MonthFirst.parse("1/5/99")->year, 1999);
    EXPECT_EQ(MonthFirst.parse("1/5/7")->year, 2007);
    EXPECT_EQ(YearFirst.parse("24/02/29"), (Date{2024, 2, 29}));
    EXPECT_FALSE(YearFirst.IsValidDate("23/02/29"));
}

TEST(DatesFormat, TwoDigitDayAndMonthAndRoundTrip) {
    const Date d{2024, 1, 5};
    EXPECT_EQ(MonthFirst.format(d), "01/05/2024");
    EXPECT_EQ(DayFirst.format(d), "05/01/2024");
    EXPECT_EQ(YearFirst.format(d), "2024/01/05");
    for (const DateFormat& f : {MonthFirst, DayFirst, YearFirst})
        EXPECT_EQ(f.parse(f.format(Date{2028, 2, 29})), (Date{2028, 2, 29}));
}

TEST(DatesSortable, CopyForKeysAndComparisons) {
    EXPECT_EQ(DayFirst.sortable("5/1/2024"), "2024/01/05");
    EXPECT_EQ(MonthFirst.sortable("5/1/2024"), "2024/05/01");
    EXPECT_FALSE(MonthFirst.sortable("5/32/2024").has_value());
    EXPECT_EQ(ParseSortableDate("2024/02/29"), (Date{2024, 2, 29}));
    EXPECT_FALSE(ParseSortableDate(" ").has_value());
    EXPECT_LT(SortableDate({999, 12, 31}), SortableDate({2024, 1, 1}));
}

TEST(DatesAging, WholeDaysBetweenDates) {
    EXPECT_EQ(DaysBetween({2024, 2, 28}, {2024, 3, 1}), 2);
    EXPECT_EQ(DaysBetween({2023, 2, 28}, {2023, 3, 1}), 1);
    EXPECT_EQ(DaysBetween({2023, 12, 31}, {2024, 1, 1}), 1);
    EXPECT_EQ(DaysBetween({2024, 1, 1}, {2025, 1, 1}), 366);
    EXPECT_EQ(DaysBetween({2024, 3, 1}, {2024, 2, 1}), -29);
    EXPECT_EQ(DaysBetween({2024, 3, 1}, {2024, 3, 1}), 0);
}

TEST(DatesClock, FixedTodayForTests) {
    Clock clock;
    const Date system = clock.today();
    EXPECT_TRUE(IsValidYmd(system.year, system.month, system.day));
    clock.setToday({2030, 6, 15});
    EXPECT_EQ(clock.today(), (Date{2030, 6, 15}));
    clock.useSystemDate();
    EXPECT_NE(clock.today(), (Date{2030, 6, 15}));
}

}  // namespace
