#include "grouptables.h"

#include "core/entrydate.h"
#include "core/savedlist.h"

#include <QHelpEvent>
#include <QToolTip>

#include <climits>
#include <utility>

#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableWidget>

namespace {

// A table takes a change of more rows than this from the event loop, in
// slices of about this many milliseconds, this many rows at a time.
const int mostRowsAtOnce = 1000;
const int catchUpSliceMs = 8;
const int rowsPerCatchUpStep = 250;

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
    for (QTableWidget *table : tables)
        table->viewport()->installEventFilter(this);
    catchUpTimer.setInterval(0);
    connect(&catchUpTimer, &QTimer::timeout, this, &GroupTables::catchUpSome);
}

// The tool tip is made when asked for, from the row's entry: a tool tip set
// on every cell would cost the loading of a long list dearly.
bool GroupTables::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const int group = int(tables.indexOf(qobject_cast<QTableWidget *>(watched->parent())));
    if (group < 0)
        return QObject::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int row = tables.at(group)->rowAt(help->pos().y());
    const QString tip = row >= 0 && row < list->entries(group).size()
                            ? EntryDate::toolTip(list->entries(group).at(row).date)
                            : QString();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, tables.at(group)->viewport());
    return true;
}

void GroupTables::showInsertedRows(int group, int first, int count)
{
    if (!fallsBehind(group, first, count))
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
    if (!fallsBehind(group, first, int(removed.size())))
        tables.at(group)->model()->removeRows(first, int(removed.size()));
}

void GroupTables::showGroupAgain(int group)
{
    if (!fallsBehind(group, 0, int(list->entries(group).size()))) {
        tables.at(group)->setRowCount(0);
        putRows(group, 0, int(list->entries(group).size()));
    }
}

// Whether the table leaves a change from that row on to be filled in later:
// when it has rows still to fill, or when the change is large.
bool GroupTables::fallsBehind(int group, int first, int changedRows)
{
    if (!behind.contains(group) && changedRows <= mostRowsAtOnce)
        return false;
    // Its rows from the first changed one on are filled again.
    behind[group] = qMin(behind.value(group, first), first);
    catchUpTimer.start();
    return true;
}

// Fills up to that many more rows of the group into its table, after the
// rows that it has caught up with, whose rows after them are given up first,
// as many at a time: deleting their items takes as long as making them.
void GroupTables::fillMore(int group, int rows)
{
    QTableWidget *table = tables.at(group);
    const int filled = behind.value(group);
    if (table->rowCount() > filled) {
        table->setRowCount(qMax(filled, table->rowCount() - rows));
        if (table->rowCount() > filled)
            return;
    }
    const int count = qMin(rows, int(list->entries(group).size()) - filled);
    if (filled + count == list->entries(group).size())
        behind.remove(group);
    else
        behind.insert(group, filled + count);
    putRows(group, filled, count);
}

// The tab shown first, then the others.
void GroupTables::catchUpSome()
{
    QElapsedTimer slice;
    slice.start();
    while (!behind.isEmpty() && slice.elapsed() < catchUpSliceMs) {
        const int shown = tabs->currentIndex();
        fillMore(behind.contains(shown) ? shown : behind.firstKey(), rowsPerCatchUpStep);
    }
    if (behind.isEmpty())
        catchUpTimer.stop();
}

// Before a row of the table is chosen.
void GroupTables::catchUp(int group)
{
    if (behind.contains(group))
        fillMore(group, INT_MAX); // every row, at once
}

// The rate tab of an entry just added comes to the front, with its row
// selected; a new row in "Όλα" changes nothing there.
void GroupTables::showFiledEntry(int group, int row, bool isNew)
{
    QTableWidget *table = tables.at(group);
    tabs->setCurrentIndex(group);
    catchUp(group);
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
    catchUp(group);
    if (count == 1) {
        table->selectRow(row);
    } else if (count > 1) {
        table->clearSelection();
        table->setCurrentItem(nullptr);
        table->scrollToItem(table->item(row, PosoColumn));
    }
}
