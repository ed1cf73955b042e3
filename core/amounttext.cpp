#include "amounttext.h"

#include <QStringList>

#include <cstdlib>

namespace AmountText {

namespace {

const QChar dot(u'.');
const QChar comma(u',');

bool allDigits(const QString &text)
{
    for (const QChar c : text) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

// Whether mark splits the digits of integral (an optional sign, then digits)
// into groups of three after a first group of one to three. The last group may
// still be short while the amount is being typed.
bool groupsInThrees(QString integral, QChar mark, bool lastGroupComplete)
{
    if (integral.startsWith(u'-') || integral.startsWith(u'+'))
        integral.remove(0, 1);
    const QStringList groups = integral.split(mark);
    if (groups.size() < 2)
        return false;
    for (int i = 0; i < groups.size(); ++i) {
        const QString &group = groups.at(i);
        const bool first = i == 0;
        const bool last = i == groups.size() - 1;
        const bool sizeFits = first                        ? group.size() >= 1 && group.size() <= 3
                              : last && !lastGroupComplete ? group.size() <= 3
                                                           : group.size() == 3;
        if (!sizeFits || !allDigits(group))
            return false;
    }
    return true;
}

} // namespace

QString toLocaleForm(const QString &typed, const QString &decimalPoint)
{
    const int lastDot = typed.lastIndexOf(dot);
    const int lastComma = typed.lastIndexOf(comma);
    if (lastDot < 0 && lastComma < 0)
        return typed;
    if (lastDot < 0 || lastComma < 0) {
        QString amount = typed;
        return amount.replace(lastDot < 0 ? comma : dot, decimalPoint);
    }

    const int point = qMax(lastDot, lastComma);
    const QChar groupMark = lastDot > lastComma ? comma : dot;
    QString integral = typed.left(point);
    if (!groupsInThrees(integral, groupMark, true))
        return QString();
    return integral.remove(groupMark) + decimalPoint + typed.mid(point + 1);
}

bool isGroupedSoFar(const QString &typed)
{
    const bool hasDot = typed.contains(dot);
    const bool hasComma = typed.contains(comma);
    if (hasDot == hasComma)
        return false;
    return groupsInThrees(typed, hasDot ? dot : comma, false);
}

QString plain(double amount)
{
    const qint64 cents = qRound64(amount * 100);
    const qint64 magnitude = std::llabs(cents);
    QString text = QString::number(magnitude / 100);
    if (const qint64 fraction = magnitude % 100) {
        text += dot + QString::number(fraction).rightJustified(2, u'0');
        if (text.endsWith(u'0'))
            text.chop(1);
    }
    if (cents < 0)
        text.prepend(u'-');
    return text;
}

QString inLocale(double amount, const QLocale &locale)
{
    QString text = plain(amount);
    text.replace(dot, locale.decimalPoint());
    if (text.startsWith(u'-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

} // namespace AmountText
