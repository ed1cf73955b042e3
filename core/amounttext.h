#pragma once

#include <QLocale>
#include <QString>

// Amounts as people write them and as other programs read them.
namespace AmountText {

// An amount as typed or pasted, rewritten for a locale whose decimal point is
// decimalPoint. "." and "," both stand for the decimal point; when both
// appear, the last one is the decimal point and the others group the digits
// in threes: "1.234,56" and "1,234.56" are both 1234.56 in any locale. A null
// string when the marks cannot be read that way ("1.23,4").
QString toLocaleForm(const QString &typed, const QString &decimalPoint);

// True for an amount whose digits are so far grouped in threes by one mark,
// so that it may still go on with the other mark as its decimal point:
// "1.234" on its way to "1.234,56".
bool isGroupedSoFar(const QString &typed);

// The amount as spreadsheets and invoices read it whatever their locale:
// "." as the decimal point, no grouping, at most two decimals and no trailing
// zeros: "123", "12.5", "-3.07", "1234567.89".
QString plain(double amount);

// The amount as plain() writes it, with the locale's decimal point and minus
// sign and still no grouping, as a spreadsheet in that language reads a
// number pasted into it: "12345,67" in Greek, "12345.67" in English.
QString inLocale(double amount, const QLocale &locale);

} // namespace AmountText
