#include "reports/viewer/report_text.h"

#include <QTime>
#include <array>
#include <cstdio>

#include "shell/app_context.h"
#include "shell/text.h"

namespace {

constexpr int kCellWidth = 12;
constexpr int kDescriptionWidth = 32;

void AppendRowLine(std::string& line, const ReportRows& rows, std::size_t r, int cols,
                   int descriptionCol) {
    for (int c = 0; c < cols; ++c) {
        const std::string_view cell = rows.Cell(r, c);
        line += ' ';
        if (rows.IsAmount(r, c)) {
            // Right-justified, and whole even when longer: a cut amount is a wrong amount.
            const std::string_view amount = TrimmedView(cell);
            if (amount.size() < kCellWidth) line.append(kCellWidth - amount.size(), ' ');
            line += amount;
        } else {
            line += PadRightWith(cell, ' ', c == descriptionCol ? kDescriptionWidth : kCellWidth);
        }
    }
    line += "\r\n";
}

}  // namespace

std::string ReportTextFile(const ReportGrid& grid, const ReportHeadings& headings) {
    int descriptionCol = -1;
    for (int c = 0; c < grid.cols; ++c)
        if (grid.cell(c, 0) == "Product Description") descriptionCol = c;
    std::string text;
    for (const std::string* line :
         {&headings.caption, &headings.head1, &headings.head2, &headings.head3})
        text += *line + "\r\n";
    text += " \r\n";
    for (std::size_t r = 0; r < grid.rows.size(); ++r)
        AppendRowLine(text, grid.rows, r, grid.cols, descriptionCol);
    return text;
}

std::string FormatRunDateTime(Date date, int hour, int minute) {
    static constexpr std::array<const char*, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};
    static constexpr std::array<const char*, 12> kMonths{
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    // 0001/01/01 was a Monday.
    const int64_t days = DaysBetween(Date{1, 1, 1}, date);
    const int weekday = static_cast<int>(((days % 7) + 7 + 1) % 7);
    const int month = date.month >= 1 && date.month <= 12 ? date.month : 1;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[96];
    std::snprintf(text, sizeof text, "%s, %s %d, %d, %02d:%02d %s", kDays[weekday],
                  kMonths[month - 1], date.day, date.year, hour12, minute, hour < 12 ? "AM" : "PM");
    return text;
}

std::string RunDateTimeNow() {
    const QTime now = QTime::currentTime();
    return FormatRunDateTime(Shell().clock.today(), now.hour(), now.minute());
}
