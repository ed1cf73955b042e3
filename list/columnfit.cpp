#include "columnfit.h"

#include <QHeaderView>
#include <QStyle>
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

// The rows in view, or an amount of thousands where the column has none yet.
int leastWidth(const QTableView *table, int column)
{
    const QAbstractItemView *view = table;
    const int rows = view->sizeHintForColumn(column);
    if (rows > 0)
        return qMax(table->horizontalHeader()->minimumSectionSize(), rows);
    QFont bold = table->font();
    bold.setBold(true);
    const int margins =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    return QFontMetrics(bold).horizontalAdvance(QStringLiteral("0.000,00")) + margins;
}

// The headers give up what the rows do not need, each in proportion to what
// it can give, and show their titles cut short.
void fitByCuttingHeaders(QTableView *table, const QList<int> &needed, int shortfall)
{
    QList<int> spare;
    int totalSpare = 0;
    for (int column = 0; column < needed.size(); ++column) {
        spare << qMax(0, needed.at(column) - leastWidth(table, column));
        totalSpare += spare.last();
    }
    if (totalSpare <= 0)
        return;
    shortfall = qMin(shortfall, totalSpare);
    // Cut by running sums, so that the cuts add up to the shortfall exactly.
    int spareSoFar = 0;
    int cutSoFar = 0;
    for (int column = 0; column < needed.size(); ++column) {
        spareSoFar += spare.at(column);
        const int cut = int(qint64(shortfall) * spareSoFar / totalSpare) - cutSoFar;
        cutSoFar += cut;
        table->horizontalHeader()->resizeSection(column, needed.at(column) - cut);
    }
}

// Enough for every row that a window as tall as a screen shows.
const int rowsMeasured = 100;

} // namespace

void measureRowsNearView(QTableView *table)
{
    table->horizontalHeader()->setResizeContentsPrecision(rowsMeasured);
}

int leastWidth(const QTableView *table)
{
    int width = 0;
    for (int column = 0; column < table->horizontalHeader()->count(); ++column)
        width += leastWidth(table, column);
    return width;
}

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
    if (table->viewport()->width() < total) {
        fitByCuttingHeaders(table, needed, total - table->viewport()->width());
        return;
    }
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
