#include "vat.h"

#include <cmath>
#include <cstdlib>

namespace Vat {

namespace {

std::int64_t toHundredths(double value)
{
    return std::llround(value * 100.0);
}

// numerator / denominator rounded to the nearest integer, halves away from
// zero; the denominator is positive.
std::int64_t divideRounded(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t magnitude = (2 * std::llabs(numerator) + denominator) / (2 * denominator);
    return numerator < 0 ? -magnitude : magnitude;
}

} // namespace

Amounts compute(double price, double ratePercent, Direction direction)
{
    const std::int64_t priceCents = toHundredths(price);
    const std::int64_t rateHundredths = toHundredths(ratePercent);

    if (direction == Direction::ExtractVat) {
        // VAT contained in a gross price: price * rate / (100 + rate).
        const std::int64_t denominator = rateHundredths + 10000;
        if (denominator <= 0)
            return {0, priceCents};
        const std::int64_t vatCents = divideRounded(priceCents * rateHundredths, denominator);
        return {vatCents, priceCents - vatCents};
    }

    const std::int64_t vatCents = divideRounded(priceCents * rateHundredths, 10000);
    return {vatCents, priceCents + vatCents};
}

} // namespace Vat
