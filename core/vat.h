#pragma once

#include <cstdint>

// VAT arithmetic on whole cents.
//
// The number boxes hold amounts in whole cents and rates with two decimals,
// so the exact result is a fraction of integers. The VAT is rounded once, to
// the cent and halves away from zero as on an invoice, and the other amount is
// derived from the rounded VAT so that price, VAT and result always add up.
namespace Vat {

enum class Direction {
    AddVat,    // the price is net; the result is price + VAT
    ExtractVat // the price is gross; the result is price - VAT
};

struct Amounts {
    std::int64_t vatCents;
    std::int64_t resultCents;

    double vat() const { return vatCents / 100.0; }
    double result() const { return resultCents / 100.0; }
};

// price and ratePercent as the boxes hold them (e.g. 123.45 and 6.5).
Amounts compute(double price, double ratePercent, Direction direction);

} // namespace Vat
