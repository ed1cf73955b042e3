#pragma once

class QTableView;

// A table's columns share its width in proportion to what they need, the
// wider of their header and the rows in view, so that every column shows
// whatever the font; a table narrower than that keeps them whole and scrolls
// sideways.
namespace ColumnFit {

// The width that the columns need side by side.
int neededWidth(const QTableView *table);
// Sizes the columns to the table's present width.
void fitToWidth(QTableView *table);

} // namespace ColumnFit
