#include "core/tariff/register_rules.h"

#include <cmath>

namespace lumivane {

RegisterRules::RegisterRules(const SettingsRecord& settings) : multiplier_(settings.settingsMultiplier)
{
    // Beyond about 308 digits the range is no finite number, and no fall could be half of it.
    if (settings.settingsMeterDigits > 0 && settings.settingsMeterDigits <= 308) {
        digits_ = settings.settingsMeterDigits;
        range_ = std::pow(10.0, digits_);
    }
}

}  // namespace lumivane
