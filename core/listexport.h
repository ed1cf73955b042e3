#pragma once

#include "entry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A tab of the list as a file for other programs: a CSV that spreadsheets
// open with a double click. Exported files are written as a SafeFile.
namespace ListExport {

// The header row and one line per entry, as the cells show them and then
// when it was added ("2026-12-09 14:32", empty for no date): UTF-8 with a
// byte order mark, ";" between fields and CRLF line ends, which is what
// spreadsheets set up for Greek (where "," is the decimal point) open
// directly. A field that holds ";", ",", a quote or a line break is quoted,
// its quotes doubled, so that a spreadsheet that guesses the separator splits
// no amount at its decimal comma. The list file is foreign input: a field that is no number
// but starts like a formula ("=", "+", "-", "@", a tab or a carriage return)
// gets a leading "'", so that no spreadsheet runs it.
QByteArray csv(const QStringList &headers, const EntryGroup &rows);
// The same in parts, for a long tab: the byte order mark and the header row,
// then the lines of rows [first, end).
QByteArray csvHead(const QStringList &headers);
QByteArray csvLines(const EntryGroup &rows, qsizetype first, qsizetype end);

} // namespace ListExport
