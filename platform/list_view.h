#pragma once
// A report-style list: each row has a caption (column 0) and sub-items (columns 1 on).
// A click on a column heading sorts the rows ascending by that column with
// CompareListItems, the clicked column's index being the parameter.

#include <QString>
#include <QStringList>
#include <QTreeWidget>

// Sort comparison: parameter 0 compares the captions, k > 0 the sub-items k - 1, and -k
// the sub-items k - 1 each right-aligned in 20 characters (so that numbers of different
// lengths compare by size). A locale-aware text comparison; < 0, 0 or > 0.
int CompareListItems(const QTreeWidgetItem* item1, const QTreeWidgetItem* item2, int param);

class ListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit ListView(QWidget* parent = nullptr);

    void AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    void SetColumnCaption(int column, const QString& caption);
    QTreeWidgetItem* AddItem(const QString& caption, const QStringList& subItems = {});

    int Count() const { return topLevelItemCount(); }
    QTreeWidgetItem* Item(int index) const { return topLevelItem(index); }
    // The selected row, or nullptr when none is selected.
    QTreeWidgetItem* Selected() const;

    static QString Caption(const QTreeWidgetItem* item) { return item->text(0); }
    // Sub-item k (0-based), or an empty string when the row has none there.
    static QString SubItem(const QTreeWidgetItem* item, int k);

    // Sorts the rows ascending by CompareListItems with the parameter.
    void CustomSort(int param);

signals:
    // A column heading was clicked (after the rows were sorted by it).
    void ColumnClick(int column);

private:
    std::vector<Qt::Alignment> alignments_;
};
