#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class RateSet;

// The list window's eight tabs: every entry, one tab for each preset rate,
// and the other rates.
namespace RateTabs {

constexpr int all = 0;
constexpr int otherRates = 7;
constexpr int count = 8;

// The tab that files an entry of that rate text, as the calculator shows it
// in the locale ("23,00" in Greek, "23.00" in English): the tab of the preset
// rate in force of that value, or the other rates.
int forRate(const QString &fpa, const QLocale &locale = QLocale());
// The same under those preset rates.
int forRate(const QString &fpa, const RateSet &rates, const QLocale &locale = QLocale());
// The tabs' titles under those preset rates, in tab order: "Όλα", the six
// rates, "Λοιπά".
QStringList names(const RateSet &rates);

} // namespace RateTabs
