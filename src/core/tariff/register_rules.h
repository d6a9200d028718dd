#pragma once
// How a register's readings become steps: a value that cannot be read, the
// no-reading value, the first reading after either, and a register of known
// digits going round past its top. The engine and the month-by-month walk
// both book through these rules, so they agree reading for reading.
#include <optional>

#include "core/meterdata/reading_filter.h"
#include "core/meterdata/reading_memory.h"
#include "core/settings/settings_record.h"
#include "core/tariff/data_notes.h"

namespace lumivane {

// A meter writes this for "no reading": it books nothing, and the next reading starts afresh.
inline constexpr double kNoReadingValue = -499999.0;

class RegisterRules {
public:
    explicit RegisterRules(const SettingsRecord& settings);

    // Whether a reading is passed over before it reaches any month: a value
    // that cannot be read leaves the reading memory as it was, the no-reading
    // value leaves it without a baseline. Either is told to `notes`.
    bool passesOver(const MeterReading& reading, const std::optional<double>& value, ReadingMemory& memory,
                    DataNoteCollector& notes) const;

    // Takes a value that passed: the kWh booked for its step (lastStep times the
    // multiplier, after any wrap), or none when it only set the baseline.
    std::optional<double> take(const MeterReading& reading, double value, ReadingMemory& memory,
                               DataNoteCollector& notes) const;

    // The kWh a step that needs no rule books: the step times the multiplier, as take books it.
    double bookedOf(double step) const { return step * multiplier_; }

private:
    double multiplier_;
    double range_ = 0;  // 10^digits when the register's digits are known, else 0
    int digits_ = 0;
};

// Kept in the header: both run for every reading of every file.
inline bool RegisterRules::passesOver(const MeterReading& reading, const std::optional<double>& value,
                                      ReadingMemory& memory, DataNoteCollector& notes) const
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

inline std::optional<double> RegisterRules::take(const MeterReading& reading, double value, ReadingMemory& memory,
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
