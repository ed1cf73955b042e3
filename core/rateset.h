#pragma once

#include <QString>
#include <QVariant>

#include <array>
#include <optional>
#include <utility>

class QSettings;

// The six preset VAT rates, in the order of the calculator's rate buttons:
// standard, reduced and super-reduced, then the same three for the islands.
// Each is held in hundredths of a percent (650 is 6,5 %), so that two rates
// are equal exactly when they are equal to the hundredth. The law changes
// them from time to time; the user keeps them in the settings store.
class RateSet
{
public:
    static constexpr int count = 6;
    // The range of a rate, in hundredths: 0,01 % to 99,99 %.
    static constexpr int lowest = 1;
    static constexpr int highest = 9999;
    // The settings key under which the rates are kept.
    static constexpr char settingsKey[] = "rates";

    using Hundredths = std::array<int, count>;

    // The rates that apply when the user has set none: until2015().
    RateSet();
    explicit RateSet(const Hundredths &hundredths);

    // The Greek rates from 2011 to 2015: 23, 13, 6,5, 16, 9, 5.
    static RateSet until2015();
    // The Greek rates from 2016 on: 24, 13, 6, 17, 9, 4.
    static RateSet from2016();

    // The rate at that button position (0 to 5).
    int hundredths(int position) const { return rates.at(position); }
    double percent(int position) const { return hundredths(position) / 100.0; }
    const Hundredths &all() const { return rates; }

    // Every rate lies in range and no two are equal.
    bool isValid() const;
    // The first two positions whose rates are equal, if any.
    std::optional<std::pair<int, int>> equalPair() const;
    // The position of the rate equal to percent to the hundredth, or -1.
    int indexOf(double percent) const;

    // The text of a rate's button and tab: "24%", "6%", "6.5%", "6.25%", with
    // "." as the decimal point in every locale and no trailing zeros.
    QString text(int position) const { return percentText(hundredths(position)); }
    static QString percentText(int hundredths);

    // The settings value: six numbers in button order with "." as the
    // decimal point, kept as a list of texts (the .conf file reads
    // "rates=24, 13, 6, 17, 9, 4"). A value that is not six such numbers in
    // range, all different, gives the default rates.
    QVariant toSettingsValue() const;
    static RateSet fromSettingsValue(const QVariant &value);

    static RateSet load(const QSettings &settings);
    void save(QSettings &settings) const;

    friend bool operator==(const RateSet &a, const RateSet &b) { return a.rates == b.rates; }
    friend bool operator!=(const RateSet &a, const RateSet &b) { return !(a == b); }

private:
    Hundredths rates;
};
