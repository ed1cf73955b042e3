#pragma once

class QTableView;

// A table's columns share its width in proportion to what they need, the
// wider of their header and the rows in view, so that every column shows
// whatever the font; a table narrower than that cuts its headers short
// before its rows, and only narrower still scrolls sideways.
namespace ColumnFit {

// Makes the table measure, for its columns' size hints, the rows in view and
// a few around them rather than the first thousand rows: a long list's
// columns are fitted on every change, within a frame.
void measureRowsNearView(QTableView *table);
// The width that the columns need side by side.
int neededWidth(const QTableView *table);
// The width that the columns need with their headers cut short.
int leastWidth(const QTableView *table);
// Sizes the columns to the table's present width.
void fitToWidth(QTableView *table);

} // namespace ColumnFit
