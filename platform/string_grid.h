#pragma once
// A grid of text cells addressed by column and row. Row 0 is the fixed heading row (shown
// as the column headings); rows 1 onwards are the data rows. Columns before FixedCols()
// cannot be edited. Cell editors refuse characters record text cannot hold.

#include <QString>
#include <QTableWidget>

// What every grid of the program shares: no row numbers, headings that are no buttons, one
// cell selected at a time, no editing until asked, no wrapped text.
void SetUpGridView(QTableView& view);
// Every row `height` pixels high, however many rows there are.
void SetUniformRowHeights(QTableView& view, int height);

class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    explicit StringGrid(QWidget* parent = nullptr);

    // Rows including the heading row.
    int RowCount() const { return rowCount() + 1; }
    void SetRowCount(int rows);
    int ColCount() const { return columnCount(); }
    void SetColCount(int cols);

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    void SetRowHeights(int height);

    void SetFixedCols(int cols);
    int FixedCols() const { return fixedCols_; }
    void SetEditable(bool editable);

    // The current cell; row counts the heading row (the first data row is 1).
    int Col() const { return currentColumn(); }
    int Row() const { return currentRow() + 1; }
    void SetCurrent(int col, int row);
    int TopRow() const;
    void SetTopRow(int row);

    // Empties every data cell.
    void ClearCells();

signals:
    // The current cell moved to (col, row).
    void CellSelected(int col, int row);
    // The user changed the cell's text.
    void CellEdited(int col, int row, const QString& text);

private:
    QTableWidgetItem* ItemAt(int col, int row);
    void ApplyFlags(QTableWidgetItem* item, int col) const;

    int fixedCols_ = 0;
    bool editable_ = false;
    bool settingCell_ = false;
};
