#include "listexport.h"

#include "entrydate.h"
#include "listfile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace ListExport {

namespace {

const QByteArray byteOrderMark("\xEF\xBB\xBF");
const QByteArray lineEnd("\r\n");

// Digits with "." or "," between them and an optional sign: what a
// spreadsheet reads as a number, never as a formula.
bool isNumber(const QString &field)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)*$"));
    return number.match(field).hasMatch();
}

bool startsLikeFormula(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !field.isEmpty() && formulaStarts.contains(field.front()) && !isNumber(field);
}

void appendField(QByteArray &out, const QString &field)
{
    QString text = startsLikeFormula(field) ? QLatin1Char('\'') + field : field;
    // A "," too: a spreadsheet that guesses the separator would split an
    // amount at its decimal comma.
    const bool quoted = text.contains(u';') || text.contains(u',') || text.contains(u'"')
                        || text.contains(u'\n') || text.contains(u'\r');
    if (quoted) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        out += '"' + text.toUtf8() + '"';
    } else {
        out += text.toUtf8();
    }
}

void appendLine(QByteArray &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ';';
        appendField(out, fields.at(i));
    }
    out += lineEnd;
}

// Why a save failed, in Greek, with the system's own account after it.
QString reasonFor(const QSaveFile &file)
{
    QString why;
    switch (file.error()) {
    case QFileDevice::NoError:
        return QStringLiteral("Το περιεχόμενο του αρχείου δεν μπόρεσε να γραφτεί");
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        why = QStringLiteral("Το αρχείο δεν μπορεί να δημιουργηθεί σε αυτόν τον φάκελο");
        break;
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        // The toolkit refuses a read-only file with a write error before
        // writing anything.
        why = QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isWritable()
                  ? QStringLiteral("Το αρχείο επιτρέπει μόνο ανάγνωση και δεν αντικαθίσταται")
                  : QStringLiteral("Η εγγραφή του αρχείου απέτυχε (ίσως γέμισε ο δίσκος)");
        break;
    case QFileDevice::RenameError:
        why = QStringLiteral("Το νέο αρχείο δεν μπόρεσε να πάρει τη θέση του παλιού");
        break;
    default: why = QStringLiteral("Το αρχείο δεν μπορεί να γραφτεί"); break;
    }
    const QString detail = file.errorString();
    return detail.isEmpty() ? why : why + QStringLiteral(": ") + detail;
}

} // namespace

QByteArray csv(const QStringList &headers, const EntryGroup &rows)
{
    QByteArray out = byteOrderMark;
    out.reserve(64 + rows.size() * 40);
    appendLine(out, headers);
    for (const Entry &entry : rows)
        appendLine(out, {entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso,
                         EntryDate::forSpreadsheet(entry.date)});
    return out;
}

bool save(const QString &path, const Fill &fill, QString *reason)
{
    // The same rules as for the list: no folder, FIFO or device is written
    // to, and no link to nothing is followed to wherever it points.
    if (!ListFile::mayWriteAt(path, reason))
        return false;
    // QSaveFile writes beside the file and renames it over the old one only
    // on commit(); a failure on the way removes what it wrote.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && fill(file);
    // A write that failed while its data sat in the buffer shows only here.
    written = written && file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        if (reason)
            *reason = reasonFor(file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = reasonFor(file);
        return false;
    }
    return true;
}

bool save(const QString &path, const QByteArray &content, QString *reason)
{
    return save(
        path, [&content](QIODevice &device) { return ListFile::writeAll(device, content); },
        reason);
}

} // namespace ListExport
