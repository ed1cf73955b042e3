#pragma once

#include "entry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// A tab of the list as a file for other programs: a CSV that spreadsheets
// open with a double click, and safe writing of any exported file.
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

// Writes the content that fill puts into the device (returning whether all of
// it went in) to the file at path, replacing a previous file only once the
// new one is complete: a failure leaves no partial file and the previous one
// as it was, and reason gets why, in Greek. Only a regular file is replaced.
using Fill = std::function<bool(QIODevice &device)>;
bool save(const QString &path, const Fill &fill, QString *reason = nullptr);
bool save(const QString &path, const QByteArray &content, QString *reason = nullptr);

} // namespace ListExport
