#include "grouptables.h"

#include "core/entrydate.h"
#include "core/savedlist.h"

#include <QHelpEvent>
#include <QToolTip>

#include <QTabWidget>
#include <QTableWidget>

namespace {

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
    tables.at(group)->model()->removeRows(first, int(removed.size()));
}

void GroupTables::showGroupAgain(int group)
{
    tables.at(group)->setRowCount(0);
    showInsertedRows(group, 0, int(list->entries(group).size()));
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
