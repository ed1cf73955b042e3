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
    return csvHead(headers) + csvLines(rows, 0, rows.size());
}

QByteArray csvHead(const QStringList &headers)
{
    QByteArray out = byteOrderMark;
    appendLine(out, headers);
    return out;
}

QByteArray csvLines(const EntryGroup &rows, qsizetype first, qsizetype end)
{
    QByteArray out;
    out.reserve((end - first) * 40);
    for (qsizetype row = first; row < end; ++row) {
        const Entry &entry = rows.at(row);
        appendLine(out, {entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso,
                         EntryDate::forSpreadsheet(entry.date)});
    }
    return out;
}

ExportFile::ExportFile(const QString &path)
    : file(path)
{
}

bool ExportFile::open(QString *reason)
{
    // The same rules as for the list: no folder, FIFO or device is written
    // to, and no link to nothing is followed to wherever it points.
    if (!ListFile::mayWriteAt(file.fileName(), reason))
        return false;
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (reason)
        *reason = reasonFor(file);
    return false;
}

bool ExportFile::commit(QString *reason)
{
    // A write that failed while its data sat in the buffer shows only here.
    const bool written = file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        cancel(reason);
        return false;
    }
    if (file.commit())
        return true;
    if (reason)
        *reason = reasonFor(file);
    return false;
}

void ExportFile::cancel(QString *reason)
{
    if (reason)
        *reason = reasonFor(file);
    file.cancelWriting();
}

bool save(const QString &path, const Fill &fill, QString *reason)
{
    ExportFile file(path);
    if (!file.open(reason))
        return false;
    if (!fill(file.device())) {
        file.cancel(reason);
        return false;
    }
    return file.commit(reason);
}

bool save(const QString &path, const QByteArray &content, QString *reason)
{
    return save(
        path, [&content](QIODevice &device) { return ListFile::writeAll(device, content); },
        reason);
}

} // namespace ListExport
