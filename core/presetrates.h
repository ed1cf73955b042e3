#pragma once

#include "rateset.h"

#include <array>

// The six VAT rates that the calculator offers as buttons and the list keeps
// in tabs of their own. The buttons and tabs are fixed; the rates they stand
// for are the user's to set, as the law changes them, and are read here by
// everything that names a preset rate.
namespace PresetRates {

// The rates in force: the defaults until the program sets the user's.
const RateSet &inForce();
void setInForce(const RateSet &rates);

struct Rate {
    int position;           // in a RateSet, the order of the buttons
    const char *buttonName; // the calculator's radio button
    int tabIndex;           // the index of the rate's tab in the list window

    int hundredths() const { return inForce().hundredths(position); }
    double percent() const { return inForce().percent(position); }
    // The text of the button and of the tab: "24%", "6.5%".
    QString text() const { return inForce().text(position); }
};

// In the order of the calculator's buttons.
constexpr std::array<Rate, RateSet::count> all = {{
    {0, "radioButton_fpa", 1},
    {1, "radioButton_fpa_3", 2},
    {2, "radioButton_fpa_5", 3},
    {3, "radioButton_fpa_2", 5},
    {4, "radioButton_fpa_4", 4},
    {5, "radioButton_fpa_6", 6},
}};

// The preset behind a radio button of that object name, or nullptr.
const Rate *forButton(const char *objectName);

} // namespace PresetRates
