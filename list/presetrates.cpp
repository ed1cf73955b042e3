#include "presetrates.h"

#include <cstring>

namespace PresetRates {

const Rate *forButton(const char *objectName)
{
    for (const Rate &rate : all) {
        if (std::strcmp(rate.buttonName, objectName) == 0)
            return &rate;
    }
    return nullptr;
}

} // namespace PresetRates
