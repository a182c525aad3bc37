#include "platform/application.h"
#include "platform/list_view.h"

#include <QCollator>
#include <QHeaderView>
#include <algorithm>
#include <vector>

namespace {

const QCollator& Collator() {
    static const QCollator collator = [] {
        // Without a configured locale the comparison would be by code point; the
        // ascending order users expect ("a" < "B") needs a real language.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseSensitive);
        c.setIgnorePunctuation(false);
        return c;
    }();
    return collator;
}

QString SortText(const QTreeWidgetItem* item, int param) {
    if (param == 0) return ListView::Caption(item);
    const int k = param > 0 ? param - 1 : -param - 1;
    const QString text = ListView::SubItem(item, k);
    return param > 0 ? text : text.rightJustified(20, ' ');
}

}  // namespace

int CompareListItems(const QTreeWidgetItem* item1, const QTreeWidgetItem* item2, int param) {
    return Collator().compare(SortText(item1, param), SortText(item2, param));
}

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setColumnCount(0);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, Guarded([this](int column) {
        CustomSort(column);
        emit ColumnClick(column);
    }));
}

void ListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment) {
    const int column = columnCount();
    setColumnCount(column + 1);
    QTreeWidgetItem* head = headerItem();
    head->setText(column, caption);
    head->setTextAlignment(column, alignment | Qt::AlignVCenter);
    setColumnWidth(column, width);
    alignments_.push_back(alignment);
}

void ListView::SetColumnCaption(int column, const QString& caption) {
    headerItem()->setText(column, caption);
}

QTreeWidgetItem* ListView::AddItem(const QString& caption, const QStringList& subItems) {
    auto* row = new QTreeWidgetItem(this);
    row->setText(0, caption);
    for (int k = 0; k < subItems.size(); ++k) row->setText(k + 1, subItems[k]);
    for (int c = 0; c < static_cast<int>(alignments_.size()); ++c)
        row->setTextAlignment(c, alignments_[c] | Qt::AlignVCenter);
    return row;
}

QTreeWidgetItem* ListView::Selected() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QString ListView::SubItem(const QTreeWidgetItem* item, int k) {
    return k + 1 < item->columnCount() ? item->text(k + 1) : QString();
}

void ListView::CustomSort(int param) {
    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    std::vector<QTreeWidgetItem*> rows;
    while (topLevelItemCount() > 0) rows.push_back(takeTopLevelItem(0));
    std::stable_sort(rows.begin(), rows.end(),
                     [param](auto* a, auto* b) { return CompareListItems(a, b, param) < 0; });
    for (QTreeWidgetItem* row : rows) addTopLevelItem(row);
    if (current) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* row : selected) row->setSelected(true);
}
