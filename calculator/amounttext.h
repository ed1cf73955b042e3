#pragma once

#include <QString>

// Amounts as people write them and as other programs read them.
namespace AmountText {

// The amount as spreadsheets and invoices read it whatever their locale:
// "." as the decimal point, no grouping, at most two decimals and no trailing
// zeros: "123", "12.5", "-3.07", "1234567.89".
QString plain(double amount);

} // namespace AmountText
