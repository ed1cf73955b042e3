#include "entrydate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <utility>

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

bool split(EntryStamp stamp, QDate *day, QTime *time)
{
    if (stamp.isEmpty())
        return false;
    const int days = stamp.dayNumber();
    *day = QDate(days / 10000, days / 100 % 100, days % 100);
    *time = QTime(stamp.hour(), stamp.minute());
    return true;
}

QString shown(EntryStamp stamp)
{
    QDate day;
    QTime time;
    if (!split(stamp, &day, &time))
        return QString();
    return QLocale().toString(day, QStringLiteral("d/M/yyyy")) + QLatin1Char(' ')
           + QLocale().toString(time, QStringLiteral("HH:mm"));
}

QString forSpreadsheet(EntryStamp stamp)
{
    QDate day;
    QTime time;
    if (!split(stamp, &day, &time))
        return QString();
    return day.toString(Qt::ISODate) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm"));
}

QString toolTip(EntryStamp stamp)
{
    const QString when = shown(stamp);
    return when.isEmpty() ? QString() : Text::tr("Καταχωρίστηκε %1").arg(when);
}

} // namespace EntryDate

EntryStamp::EntryStamp(QStringView text)
{
    if (!EntryDate::isValid(text))
        return;
    for (int i = 0; i < textLength; ++i) {
        if (i != 8) // the "T"
            number = number * 10 + (text.at(i).unicode() - '0');
    }
}

QString EntryStamp::toString() const
{
    if (isEmpty())
        return QString();
    QString text(textLength, Qt::Uninitialized);
    qint64 rest = number;
    for (int i = textLength - 1; i >= 0; --i) {
        if (i == 8) {
            text[i] = QLatin1Char('T');
        } else {
            text[i] = QLatin1Char(char('0' + rest % 10));
            rest /= 10;
        }
    }
    return text;
}

namespace Period {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(Period)
};

int dayNumberOf(const QDate &day)
{
    return day.year() * 10000 + day.month() * 100 + day.day();
}

// The first and the last day of the period, as yyyyMMdd numbers.
std::pair<int, int> daysOf(Kind kind, const QDate &today)
{
    if (kind == Today)
        return {dayNumberOf(today), dayNumberOf(today)};
    const QDate month = kind == ThisMonth ? today : today.addMonths(-1);
    const int first = dayNumberOf(QDate(month.year(), month.month(), 1));
    return {first, first + 30};
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
    const auto [first, last] = daysOf(kind, today);
    EntryGroup period;
    for (const Entry &entry : rows) {
        const int day = entry.date.dayNumber();
        if (day >= first && day <= last)
            period << entry;
    }
    return period;
}

} // namespace Period
