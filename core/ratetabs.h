#pragma once

#include "rateset.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>

// The list window's eight tabs: every entry, one tab for each preset rate,
// and the other rates.
namespace RateTabs {

constexpr int all = 0;
constexpr int otherRates = 7;
constexpr int count = 8;

// The tab of each preset rate, in the order of the calculator's buttons: the
// tabs keep the order of an earlier form, in which the islands' reduced rate
// comes before their standard one.
constexpr std::array<int, RateSet::count> ofPosition = {1, 2, 3, 5, 4, 6};

// The tab that files an entry of that rate text, as the calculator shows it
// in the locale ("23,00" in Greek, "23.00" in English), under those preset
// rates: the tab of the preset rate of that value, or the other rates.
int forRate(const QString &fpa, const RateSet &rates, const QLocale &locale = QLocale());

// The names of the eight groups under those rates, as their tabs are titled
// and the list's file records them: "Όλα", each rate's text in its tab,
// "Λοιπά".
QStringList groupNames(const RateSet &rates);

} // namespace RateTabs
