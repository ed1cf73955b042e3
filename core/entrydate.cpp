#include "entrydate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

namespace EntryDate {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(EntryDate)
};

const QString format = QStringLiteral("yyyyMMddTHHmm");
constexpr int length = 13; // "20261209T1432"

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The number that the digits at [from, from + count) of text give.
int number(QStringView text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i)
        value = value * 10 + (text.at(i).unicode() - '0');
    return value;
}

} // namespace

QString now()
{
    return QDateTime::currentDateTime().toString(format);
}

// Checked by hand: the reader meets a date on every row, and QDateTime would
// look up the time zone for each.
bool isValid(QStringView text)
{
    static const char pattern[] = "ddddddddTdddd";
    if (text.size() != length)
        return false;
    for (int i = 0; i < length; ++i) {
        const QChar c = text.at(i);
        if (pattern[i] == 'd' ? !isDigit(c) : c != QLatin1Char(pattern[i]))
            return false;
    }
    return QDate::isValid(number(text, 0, 4), number(text, 4, 2), number(text, 6, 2))
           && QTime::isValid(number(text, 9, 2), number(text, 11, 2), 0);
}

bool split(QStringView text, QDate *day, QTime *time)
{
    if (!isValid(text))
        return false;
    *day = QDate(number(text, 0, 4), number(text, 4, 2), number(text, 6, 2));
    *time = QTime(number(text, 9, 2), number(text, 11, 2));
    return true;
}

QString shown(const QString &text)
{
    QDate day;
    QTime time;
    if (!split(text, &day, &time))
        return QString();
    return QLocale().toString(day, QStringLiteral("d/M/yyyy")) + QLatin1Char(' ')
           + QLocale().toString(time, QStringLiteral("HH:mm"));
}

QString forSpreadsheet(const QString &text)
{
    QDate day;
    QTime time;
    if (!split(text, &day, &time))
        return QString();
    return day.toString(Qt::ISODate) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm"));
}

QString toolTip(const QString &text)
{
    const QString when = shown(text);
    return when.isEmpty() ? QString() : Text::tr("Καταχωρίστηκε %1").arg(when);
}

} // namespace EntryDate

namespace Period {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(Period)
};

// What the dates of the period start with: "20261209", "202612"; nothing
// for All.
QString prefixOf(Kind kind, const QDate &today)
{
    switch (kind) {
    case Today: return today.toString(QStringLiteral("yyyyMMdd"));
    case ThisMonth: return today.toString(QStringLiteral("yyyyMM"));
    case LastMonth: return today.addMonths(-1).toString(QStringLiteral("yyyyMM"));
    case All: break;
    }
    return QString();
}

} // namespace

QString name(Kind kind)
{
    switch (kind) {
    case Today: return Text::tr("Σήμερα");
    case ThisMonth: return Text::tr("Αυτός ο μήνας");
    case LastMonth: return Text::tr("Ο προηγούμενος μήνας");
    case All: break;
    }
    return Text::tr("Όλες");
}

QString describe(Kind kind, const QDate &today)
{
    const QLocale locale;
    switch (kind) {
    case Today: return locale.toString(today, QStringLiteral("d/M/yyyy"));
    case ThisMonth:
    case LastMonth: {
        const QDate month = kind == ThisMonth ? today : today.addMonths(-1);
        return locale.standaloneMonthName(month.month()) + QLatin1Char(' ')
               + QString::number(month.year());
    }
    case All: break;
    }
    return QString();
}

EntryGroup rowsOf(const EntryGroup &rows, Kind kind, const QDate &today)
{
    if (kind == All)
        return rows;
    const QString prefix = prefixOf(kind, today);
    EntryGroup period;
    for (const Entry &entry : rows) {
        if (!entry.date.isEmpty() && entry.date.startsWith(prefix))
            period << entry;
    }
    return period;
}

} // namespace Period
