#include "columnfit.h"

#include <QHeaderView>
#include <QTableView>

namespace ColumnFit {

int headersWidth(const QTableView *table)
{
    const QHeaderView *header = table->horizontalHeader();
    int width = 0;
    for (int column = 0; column < header->count(); ++column)
        width += header->sectionSizeHint(column);
    return width;
}

void fitToWidth(QTableView *table)
{
    QHeaderView *header = table->horizontalHeader();
    const int needed = headersWidth(table);
    if (header->count() == 0 || needed <= 0)
        return;
    const int extra = qMax(0, table->viewport()->width() - needed);
    int shared = 0;
    for (int column = 0; column < header->count(); ++column) {
        const int natural = header->sectionSizeHint(column);
        // The last column takes what rounding left over.
        const int share = column + 1 < header->count() ? extra * natural / needed : extra - shared;
        shared += share;
        header->resizeSection(column, natural + share);
    }
}

} // namespace ColumnFit
