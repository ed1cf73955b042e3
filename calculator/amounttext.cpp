#include "amounttext.h"

#include <cstdlib>

namespace AmountText {

namespace {

const QChar dot(u'.');

} // namespace

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

} // namespace AmountText
