#include "ratetabs.h"

#include "calculator/presetrates.h"

#include <QLocale>

namespace RateTabs {

// A rate text is matched as written, with a decimal comma and two decimals.
int forRate(const QString &fpa)
{
    static const QLocale greek(QLocale::Greek, QLocale::Greece);
    for (const PresetRates::Rate &rate : PresetRates::all) {
        if (fpa == greek.toString(rate.percent(), 'f', 2))
            return rate.tabIndex;
    }
    return otherRates;
}

} // namespace RateTabs
