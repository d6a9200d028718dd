#include "core/tariff/monthly_figures.h"

#include <algorithm>

#include "core/meterdata/meter_log_scan.h"

namespace lumivane {

std::string monthKeyText(int year, int month)
{
    return std::to_string(year) + (month < 10 ? "-0" : "-") + std::to_string(month);
}

MonthlyOutcome calculateMeterLogByMonth(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                        const SettingsRecord& settings)
{
    MonthlyOutcome outcome;
    ReadError layoutError;
    const auto shape = engineShapeOf(bytes, path, layoutError);
    if (!shape) {
        outcome.error = std::move(layoutError);
        return outcome;
    }
    ReadingMemory memory;
    std::vector<MonthFigures>& months = outcome.months;
    std::size_t current = 0;
    auto monthOf = [&](const CalendarStamp& stamp) -> FileFigures& {
        auto sameMonth = [&](const MonthFigures& m) { return m.year == stamp.year && m.month == stamp.month; };
        if (current < months.size() && sameMonth(months[current]))
            return months[current].figures;
        // A log that goes back to an earlier month finds that month again.
        current = static_cast<std::size_t>(std::find_if(months.begin(), months.end(), sameMonth) - months.begin());
        if (current == months.size()) {
            months.push_back(MonthFigures{stamp.year, stamp.month, {}});
            months.back().figures.calcMonth = stamp.month;
        }
        return months[current].figures;
    };
    outcome.error =
        walkMeterReadings(bytes, *shape, true, scope, [&](const MeterReading& r) -> std::optional<ReadError> {
            FileFigures& f = monthOf(r.stamp);
            const auto value = parseMeterValue(r.valueText);
            if (!value)
                return ReadError{r.lineNumber, "the value " + detail::quoted(r.valueText) + " is not a number"};
            if (f.fromText.empty())
                f.fromText.assign(r.timestampText);
            f.toText.assign(r.timestampText);
            // The first reading only sets the baseline: a step needs two readings.
            const bool baseline = memory.previousReading == kNoBaselineMarker;
            memory.lastStep = baseline ? 0 : *value - memory.previousReading;
            memory.previousReading = *value;
            if (baseline)
                return std::nullopt;
            const double booked = memory.lastStep * settings.settingsMultiplier;
            const auto day = static_cast<std::size_t>(r.stamp.day);
            if (settings.settingsFromHours <= r.stamp.hour && r.stamp.hour <= settings.settingsToHours) {
                f.dayUnits[day] += booked;
                f.dayTotal += booked;
            } else {
                f.nightUnits[day] += booked;
                f.nightTotal += booked;
            }
            return std::nullopt;
        });
    std::sort(outcome.months.begin(), outcome.months.end(), [](const MonthFigures& a, const MonthFigures& b) {
        return a.year != b.year ? a.year < b.year : a.month < b.month;
    });
    return outcome;
}

}  // namespace lumivane
