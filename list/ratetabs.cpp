#include "ratetabs.h"

#include "presetrates.h"

#include <cmath>

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

int forRate(const QString &fpa, const QLocale &locale)
{
    double rate = 0;
    if (!readRate(fpa, locale, rate))
        return otherRates;
    for (const PresetRates::Rate &preset : PresetRates::all) {
        if (std::abs(rate * 100 - preset.hundredths) < 1e-6)
            return preset.tabIndex;
    }
    return otherRates;
}

} // namespace RateTabs
