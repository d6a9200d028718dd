#include "core/tariff/register_rules.h"

#include <cmath>

#include "core/tariff/data_notes.h"

namespace lumivane {

RegisterRules::RegisterRules(const SettingsRecord& settings) : multiplier_(settings.settingsMultiplier)
{
    // Beyond about 308 digits the range is no finite number, and no fall could be half of it.
    if (settings.settingsMeterDigits > 0 && settings.settingsMeterDigits <= 308) {
        digits_ = settings.settingsMeterDigits;
        range_ = std::pow(10.0, digits_);
    }
}

bool RegisterRules::passesOver(const MeterReading& reading, const std::optional<double>& value, ReadingMemory& memory,
                               DataNoteCollector& notes) const
{
    if (!value) {
        notes.unreadableValue(reading);
        return true;
    }
    if (*value == kNoReadingValue) {
        memory.previousReading = kNoBaselineMarker;
        memory.currentReading = *value;
        memory.lastStep = 0;
        notes.noReadingValue(reading);
        return true;
    }
    return false;
}

std::optional<double> RegisterRules::take(const MeterReading& reading, double value, ReadingMemory& memory,
                                          DataNoteCollector& notes) const
{
    memory.currentReading = value;
    // The first reading, and the first after a no-reading value, only set the baseline: a step needs two readings.
    if (memory.previousReading == kNoBaselineMarker) {
        memory.previousReading = value;
        memory.lastStep = 0;
        notes.baseline(reading);
        return std::nullopt;
    }
    memory.lastStep = value - memory.previousReading;
    // A register near its top that shows a small number again has gone round,
    // not run backwards; a fall of less than half the range is still a fall.
    if (range_ > 0 && -memory.lastStep > range_ / 2) {
        notes.registerWrap(reading, memory.previousReading, value, digits_);
        memory.lastStep += range_;
    }
    memory.previousReading = value;
    const double booked = memory.lastStep * multiplier_;
    notes.step(reading, memory.lastStep, booked, value);
    return booked;
}

}  // namespace lumivane
