#pragma once

#include "listprinter.h"

#include <QString>

#include <functional>

// A tab as an Excel workbook (.xlsx) that LibreOffice, Gnumeric and Excel
// open with a double click and nothing to set: the business on the first
// rows, the column titles in a row that stays in view, the amounts as numbers
// with two decimals and grouping (shown as the reader's language writes
// them), the dates as dates, and a row of sums that any spreadsheet can
// recalculate. An amount that cannot be read stays as its text, and its row
// is then left out of the sums, as the totals line leaves it out.
namespace XlsxExport {

// Told every so many rows how many are written; stops the writing when it
// returns false. Called on the thread that writes.
using GoOn = std::function<bool(int rowsWritten)>;

// Writes the tab to the file at path, replacing a previous file only once the
// new one is complete; on failure reason gets why, in Greek. Stopped by goOn,
// it leaves no file and returns false.
bool write(const QString &path, const ListPrinter::Content &tab, QString *reason = nullptr,
           const GoOn &goOn = {});

} // namespace XlsxExport
