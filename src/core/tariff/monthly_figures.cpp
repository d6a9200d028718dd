#include "core/tariff/monthly_figures.h"

#include <algorithm>

#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/data_notes.h"
#include "core/tariff/line_end_note.h"

namespace lumivane {

std::string monthKeyText(int year, int month)
{
    return std::to_string(year) + (month < 10 ? "-0" : "-") + std::to_string(month);
}

namespace {

// Each month's notes once its walk is done; lines that are no dated reading
// belong to no month, so the first month tells of them.
void appendMonthNotes(std::vector<MonthFigures>& months, const std::vector<DataNoteCollector>& collectors,
                      const ReadingFilter& filter)
{
    for (std::size_t i = 0; i < months.size(); ++i) {
        FileFigures& f = months[i].figures;
        f.bookedSteps = collectors[i].bookedSteps();
        if (f.bookedSteps == 0)
            f.notes.push_back("no step was booked in this month: its one reading only set the baseline");
        collectors[i].appendNotes(f, f.notes);
    }
    if (std::string note = noDateNote(filter.noDateLines()); !note.empty() && !months.empty())
        months.front().figures.notes.push_back(std::move(note));
    if (std::string note = bareLineFeedNote(filter.bareLineFeeds()); !note.empty() && !months.empty())
        months.front().figures.notes.push_back(std::move(note));
}

}  // namespace

Expected<std::vector<MonthFigures>> calculateMeterLogByMonth(std::string_view bytes, std::string_view path,
                                                             const ScopeRule& scope, const SettingsRecord& settings)
{
    const auto shape = engineShapeOf(bytes, path);
    if (!shape)
        return shape.error();
    ReadingMemory memory;
    std::vector<MonthFigures> months;
    // Each month's notes are collected as its steps are booked: a gap or a
    // falling reading belongs to the month of the step's later reading.
    std::vector<DataNoteCollector> collectors;
    std::size_t current = 0;
    MeterReading previous;
    auto monthOf = [&](const CalendarStamp& stamp) -> std::size_t {
        auto sameMonth = [&](const MonthFigures& m) { return m.year == stamp.year && m.month == stamp.month; };
        if (current < months.size() && sameMonth(months[current]))
            return current;
        // A log that goes back to an earlier month finds that month again.
        current = static_cast<std::size_t>(std::find_if(months.begin(), months.end(), sameMonth) - months.begin());
        if (current == months.size()) {
            months.push_back(MonthFigures{stamp.year, stamp.month, {}});
            months.back().figures.calcMonth = stamp.month;
            months.back().figures.calcYear = stamp.year;
            collectors.emplace_back();
        }
        // The step into this month runs from the reading before it.
        if (memory.previousReading != kNoBaselineMarker)
            collectors[current].baseline(previous);
        return current;
    };
    ReadingFilter filter(*shape, true, scope);
    const auto walked = walkMeterReadings(bytes, filter, [&](const MeterReading& r) -> Expected<void> {
        const std::size_t index = monthOf(r.stamp);
        FileFigures& f = months[index].figures;
        DataNoteCollector& notes = collectors[index];
        const auto value = parseMeterValue(r.valueText);
        if (!value)
            return failure("the value " + detail::quoted(r.valueText) + " is not a number", r.lineNumber);
        if (f.fromText.empty())
            f.fromText.assign(r.timestampText);
        f.toText.assign(r.timestampText);
        previous.stamp = r.stamp;
        // The first reading only sets the baseline: a step needs two readings.
        const bool baseline = memory.previousReading == kNoBaselineMarker;
        memory.lastStep = baseline ? 0 : *value - memory.previousReading;
        memory.previousReading = *value;
        if (baseline) {
            notes.baseline(r);
            return {};
        }
        const double booked = memory.lastStep * settings.settingsMultiplier;
        notes.step(r, memory.lastStep, booked, *value);
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
    appendMonthNotes(months, collectors, filter);
    std::sort(months.begin(), months.end(), [](const MonthFigures& a, const MonthFigures& b) {
        return a.year != b.year ? a.year < b.year : a.month < b.month;
    });
    return months;
}

}  // namespace lumivane
