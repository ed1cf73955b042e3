#pragma once

#include "entry.h"
#include "safefile.h"

#include <QFile>
#include <QStringList>

#include <functional>

// The saved list on disk, list.xml:
//
//   <fpa>
//    <fpa-tab name="23%" ID="1">
//     <fpa-item poso="100,00" fpa="23,00" extraPoso="23,00" finalPoso="123,00" Id="0"
//               date="20261209T1432"/>
//    </fpa-tab>
//    ...
//   </fpa>
//
// UTF-8 without a declaration, one space of indentation per level. Groups are
// matched to tabs by their position, rows by their order; the names and the
// ID/Id attributes are written for people and ignored when reading. An
// item's date, when it has one, is when it was added; files of older
// versions have none, and a date that is not in that form is read as none.
namespace ListFile {

enum class ReadStatus {
    Missing,   // no file yet
    Complete,  // the whole file was read
    Unreadable // something is there, but no regular file that could be read to its end
};

// Receives the rows of a group as they are read, a few thousand at a time, so
// that they can be shown while the rest of the file is still being read. The
// parts of one group arrive in order.
using RowsRead = std::function<void(int group, EntryGroup &&rows)>;

// What read() takes from a file, so that no file can exhaust the memory. A
// file that goes beyond the first three is read up to that point and counts
// as Unreadable, and so does one whose rows, written back, would not fit in
// maxFileSize: what read() gives can always be written and read again. A
// longer text is cut. So that no file costs more than linear time, a start
// tag of more than a few dozen attributes, or of names and blanks longer than
// a few KiB, makes the file Unreadable too. A list of 50,000 entries is a 9 MB file
// of 100,000 rows, three levels deep, with texts of a few characters.
constexpr qint64 maxFileSize = 32 * 1024 * 1024; // bytes
constexpr int maxRows = 500000;                  // all groups together
constexpr int maxDepth = 1000000;                // elements open at once
constexpr int maxTextLength = 1000;              // characters of one cell

// What a file held when it was read: enough to tell later that it has been
// changed or replaced since.
struct Signature {
    qint64 size = -1;    // bytes; -1: no regular file
    qint64 modified = 0; // the time of its last change, in nanoseconds
    size_t hash = 0;     // of the content

    friend bool operator==(const Signature &a, const Signature &b)
    {
        return a.size == b.size && a.modified == b.modified && a.hash == b.hash;
    }
    friend bool operator!=(const Signature &a, const Signature &b) { return !(a == b); }
};

// The signature of what is at path now; that of no file when it is no
// regular file.
Signature signatureOf(const QString &path);

// Reads the rows of at most groupCount groups; of a file that is cut short or
// broken, the rows found before the fault. Only a regular file, or a symbolic
// link to one, is read; anything else (a folder, a FIFO, a device) is
// Unreadable and is not even opened. A document type that declares entities
// makes the file Unreadable too. When stopRequested, asked between parts of
// the file, says true, the reading ends there as for a file cut short.
struct ReadInfo {
    // Of the very file that was read, taken from the file opened, even when
    // another file has taken its name since.
    Signature signature;
    // The name of each group read, as the file gives it, filled in as the
    // groups are met: the names of the tabs when the file was written, and
    // so of the rates its rows were filed under.
    QStringList groupNames;
};
ReadStatus read(const QString &path, int groupCount, const RowsRead &rowsRead,
                const std::function<bool()> &stopRequested = nullptr, ReadInfo *info = nullptr);

// The file's content for the given groups, exactly as write() stores it.
QByteArray serialize(const QStringList &groupNames, const QList<EntryGroup> &groups);

// Whether the file at path is a regular file that holds exactly what
// serialize() gives for the groups; compared a part at a time, without the
// whole content in memory (see SameAsWritten below).
bool holds(const QString &path, const QStringList &groupNames, const QList<EntryGroup> &groups);

// Replaces the file with the content, or leaves the previous file as it was
// when the new one cannot be written completely; then failure, when given,
// receives why. Makes the file's folder first if it is missing. Written as a
// SafeFile: through a symbolic link it replaces the file that the link points
// to, and it never writes over anything but a regular file.
bool write(const QString &path, const QByteArray &content, WriteFailure *failure = nullptr);

// The same for the content that serialize() gives for the groups, written in
// parts as it is made, without holding the whole file in memory.
bool write(const QString &path, const QStringList &groupNames, const QList<EntryGroup> &groups,
           WriteFailure *failure = nullptr);

// Tells whether a file holds exactly what write() would store for the rows
// that read() gives of it, so that nothing else in it is lost by writing the
// list back. Fed with the parts as read() hands them over, it compares them
// with the file as they come, without a second copy of the list. The group
// names are looked up as the groups come, so that they may be those that
// read() finds in the file; groupNames must outlive the check.
class SameAsWritten
{
public:
    SameAsWritten(const QString &path, const QStringList &groupNames);
    ~SameAsWritten();

    void add(int group, const EntryGroup &rows);
    // Once read() has handed over every part.
    bool holds();

private:
    void expect(const QByteArray &bytes);

    QFile file;
    const QStringList &groupNames;
    int currentGroup = -1;
    int rowsInGroup = 0;
    bool same = true;
};

// Copies a file next to it, as "list.<kind>-<n>.xml" under a number that no
// earlier copy has, before it gets replaced. Returns the copy's path, or an
// empty string when no copy could be made, or when path is not a regular
// file.
QString keepCopy(const QString &path, const QString &kind = QStringLiteral("unreadable"));

} // namespace ListFile
