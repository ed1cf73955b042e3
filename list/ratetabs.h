#pragma once

#include <QString>

// The list window's eight tabs: every entry, one tab for each preset rate,
// and the other rates.
namespace RateTabs {

constexpr int all = 0;
constexpr int otherRates = 7;
constexpr int count = 8;

// The tab that files an entry of that rate text ("23,00" as the calculator
// shows it): its preset's tab, or the other rates.
int forRate(const QString &fpa);

} // namespace RateTabs
