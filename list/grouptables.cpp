#include "grouptables.h"

#include "savedlist.h"

#include <utility>

#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableWidget>

namespace {

// A table not in view takes a change of more rows than this from the event
// loop, in slices of about this many milliseconds.
const int mostRowsAtOnce = 1000;
const int catchUpSliceMs = 8;

enum Column { PosoColumn, FpaColumn, ExtraPosoColumn, FinalPosoColumn, ColumnCount };

// Makes the items of entry rows. Items are cloned from a prepared set, which
// is markedly faster than setting each one up when a long list is loaded.
class RowItems
{
public:
    RowItems()
    {
        QFont bold;
        bold.setBold(true);
        for (QTableWidgetItem &prototype : prototypes)
            prototype.setTextAlignment(Qt::AlignCenter);
        prototypes[FinalPosoColumn].setFont(bold);
    }

    // Puts the entry into a row that the table already has.
    void put(QTableWidget *table, int row, const Entry &entry) const
    {
        const QString *texts[ColumnCount] = {&entry.poso, &entry.fpa, &entry.extraPoso,
                                             &entry.finalPoso};
        for (int column = 0; column < ColumnCount; ++column) {
            QTableWidgetItem *item = prototypes[column].clone();
            item->setText(*texts[column]);
            table->setItem(row, column, item);
        }
    }

private:
    QTableWidgetItem prototypes[ColumnCount];
};

} // namespace

GroupTables::GroupTables(const SavedList *list, QTabWidget *tabs,
                         const QList<QTableWidget *> &tables, QObject *parent)
    : QObject(parent)
    , list(list)
    , tabs(tabs)
    , tables(tables)
{
    connect(list, &SavedList::rowsInserted, this, &GroupTables::showInsertedRows);
    connect(list, &SavedList::rowsRemoved, this, &GroupTables::showRemovedRows);
    connect(list, &SavedList::groupReset, this, &GroupTables::showGroupAgain);
    connect(list, &SavedList::entryFiled, this, &GroupTables::showFiledEntry);
    connect(list, &SavedList::deletionUndone, this, &GroupTables::showUndoneDeletion);
    connect(tabs, &QTabWidget::currentChanged, this, &GroupTables::catchUp);
    catchUpTimer.setInterval(0);
    connect(&catchUpTimer, &QTimer::timeout, this, &GroupTables::catchUpSome);
}

void GroupTables::showInsertedRows(int group, int first, int count)
{
    if (!fallsBehind(group, count))
        putRows(group, first, count);
}

void GroupTables::putRows(int group, int first, int count)
{
    QTableWidget *table = tables.at(group);
    const EntryGroup &entries = list->entries(group);
    table->model()->insertRows(first, count);
    const RowItems items;
    // Nothing watches single cells of a table that is being filled; one
    // repaint at the end replaces a notification per cell.
    {
        const QSignalBlocker quiet(table->model());
        for (int row = first; row < first + count; ++row)
            items.put(table, row, entries.at(row));
    }
    table->viewport()->update();
}

void GroupTables::showRemovedRows(int group, int first, const EntryGroup &removed)
{
    if (!fallsBehind(group, int(removed.size())))
        tables.at(group)->model()->removeRows(first, int(removed.size()));
}

void GroupTables::showGroupAgain(int group)
{
    if (!fallsBehind(group, int(list->entries(group).size())))
        fillAgain(group, int(list->entries(group).size()));
}

// Whether the table leaves the change to be filled in later: when it is
// being filled again already, whose start the change may have moved, or
// when a large change comes while its tab is not shown.
bool GroupTables::fallsBehind(int group, int changedRows)
{
    const bool large =
        changedRows > mostRowsAtOnce && group != tabs->currentIndex() && list->isLoaded();
    if (!behind.contains(group) && !large)
        return false;
    behind.insert(group, 0);
    catchUpTimer.start();
    return true;
}

// Puts up to that many more of the group's rows into its table, after those
// it has caught up with; a table that starts again is emptied first.
void GroupTables::fillAgain(int group, int rows)
{
    QTableWidget *table = tables.at(group);
    int &filled = behind[group];
    if (filled == 0)
        table->setRowCount(0);
    const int count = qMin(rows, int(list->entries(group).size()) - filled);
    const int first = std::exchange(filled, filled + count);
    if (filled == list->entries(group).size())
        behind.remove(group);
    putRows(group, first, count);
}

void GroupTables::catchUpSome()
{
    QElapsedTimer slice;
    slice.start();
    while (!behind.isEmpty() && slice.elapsed() < catchUpSliceMs)
        fillAgain(behind.firstKey(), mostRowsAtOnce);
    if (behind.isEmpty())
        catchUpTimer.stop();
}

void GroupTables::catchUp(int group)
{
    if (behind.contains(group))
        fillAgain(group, int(list->entries(group).size()));
}

// The rate tab of an entry just added comes to the front, with its row
// selected; a new row in "Όλα" changes nothing there.
void GroupTables::showFiledEntry(int group, int row, bool isNew)
{
    QTableWidget *table = tables.at(group);
    tabs->setCurrentIndex(group);
    if (isNew)
        table->setCurrentItem(table->item(row, PosoColumn));
    else
        table->selectRow(row);
}

// The rows put back are shown in their tab: a single row selected, several
// scrolled to.
void GroupTables::showUndoneDeletion(int group, int row, int count)
{
    QTableWidget *table = tables.at(group);
    tabs->setCurrentIndex(group);
    if (count == 1) {
        table->selectRow(row);
    } else if (count > 1) {
        table->clearSelection();
        table->setCurrentItem(nullptr);
        table->scrollToItem(table->item(row, PosoColumn));
    }
}
