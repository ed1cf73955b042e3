#pragma once

#include "entry.h"

#include <QByteArray>
#include <QSaveFile>
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
// The same in parts, for a long tab: the byte order mark and the header row,
// then the lines of rows [first, end).
QByteArray csvHead(const QStringList &headers);
QByteArray csvLines(const EntryGroup &rows, qsizetype first, qsizetype end);

// A file written in parts, which replaces a previous file only once it is
// complete: until commit() it is written beside it, and cancel() (or the
// object's end without a commit) removes what was written.
class ExportFile
{
public:
    explicit ExportFile(const QString &path);
    // Whether the file may be written there and can be created; on failure
    // reason gets why, in Greek.
    bool open(QString *reason = nullptr);
    QIODevice &device() { return file; }
    bool commit(QString *reason = nullptr);
    // Removes what was written; where the writing failed, reason gets why.
    void cancel(QString *reason = nullptr);

private:
    QSaveFile file;
};

// Writes the content that fill puts into the device (returning whether all of
// it went in) to the file at path, replacing a previous file only once the
// new one is complete: a failure leaves no partial file and the previous one
// as it was, and reason gets why, in Greek. Only a regular file is replaced.
using Fill = std::function<bool(QIODevice &device)>;
bool save(const QString &path, const Fill &fill, QString *reason = nullptr);
bool save(const QString &path, const QByteArray &content, QString *reason = nullptr);

} // namespace ListExport
