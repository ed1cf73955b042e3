#include "presetrates.h"

#include <cstring>

namespace PresetRates {

namespace {
RateSet &rates()
{
    static RateSet rates;
    return rates;
}
} // namespace

const RateSet &inForce()
{
    return rates();
}

void setInForce(const RateSet &newRates)
{
    if (newRates.isValid())
        rates() = newRates;
}

const Rate *forButton(const char *objectName)
{
    for (const Rate &rate : all) {
        if (std::strcmp(rate.buttonName, objectName) == 0)
            return &rate;
    }
    return nullptr;
}

} // namespace PresetRates
