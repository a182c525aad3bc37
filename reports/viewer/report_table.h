#pragma once
// ReportTable: the report viewer's grid (RptGrid). A table view over a model of the report's
// rows in compact storage: cells are read when they are painted, so showing a report costs
// the same whatever was shown before, and a million rows need no item per cell. It answers
// to the cell calls a string grid answers to (row 0 the column headings).

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include "reports/viewer/report_grid.h"

class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ReportGrid& Report() const { return grid_; }
    // Replaces the report, one cell of it, or changes it in place, with every view told.
    void SetReport(ReportGrid grid);
    void SetCell(int col, int row, std::string text);
    // Every row counts as a record again; what is shown does not change, so views are not
    // told (a reset costs the views their layout).
    void ForgetTotals();
    template <class Change>
    auto ChangeReport(Change change) {
        beginResetModel();
        struct End {
            ReportTableModel* model;
            ~End() { model->endResetModel(); }
        } end{this};
        return change(grid_);
    }

private:
    ReportGrid grid_;
};

class ReportTable : public QTableView {
    Q_OBJECT

public:
    explicit ReportTable(QWidget* parent = nullptr);

    // The report as shown, total rows included.
    const ReportGrid& Report() const { return model_->Report(); }
    ReportTableModel& Model() { return *model_; }
    // A builder's whole report at once (row 0 the headings).
    void SetReport(ReportGrid grid);
    // Whether the report was refilled since the last call.
    bool TakeRefilled();

    // Rows including the heading row.
    int RowCount() const { return std::max(Report().rowCount(), 1); }
    void SetRowCount(int rows);
    int ColCount() const { return Report().cols; }
    void SetColCount(int cols);
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    void SetRowHeights(int height);

    // The current cell; row counts the heading row (the first data row is 1).
    int Col() const { return currentIndex().column(); }
    int Row() const { return currentIndex().row() + 1; }
    void SetCurrent(int col, int row);

private:
    ReportTableModel* model_;
    bool refilled_ = false;
};
