#pragma once

class QTableView;

// A table's columns share its width in proportion to their headers' widths,
// so that every column shows whatever the font; a table narrower than its
// headers keeps them whole and scrolls sideways.
namespace ColumnFit {

// The width that the headers need side by side.
int headersWidth(const QTableView *table);
// Sizes the columns to the table's present width.
void fitToWidth(QTableView *table);

} // namespace ColumnFit
