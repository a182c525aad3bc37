#pragma once
// Reports as the builders hand them over, and a compact view of a grid for assertions.

#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "platform/string_grid.h"
#include "reports/viewer/report_grid.h"
#include "shell/text.h"

namespace reportsamples {

// An amount as the builders write it (formatted ",0.00"): right-justified in 12.
inline std::string A(const std::string& amount) {
    return RightJustify(amount, ' ', 12);
}

inline std::vector<std::string> PORow(const std::string& date, const std::string& po,
                                      const std::string& name, const std::string& vendor,
                                      const std::string& net, const std::string& tax,
                                      const std::string& total) {
    return {date,
            PadRightWith(po, ' ', 9),
            PadRightWith(name, ' ', 10),
            PadRightWith(vendor, ' ', 8),
            A(net),
            A(tax),
            A(total),
            "O"};
}

inline std::vector<std::string> POHeading() {
    return {"Year/Mo/Dy", "PO#",        "Short Name",  "Vendor#",
            "Net Amount", "Tax Amount", "Grand Total", "C"};
}

// Three orders: two on one January date, one in February.
inline ReportGrid PORegister() {
    return ReportGrid::FromRows(
        8,
        {POHeading(), PORow("2024/02/03", "1003", "ACME", "V100", "1,000.00", "50.00", "1,050.00"),
         PORow("2024/01/15", "1002", "BOLTS", "V200", "200.00", "10.00", "210.00"),
         PORow("2024/01/15", "1001", "ACME", "V100", "100.00", "5.00", "105.00")});
}

inline const ReportParams kPORegister{"PO Register", 3, 6};

// Each row as its trimmed cells joined by "|" (kinds aside).
inline std::vector<std::string> Lines(const ReportGrid& grid) {
    std::vector<std::string> lines;
    for (const ReportRow& row : grid.rows) {
        std::string line;
        for (std::size_t c = 0; c < row.cells.size(); ++c)
            line += (c ? "|" : "") + TrimBlanks(row.cells[c]);
        lines.push_back(line);
    }
    return lines;
}

// The grid as a window shows it, one line a row.
template <class Grid>
requires requires(const Grid& grid) {
    grid.Cell(0, 0);
}
std::vector<std::string> Lines(const Grid& grid) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < grid.RowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < grid.ColCount(); ++c) rows.back().push_back(ToCp1252(grid.Cell(c, r)));
    }
    return Lines(ReportGrid::FromRows(grid.ColCount(), std::move(rows)));
}

}  // namespace reportsamples
