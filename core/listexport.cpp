#include "listexport.h"

#include "entrydate.h"

#include <QRegularExpression>

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

} // namespace ListExport
