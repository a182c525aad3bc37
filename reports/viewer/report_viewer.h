#pragma once
// The report viewer (Trtreport, one instance rtreport, unit rpt): every report of the Report Wizard
// ends here. A report builder fills RptGrid (row 0 the column headings), Head1 to Head3,
// SortColumnLimit, LastAmountColumn and the SortCol items, and shows the window modally;
// the viewer sorts and totals the report, draws amounts aligned on their point, prints it,
// saves it as a fixed-width text file and keeps the report font in "RptFont.Dat".

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/font_setting.h"
#include "platform/message_host.h"
#include "platform/form.h"
#include "reports/viewer/report_grid.h"
#include "reports/viewer/report_table.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;

// The report chosen in the Report Wizard (at most 25 characters): it dispatches the builders
// and chooses the viewer's totals layout, printed orientation and rules.
inline std::string ReportTitle;

class Trtreport : public Form {
    Q_OBJECT

public:
    explicit Trtreport(QWidget* parent = nullptr);
    ~Trtreport() override;

    QToolButton* InvPrint;
    QToolButton* SpeedButton1;
    QToolButton* SaveButn;
    QToolButton* PSetButn;
    QToolButton* ExitButn;
    QToolButton* HelpButn;
    QLabel* Label1;
    QComboBox* SortCol;
    QCheckBox* stotals;
    QCheckBox* PageBreakCB;
    QLabel* Head1;
    QLabel* Head2;
    QLabel* Head3;
    ReportTable* RptGrid;

    // Highest column (from 0) that may be sorted on; the columns after it up to
    // LastAmountColumn are amount columns.
    int32_t SortColumnLimit = 0;
    int32_t LastAmountColumn = 0;

    // Sorts the report on the grid's current column and rebuilds its total rows; beeps when
    // that column may not be sorted on.
    void SortAndTotalReport();
    void SortColChange(const QString& text);
    void stotalsClick();
    void RptGridDblClick();
    void InvPrintClick();
    void SpeedButton1Click();
    void PSetButnClick();
    void SaveButnClick();
    void ExitButnClick();
    void Exit1Click() { ExitButnClick(); }
    void HelpButnClick();

    // The font of RptGrid: name, size, style and colour (the master printouts use it too).
    FontSpec RptGridFont() const { return gridFont_; }
    // The report as shown, total rows included.
    const ReportGrid& Report() const;
    ReportParams Params() const;

protected:
    void FormShow() override;

private:
    friend class AmountCellDelegate;

    void ApplyGridFont(const FontSpec& font);
    // Each column as wide as its longest cell (LongestCells) and an "X".
    void SetColumnWidths(const std::vector<std::string>& longest);
    int RowHeight(const QString& sample) const;
    int PointFieldWidth() const;

    FontSpec gridFont_;
    SaveFolder saveFolder_;
    // The font widths are measured in: the report font's name and size, and the style it
    // had when the window was created.
    QFont canvasFont_;
    // Measured once per font, not per painted cell or per showing: the room right of the
    // point for ".00" and ".000", and the height of a row as shown.
    std::array<int, 2> pointFields_{};
    int shownRowHeight_ = 0;
};

// The instance, while one exists.
extern Trtreport* rtreport;

// The report font as the viewer holds it (or as kept in the data folder when there is no
// viewer): what the single-record printouts of the master files print in.
FontSpec CurrentReportFont();

// How an amount cell is drawn: the text before its first point right-aligned up to the
// decimal position, the rest left-aligned from it, so points line up down a column.
struct AmountCellParts {
    QRect whole;
    QString wholeText;
    QRect fraction;
    QString fractionText;
};
// `pointField` is the room kept right of the decimal position (".00" or ".000" plus 4).
AmountCellParts SplitAmountCell(const QRect& cell, const QString& text, int pointField);
