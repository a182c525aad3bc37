// ReportTable and its model: the report viewer's grid over the report's compact rows.
#include "reports/viewer/report_table.h"

#include "platform/cp1252.h"
#include "platform/string_grid.h"

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(grid_.rowCount() - 1, 0);
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.cols;
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return FromCp1252(grid_.CellView(index.column(), index.row() + 1));
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return FromCp1252(grid_.CellView(section, 0));
}

void ReportTableModel::SetReport(ReportGrid grid) {
    ChangeReport([&grid](ReportGrid& shown) { shown = std::move(grid); });
}

ReportTable::ReportTable(QWidget* parent) : QTableView(parent), model_(new ReportTableModel(this)) {
    setModel(model_);
    SetUpGridView(*this);
}

void ReportTableModel::SetCell(int col, int row, std::string text) {
    if (col < 0 || col >= grid_.cols || row < 0 || row >= grid_.rowCount()) return;
    ReportRow cells = grid_.rows[row];
    if (static_cast<int>(cells.cells.size()) <= col) cells.cells.resize(col + 1);
    cells.cells[col] = std::move(text);
    grid_.rows.Set(row, cells);
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    else
        emit dataChanged(index(row - 1, col), index(row - 1, col));
}

void ReportTableModel::ForgetTotals() {
    for (std::size_t r = 0; r < grid_.rows.size(); ++r)
        grid_.rows.SetKind(r, ReportRowKind::Record);
}

void ReportTable::SetReport(ReportGrid grid) {
    model_->SetReport(std::move(grid));
    refilled_ = true;
}

bool ReportTable::TakeRefilled() {
    return std::exchange(refilled_, false);
}

void ReportTable::SetRowCount(int rows) {
    model_->ChangeReport([rows](ReportGrid& grid) { grid.rows.Resize(std::max(rows, 1)); });
    refilled_ = true;
}

void ReportTable::SetColCount(int cols) {
    model_->ChangeReport([cols](ReportGrid& grid) {
        grid.cols = std::max(cols, 0);
        if (grid.rows.empty()) grid.rows.Resize(1);
    });
    refilled_ = true;
}

QString ReportTable::Cell(int col, int row) const {
    return FromCp1252(Report().CellView(col, row));
}

void ReportTable::SetCell(int col, int row, const QString& text) {
    model_->SetCell(col, row, ToCp1252(text));
    refilled_ = true;
}

void ReportTable::SetRowHeights(int height) {
    SetUniformRowHeights(*this, height);
}

void ReportTable::SetCurrent(int col, int row) {
    if (row >= 1 && row < RowCount() && col >= 0 && col < ColCount())
        setCurrentIndex(model_->index(row - 1, col));
}
