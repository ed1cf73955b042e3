#pragma once

#include <array>

// The six VAT rates that the calculator offers as buttons and the list keeps
// in tabs of their own. Everything that names a preset rate reads it here.
namespace PresetRates {

struct Rate {
    int hundredths;         // the rate in hundredths of a percent: 650 is 6,5 %
    const char *buttonName; // the calculator's radio button
    const char *buttonText; // its text
    const char *tabText;    // the title of the list's tab for the rate
    int tabIndex;           // that tab's index in the list window

    double percent() const { return hundredths / 100.0; }
};

// In the order of the calculator's buttons.
constexpr std::array<Rate, 6> all = {{
    {2300, "radioButton_fpa", "23%", "23%", 1},
    {1300, "radioButton_fpa_3", "13%", "13%", 2},
    {650, "radioButton_fpa_5", "6.5%", "6.5%", 3},
    {1600, "radioButton_fpa_2", "16%", "16%", 5},
    {900, "radioButton_fpa_4", "9%", "9%", 4},
    {500, "radioButton_fpa_6", "5%", "5%", 6},
}};

// The preset behind a radio button of that object name, or nullptr.
const Rate *forButton(const char *objectName);

} // namespace PresetRates
