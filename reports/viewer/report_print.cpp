#include "reports/viewer/report_print.h"

#include <algorithm>

#include "platform/cp1252.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "shell/text.h"

namespace {

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), text) != names.end();
}

// The heavy rules of a report: over the sub-totals from the x reached after column `start`,
// and up to the x reached after column `end` (plus an "X" where `endPlusX`).
struct RuleColumns {
    int start = -1;
    int end = -1;
    bool endPlusX = false;
};

RuleColumns RuleColumnsOf(std::string_view title) {
    switch (ReportKindOf(title)) {
        case ReportKind::Register:
            return {3, 6, true};
        case ReportKind::Receivable:
            return {5, 6, true};
        case ReportKind::SalesOrReceiving:
            return {6, 8, false};
        case ReportKind::Tax:
            return {4, 6, false};
        case ReportKind::Profit:
        case ReportKind::Inventory:
            return {4, 8, false};
        case ReportKind::Reorder:
            return {7, 8, false};
        case ReportKind::Other:
            break;
    }
    return {};
}

// The heading row and the grand rows (month and grand totals) are ruled above and below.
bool IsRuledRow(const ReportRows& rows, std::size_t r) {
    const auto cell = [&](int c) { return TrimmedView(rows.Cell(r, c)); };
    return IsOneOf(cell(6),
                   {"Balance Due", "Grand Total", "Unit Price", "Tax Amount", "Month Total"}) ||
           IsOneOf(cell(3), {"Grand Total", "Month Total"}) ||
           IsOneOf(cell(4), {"Grand Total", "Month Total"}) || cell(5) == "Grand Total" ||
           cell(7) == "Grand Total" ||
           IsOneOf(cell(8), {"Cost Value", "Received", "Net Profit", "Reorder Amt.", "Over Stock"});
}

bool IsSubTotalRow(const ReportRows& rows, std::size_t r) {
    for (int c = 3; c <= 7 && c < rows.CellCount(r); ++c)
        if (rows.Cell(r, c).find("**") != std::string_view::npos) return true;
    return false;
}

class ReportPrinter {
public:
    ReportPrinter(PrintCanvas& canvas, const ReportGrid& grid, const ReportPrintSetup& setup)
        : canvas_(canvas),
          grid_(grid),
          s_(setup),
          longest_(LongestCells(grid)),
          rules_(RuleColumnsOf(setup.params.ReportTitle)) {}

    bool Print() {
        canvas_.SetFont(s_.font);
        canvas_.SetBrushStyle(BrushStyle::Clear);
        canvas_.SetPenStyle(PenStyle::Solid);
        PrintJob job(canvas_, FromCp1252(s_.params.ReportTitle));
        lineHeight_ = canvas_.TextHeight("MXjpy");
        amountWidth_ = canvas_.TextWidth("9,999,999.99");
        gap_ = canvas_.TextWidth("Xx");
        const int footY = canvas_.PageHeight() - 100;

        PageHeading();
        int records = 0;
        bool pageBreak = false;
        for (int r = 0; r < grid_.rowCount(); ++r) {
            PrintRow(r);
            if (r > 0 && grid_.rows.Kind(r) == ReportRowKind::Record) ++records;
            y_ += lineHeight_ + 3;
            if (IsRuledRow(grid_.rows, r)) RuleAround();
            if (IsSubTotalRow(grid_.rows, r)) {
                Line(ruleStart_, ruleEnd_, y_ - lineHeight_ - 3);
                pageBreak = s_.subTotalPageBreaks;
            }
            // A page is turned only for a row still to come: no page holds just headings.
            const bool more = r + 1 < grid_.rowCount();
            if (more && (y_ > canvas_.PageHeight() - 200 || pageBreak)) {
                pageBreak = false;
                Text(s_.leftMargin, footY,
                     "Continued on page " + std::to_string(canvas_.PageNumber() + 1) + " ...");
                canvas_.NewPage();
                PageHeading();
                PrintRow(0);
                y_ += lineHeight_ + 3;
                RuleAround();
            }
        }
        Text(s_.leftMargin, footY,
             "Report Complete. " + std::to_string(records) + " records printed.");
        return job.End();
    }

private:
    void Text(int x, int y, std::string_view text) {
        if (text.find_first_not_of(' ') == std::string_view::npos) return;
        canvas_.TextOut(x, y, FromCp1252(text));
    }
    int Width(std::string_view text) const { return canvas_.TextWidth(FromCp1252(text)); }

    void Line(int x1, int x2, int y) {
        canvas_.SetPenWidth(3);
        canvas_.MoveTo(x1, y);
        canvas_.LineTo(x2, y);
    }
    void RuleAround() {
        Line(s_.leftMargin, ruleEnd_, y_ - lineHeight_ - 20);
        Line(s_.leftMargin, ruleEnd_, y_ - 3);
    }

    void PageHeading() {
        const int left = s_.leftMargin;
        y_ = s_.topMargin;
        Text(left, y_, s_.companyName);
        y_ += lineHeight_;
        Text(left, y_, TrimBlanks(s_.headings.caption));
        Text(canvas_.PageWidth() - 500, y_, "Page " + std::to_string(canvas_.PageNumber()));
        y_ += lineHeight_;
        Text(left, y_, "Date: " + s_.runDateTime);
        y_ += lineHeight_;
        Text(left, y_, s_.headings.head3);
        y_ += 2 * lineHeight_;
    }

    void PrintRow(int r) {
        int x = s_.leftMargin;
        for (int c = 0; c < grid_.cols; ++c) {
            const std::string_view cell = grid_.rows.Cell(r, c);
            std::string_view shown = TrimmedView(cell);
            const bool amount = grid_.rows.IsAmount(r, c);
            const bool amountColumn =
                c > s_.params.SortColumnLimit && c <= s_.params.LastAmountColumn;
            if (amount || amountColumn) {
                // Amounts end at the right edge of a fixed field; only text is cut to fit it.
                if (!amount) shown = shown.substr(0, 20);
                Text(x + amountWidth_ - Width(shown), y_, shown);
                x += amountWidth_ + gap_;
            } else {
                Text(x, y_, cell);
                x += Width(longest_[c] + "Xx");
            }
            if (c == rules_.start) ruleStart_ = x;
            if (c == rules_.end) ruleEnd_ = x + (rules_.endPlusX ? Width("X") : 0);
        }
        if (rules_.end < 0) ruleStart_ = s_.leftMargin, ruleEnd_ = x;
    }

    PrintCanvas& canvas_;
    const ReportGrid& grid_;
    const ReportPrintSetup& s_;
    const std::vector<std::string> longest_;
    const RuleColumns rules_;
    int lineHeight_ = 0;
    int amountWidth_ = 0;
    int gap_ = 0;
    int y_ = 0;
    int ruleStart_ = 0;
    int ruleEnd_ = 0;
};

}  // namespace

bool IsLandscapeReport(std::string_view reportTitle) {
    switch (ReportKindOf(reportTitle)) {
        case ReportKind::SalesOrReceiving:
        case ReportKind::Profit:
        case ReportKind::Inventory:
        case ReportKind::Reorder:
            return true;
        default:
            return false;
    }
}

bool PrintReport(PrintCanvas& canvas, const ReportGrid& grid, const ReportPrintSetup& setup) {
    canvas.SetOrientation(IsLandscapeReport(setup.params.ReportTitle) ? Orientation::Landscape
                                                                      : Orientation::Portrait);
    const ScopeExit portrait([&canvas] { canvas.SetOrientation(Orientation::Portrait); });
    return ReportPrinter(canvas, grid, setup).Print();
}

std::optional<int> FormMargin(std::string_view text) {
    return WholeNumber(text);
}
