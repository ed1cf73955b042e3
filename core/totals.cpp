#include "totals.h"

#include "amounttext.h"

namespace Totals {

namespace {

constexpr int maxIntegralDigits = 11; // below maxCents

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// An amount of the form [sign] digits [("." | ",") digits], as the calculator
// writes it in any locale with Latin digits.
std::optional<qint64> readPlain(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    qint64 units = 0;
    int integralDigits = 0;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
        anyDigit = true;
        if (units == 0 && text[i] == u'0')
            continue;
        if (++integralDigits > maxIntegralDigits)
            return std::nullopt;
        units = units * 10 + text[i].digitValue();
    }
    qint64 cents = 0;
    int fractionDigits = 0;
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        for (++i; i < text.size() && isAsciiDigit(text[i]); ++i, ++fractionDigits) {
            anyDigit = true;
            const int digit = text[i].digitValue();
            if (fractionDigits < 2)
                cents = cents * 10 + digit;
            else if (digit != 0)
                return std::nullopt; // below the cent
        }
    }
    if (i != text.size() || !anyDigit)
        return std::nullopt;
    if (fractionDigits < 2)
        cents *= fractionDigits == 1 ? 10 : 100;
    const qint64 amount = units * 100 + cents;
    if (amount > maxCents)
        return std::nullopt;
    return negative ? -amount : amount;
}

// Any other writing the locale may use (its own minus sign, decimal point or
// digits) or that of a typed amount ("1.234,56"), brought to the plain form.
QString toPlain(QStringView text, const QLocale &locale)
{
    QString rest = text.toString();
    QString sign;
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();
    if (!minus.isEmpty() && rest.startsWith(minus)) {
        sign = QStringLiteral("-");
        rest.remove(0, minus.size());
    } else if (rest.startsWith(u'\u2212')) {
        sign = QStringLiteral("-");
        rest.remove(0, 1);
    } else if (!plus.isEmpty() && rest.startsWith(plus)) {
        rest.remove(0, plus.size());
    }
    const QString point = locale.decimalPoint();
    if (point != QLatin1String(".") && point != QLatin1String(","))
        rest.replace(point, QLatin1String("."));
    for (QChar &c : rest) {
        if (c.isDigit())
            c = QChar(u'0' + c.digitValue());
    }
    if (rest.startsWith(u'-') || rest.startsWith(u'+'))
        return QString(); // a second sign
    const QString amount = AmountText::toLocaleForm(rest, QStringLiteral("."));
    return amount.isNull() ? QString() : sign + amount;
}

} // namespace

std::optional<qint64> readCents(const QString &text, const QLocale &locale)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (const std::optional<qint64> cents = readPlain(trimmed))
        return cents;
    const QString plain = toPlain(trimmed, locale);
    if (plain.isEmpty())
        return std::nullopt;
    return readPlain(plain);
}

QString formatCents(qint64 cents, const QLocale &locale)
{
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    const quint64 fraction = magnitude % 100;
    QString text = locale.toString(qulonglong(magnitude / 100)) + locale.decimalPoint();
    if (fraction < 10)
        text += locale.zeroDigit();
    text += locale.toString(qulonglong(fraction));
    return cents < 0 ? locale.negativeSign() + text : text;
}

} // namespace Totals

void GroupTotals::apply(const Entry &entry, int sign)
{
    rowCount += sign;
    const std::optional<qint64> price = Totals::readCents(entry.poso, locale);
    const std::optional<qint64> vat = Totals::readCents(entry.extraPoso, locale);
    const std::optional<qint64> final = Totals::readCents(entry.finalPoso, locale);
    if (!price || !vat || !final) {
        unreadableCount += sign;
        return;
    }
    poso += sign * *price;
    extraPoso += sign * *vat;
    finalPoso += sign * *final;
}

QStringList GroupTotals::parts() const
{
    if (rowCount == 0)
        return {tr("Καμία εγγραφή")};
    const QString rows = locale.toString(rowCount);
    QStringList parts{rowCount == 1 ? tr("%1 εγγραφή").arg(rows) : tr("%1 εγγραφές").arg(rows)};
    parts << tr("Αρχική %1").arg(Totals::formatCents(poso, locale));
    parts << tr("Φ.Π.Α. %1").arg(Totals::formatCents(extraPoso, locale));
    parts << tr("Τελική %1").arg(Totals::formatCents(finalPoso, locale));
    if (unreadableCount > 0)
        parts << tr("%1 χωρίς ποσό").arg(locale.toString(unreadableCount));
    return parts;
}

QString GroupTotals::text() const
{
    return parts().join(separator());
}

QString GroupTotals::separator()
{
    return QStringLiteral(" · ");
}
