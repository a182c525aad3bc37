#include "platform/string_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "platform/application.h"
#include "platform/scope_guard.h"
#include "platform/text_guard.h"

namespace {

// Cell editors are line edits that refuse characters record text cannot hold; fixed
// columns get none, even in cells not written yet.
class GuardedDelegate : public QStyledItemDelegate {
public:
    explicit GuardedDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() < grid_->FixedCols()) return nullptr;
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) GuardText(line);
        return editor;
    }

private:
    StringGrid* grid_;
};

}  // namespace

void SetUpGridView(QTableView& view) {
    view.verticalHeader()->hide();
    view.horizontalHeader()->setSectionsClickable(false);
    view.horizontalHeader()->setHighlightSections(false);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setWordWrap(false);
}

void SetUniformRowHeights(QTableView& view, int height) {
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(height);
}

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new GuardedDelegate(this));
    SetUpGridView(*this);
    connect(this, &QTableWidget::currentCellChanged, this, Guarded([this](int row, int col, int, int) {
        if (row >= 0 && col >= 0) emit CellSelected(col, row + 1);
    }));
    connect(this, &QTableWidget::itemChanged, this, Guarded([this](QTableWidgetItem* item) {
        if (!settingCell_) emit CellEdited(item->column(), item->row() + 1, item->text());
    }));
}

void StringGrid::SetRowCount(int rows) {
    setRowCount(rows > 1 ? rows - 1 : 0);
}

void StringGrid::SetColCount(int cols) {
    setColumnCount(cols);
    for (int c = 0; c < cols; ++c)
        if (!horizontalHeaderItem(c)) setHorizontalHeaderItem(c, new QTableWidgetItem);
}

QTableWidgetItem* StringGrid::ItemAt(int col, int row) {
    if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount()) return nullptr;
    if (row == 0) {
        if (!horizontalHeaderItem(col)) setHorizontalHeaderItem(col, new QTableWidgetItem);
        return horizontalHeaderItem(col);
    }
    QTableWidgetItem* cell = item(row - 1, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        ApplyFlags(cell, col);
        const ScopedAssign<bool> quiet(settingCell_, true);
        setItem(row - 1, col, cell);
    }
    return cell;
}

QString StringGrid::Cell(int col, int row) const {
    const QTableWidgetItem* cell = nullptr;
    if (col >= 0 && col < columnCount()) {
        if (row == 0)
            cell = horizontalHeaderItem(col);
        else if (row > 0 && row < RowCount())
            cell = item(row - 1, col);
    }
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int col, int row, const QString& text) {
    QTableWidgetItem* cell = ItemAt(col, row);
    if (!cell) return;
    const ScopedAssign<bool> quiet(settingCell_, true);
    cell->setText(text);
}

void StringGrid::SetRowHeights(int height) {
    SetUniformRowHeights(*this, height);
}

void StringGrid::ApplyFlags(QTableWidgetItem* item, int col) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (col >= fixedCols_) {
        flags |= Qt::ItemIsSelectable;
        if (editable_) flags |= Qt::ItemIsEditable;
    }
    item->setFlags(flags);
    if (col < fixedCols_) item->setBackground(palette().button());
}

void StringGrid::SetFixedCols(int cols) {
    fixedCols_ = cols;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* cell = item(r, c)) ApplyFlags(cell, c);
}

void StringGrid::SetEditable(bool editable) {
    editable_ = editable;
    setEditTriggers(editable ? QAbstractItemView::AllEditTriggers
                             : QAbstractItemView::NoEditTriggers);
    SetFixedCols(fixedCols_);
}

void StringGrid::SetCurrent(int col, int row) {
    if (row >= 1 && row < RowCount() && col >= 0 && col < columnCount())
        setCurrentCell(row - 1, col);
}

int StringGrid::TopRow() const {
    return rowAt(0) + 1;
}

void StringGrid::SetTopRow(int row) {
    if (row < 1 || row >= RowCount()) return;
    scrollTo(model()->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

void StringGrid::ClearCells() {
    const ScopedAssign<bool> quiet(settingCell_, true);
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* cell = item(r, c)) cell->setText({});
}
