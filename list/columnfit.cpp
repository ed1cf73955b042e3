#include "columnfit.h"

#include <QHeaderView>
#include <QTableView>

namespace ColumnFit {

namespace {

int neededWidth(const QTableView *table, int column)
{
    // Reached through the base, where it is public; the table looks at a
    // bounded number of rows.
    const QAbstractItemView *view = table;
    return qMax(table->horizontalHeader()->sectionSizeHint(column),
                view->sizeHintForColumn(column));
}

} // namespace

int neededWidth(const QTableView *table)
{
    int width = 0;
    for (int column = 0; column < table->horizontalHeader()->count(); ++column)
        width += neededWidth(table, column);
    return width;
}

void fitToWidth(QTableView *table)
{
    QHeaderView *header = table->horizontalHeader();
    QList<int> needed;
    int total = 0;
    for (int column = 0; column < header->count(); ++column) {
        needed << neededWidth(table, column);
        total += needed.last();
    }
    if (total <= 0)
        return;
    const int extra = qMax(0, table->viewport()->width() - total);
    int shared = 0;
    for (int column = 0; column < needed.size(); ++column) {
        // The last column takes what rounding left over.
        const int share =
            column + 1 < needed.size() ? extra * needed.at(column) / total : extra - shared;
        shared += share;
        header->resizeSection(column, needed.at(column) + share);
    }
}

} // namespace ColumnFit
