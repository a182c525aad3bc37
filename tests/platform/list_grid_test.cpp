// The report-style list's column sort and the string grid's cells, heading row and events.
#include <gtest/gtest.h>

#include <QHeaderView>

#include "platform/list_view.h"
#include "platform/string_grid.h"

namespace {

QStringList Column(const ListView& list, int column) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list.Item(i)->text(column);
    return out;
}

struct Lines : ::testing::Test {
    ListView list;
    void SetUp() override {
        list.AddColumn("LN", 30);
        list.AddColumn("Product Code", 80);
        list.AddColumn("Quan", 80, Qt::AlignRight);
        list.AddItem("3", {"bolt", "10.00"});
        list.AddItem("1", {"Axle", "9.50"});
        list.AddItem("2", {"axle", "100.00"});
        list.AddItem("4", {"Bolt"});  // no quantity sub-item
    }
};

}  // namespace

TEST_F(Lines, ParameterZeroSortsByCaptionAndPositiveBySubItem) {
    list.CustomSort(0);
    EXPECT_EQ(Column(list, 0), (QStringList{"1", "2", "3", "4"}));
    // Locale order: case is a later difference, so "axle" and "Axle" sit together.
    list.CustomSort(1);
    EXPECT_EQ(Column(list, 1), (QStringList{"axle", "Axle", "bolt", "Bolt"}));
    // As text, numbers sort by their characters.
    list.CustomSort(2);
    EXPECT_EQ(Column(list, 2), (QStringList{"", "10.00", "100.00", "9.50"}));
}

TEST_F(Lines, NegativeParameterComparesRightAlignedText) {
    list.CustomSort(-2);
    EXPECT_EQ(Column(list, 2), (QStringList{"", "9.50", "10.00", "100.00"}));
    EXPECT_LT(CompareListItems(list.Item(1), list.Item(2), -2), 0);
    EXPECT_GT(CompareListItems(list.Item(1), list.Item(2), 2), 0);
    EXPECT_EQ(CompareListItems(list.Item(0), list.Item(0), -1), 0);
}

TEST_F(Lines, HeadingClickSortsAscendingEveryTimeAndKeepsTheSelection) {
    QTreeWidgetItem* axle = list.Item(1);
    axle->setSelected(true);
    int clicked = -1;
    QObject::connect(&list, &ListView::ColumnClick, [&](int c) { clicked = c; });
    emit list.header()->sectionClicked(1);
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(Column(list, 1).front(), "axle");
    emit list.header()->sectionClicked(1);
    EXPECT_EQ(Column(list, 1), (QStringList{"axle", "Axle", "bolt", "Bolt"}));
    EXPECT_EQ(list.Selected(), axle);
    EXPECT_EQ(ListView::SubItem(list.Item(3), 1), "");
    EXPECT_EQ(list.headerItem()->text(2), "Quan");
}

TEST(StringGrid, CellsByColumnAndRowWithTheHeadingRowFixed) {
    StringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(100);  // heading row + rows 1-99
    EXPECT_EQ(grid.RowCount(), 100);
    EXPECT_EQ(grid.rowCount(), 99);
    grid.SetCell(1, 0, "Product#");
    grid.SetCell(1, 1, "BOLT");
    grid.SetCell(2, 99, "last");
    EXPECT_EQ(grid.Cell(1, 0), "Product#");
    EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), "Product#");
    EXPECT_EQ(grid.Cell(1, 1), "BOLT");
    EXPECT_EQ(grid.Cell(2, 99), "last");
    // Outside the grid: nothing, and nothing written.
    EXPECT_EQ(grid.Cell(5, 1), "");
    grid.SetCell(0, 100, "x");
    EXPECT_EQ(grid.Cell(0, 100), "");

    grid.ClearCells();
    EXPECT_EQ(grid.Cell(1, 1), "");
    EXPECT_EQ(grid.Cell(1, 0), "Product#");  // headings stay
}

TEST(StringGrid, CurrentCellEditingAndEvents) {
    StringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(5);
    grid.SetFixedCols(1);
    grid.SetEditable(true);
    std::vector<std::pair<int, int>> selected;
    std::vector<QString> edited;
    QObject::connect(&grid, &StringGrid::CellSelected,
                     [&](int c, int r) { selected.emplace_back(c, r); });
    QObject::connect(&grid, &StringGrid::CellEdited, [&](int, int r, const QString& t) {
        edited.push_back(QString::number(r) + t);
    });

    grid.SetCurrent(2, 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 3);
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.back(), std::make_pair(2, 3));

    grid.SetCell(1, 2, "program text");  // not an edit
    EXPECT_TRUE(edited.empty());
    grid.item(1, 1)->setText("typed");  // what the cell editor does on commit
    EXPECT_EQ(edited, std::vector<QString>{"2typed"});

    grid.SetCell(0, 1, "1");
    EXPECT_FALSE(grid.item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.item(1, 1)->flags() & Qt::ItemIsEditable);
    // The fixed column gives no editor, even where no cell was written.
    EXPECT_EQ(grid.itemDelegate()->createEditor(grid.viewport(), {}, grid.model()->index(3, 0)),
              nullptr);
}
