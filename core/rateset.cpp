#include "rateset.h"

#include <QLocale>
#include <QSettings>
#include <QStringList>

#include <cmath>

namespace {

// How far a rate read as a double may lie from its hundredths: "6.5" is
// 6.4999999999999... as a double, but "6.505" is not a rate of two decimals.
constexpr double hundredthsTolerance = 1e-6;

// The numbers of a settings value as texts. QSettings gives a list back as a
// list of texts, or as one text when it holds a single item or when the
// whole line was quoted by hand; anything else holds no rates.
QStringList numberTexts(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QStringList:
    case QMetaType::QVariantList: return value.toStringList();
    case QMetaType::QString: return value.toString().split(QLatin1Char(','));
    default: return {};
    }
}

// A rate written with "." as the decimal point, in hundredths, or nothing
// when the text is no rate in range with at most two decimals.
std::optional<int> readHundredths(const QString &text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double percent = c.toDouble(text.trimmed(), &ok);
    // Also false for "nan", which reads as a number.
    if (!ok || !(percent >= 0 && percent <= 100))
        return std::nullopt;
    const double hundredths = percent * 100;
    const int rounded = int(std::lround(hundredths));
    if (std::abs(hundredths - rounded) > hundredthsTolerance)
        return std::nullopt;
    if (rounded < RateSet::lowest || rounded > RateSet::highest)
        return std::nullopt;
    return rounded;
}

// A rate in range as a number with "." as the decimal point and no trailing
// zeros: 2400 is "24", 650 is "6.5", 605 is "6.05".
QString numberText(int hundredths)
{
    QString text = QString::number(hundredths / 100);
    const int fraction = hundredths % 100;
    if (fraction % 10 != 0)
        text += QStringLiteral(".%1").arg(fraction, 2, 10, QLatin1Char('0'));
    else if (fraction != 0)
        text += QStringLiteral(".%1").arg(fraction / 10);
    return text;
}

} // namespace

RateSet::RateSet()
    : RateSet(until2015())
{
}

RateSet::RateSet(const Hundredths &hundredths)
    : rates(hundredths)
{
}

RateSet RateSet::until2015()
{
    return RateSet(Hundredths{2300, 1300, 650, 1600, 900, 500});
}

RateSet RateSet::from2016()
{
    return RateSet(Hundredths{2400, 1300, 600, 1700, 900, 400});
}

bool RateSet::isValid() const
{
    for (int rate : rates) {
        if (rate < lowest || rate > highest)
            return false;
    }
    return !equalPair();
}

std::optional<std::pair<int, int>> RateSet::equalPair() const
{
    for (int first = 0; first < count; ++first) {
        for (int second = first + 1; second < count; ++second) {
            if (rates[first] == rates[second])
                return std::make_pair(first, second);
        }
    }
    return std::nullopt;
}

int RateSet::indexOf(double percent) const
{
    for (int position = 0; position < count; ++position) {
        if (std::abs(percent * 100 - rates[position]) < hundredthsTolerance)
            return position;
    }
    return -1;
}

QString RateSet::percentText(int hundredths)
{
    return numberText(hundredths) + QLatin1Char('%');
}

QVariant RateSet::toSettingsValue() const
{
    QStringList numbers;
    for (int rate : rates)
        numbers << numberText(rate);
    return numbers;
}

RateSet RateSet::fromSettingsValue(const QVariant &value)
{
    const QStringList texts = numberTexts(value);
    if (texts.size() != count)
        return RateSet();
    Hundredths read{};
    for (int position = 0; position < count; ++position) {
        const std::optional<int> rate = readHundredths(texts.at(position));
        if (!rate)
            return RateSet();
        read[position] = *rate;
    }
    const RateSet rates(read);
    return rates.isValid() ? rates : RateSet();
}

RateSet RateSet::load(const QSettings &settings)
{
    return fromSettingsValue(settings.value(QLatin1String(settingsKey)));
}

void RateSet::save(QSettings &settings) const
{
    settings.setValue(QLatin1String(settingsKey), toSettingsValue());
}
