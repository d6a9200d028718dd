#include "core/tariff/monthly_figures.h"

#include <algorithm>

#include "core/meterdata/meter_log_scan.h"

namespace lumivane {

std::string monthKeyText(int year, int month)
{
    return std::to_string(year) + (month < 10 ? "-0" : "-") + std::to_string(month);
}

Expected<std::vector<MonthFigures>> calculateMeterLogByMonth(std::string_view bytes, std::string_view path,
                                                             const ScopeRule& scope, const SettingsRecord& settings)
{
    const auto shape = engineShapeOf(bytes, path);
    if (!shape)
        return shape.error();
    ReadingMemory memory;
    std::vector<MonthFigures> months;
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
    const auto walked = walkMeterReadings(bytes, *shape, true, scope, [&](const MeterReading& r) -> Expected<void> {
        FileFigures& f = monthOf(r.stamp);
        const auto value = parseMeterValue(r.valueText);
        if (!value)
            return failure("the value " + detail::quoted(r.valueText) + " is not a number", r.lineNumber);
        if (f.fromText.empty())
            f.fromText.assign(r.timestampText);
        f.toText.assign(r.timestampText);
        // The first reading only sets the baseline: a step needs two readings.
        const bool baseline = memory.previousReading == kNoBaselineMarker;
        memory.lastStep = baseline ? 0 : *value - memory.previousReading;
        memory.previousReading = *value;
        if (baseline)
            return {};
        const double booked = memory.lastStep * settings.settingsMultiplier;
        const auto day = static_cast<std::size_t>(r.stamp.day);
        if (settings.settingsFromHours <= r.stamp.hour && r.stamp.hour <= settings.settingsToHours) {
            f.dayUnits[day] += booked;
            f.dayTotal += booked;
        } else {
            f.nightUnits[day] += booked;
            f.nightTotal += booked;
        }
        return {};
    });
    if (!walked)
        return walked.error();
    std::sort(months.begin(), months.end(), [](const MonthFigures& a, const MonthFigures& b) {
        return a.year != b.year ? a.year < b.year : a.month < b.month;
    });
    return months;
}

}  // namespace lumivane
