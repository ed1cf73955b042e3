#include "ratetabs.h"

namespace RateTabs {

namespace {

// The rate that the text shows: read in the locale, and failing that with "."
// or "," as the decimal point, as a text from another locale would have it. A
// rate has no digits to group, so a text with more than one mark is none.
bool readRate(const QString &fpa, const QLocale &locale, double &rate)
{
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    rate = strict.toDouble(fpa, &ok);
    if (!ok)
        rate = QLocale::c().toDouble(QString(fpa).replace(QLatin1Char(','), QLatin1Char('.')), &ok);
    return ok;
}

} // namespace

int forRate(const QString &fpa, const RateSet &rates, const QLocale &locale)
{
    double rate = 0;
    if (!readRate(fpa, locale, rate))
        return otherRates;
    const int position = rates.indexOf(rate);
    return position < 0 ? otherRates : ofPosition.at(size_t(position));
}

QStringList groupNames(const RateSet &rates)
{
    QStringList names(count);
    names[all] = QStringLiteral("Όλα");
    for (int position = 0; position < RateSet::count; ++position)
        names[ofPosition.at(size_t(position))] = rates.text(position);
    names[otherRates] = QStringLiteral("Λοιπά");
    return names;
}


} // namespace RateTabs
