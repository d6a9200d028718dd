#include "core/tariff/monthly_figures.h"

#include <algorithm>
#include <limits>

#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/data_notes.h"
#include "core/tariff/reading_before_scope.h"
#include "core/tariff/register_rules.h"
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
                      const DataNoteCollector& passedOver, const ReadingFilter& filter)
{
    for (std::size_t i = 0; i < months.size(); ++i) {
        FileFigures& f = months[i].figures;
        f.bookedSteps = collectors[i].bookedSteps();
        if (f.bookedSteps == 0)
            f.notes.push_back(collectors[i].baselines() > 1
                                  ? "no step was booked in this month: each of its readings started afresh after the "
                                    "no-reading value"
                                  : "no step was booked in this month: its one reading only set the baseline");
        collectors[i].appendNotes(f, f.notes);
        collectors[i].appendReadingRuleNotes(f.notes);
    }
    std::vector<std::string> passedNotes;
    passedOver.appendReadingRuleNotes(passedNotes);
    if (months.empty() && passedNotes.empty())
        return;
    // A file whose readings were all passed over still tells why, in a block of no month.
    if (months.empty())
        months.emplace_back();
    std::vector<std::string>& first = months.front().figures.notes;
    first.insert(first.end(), passedNotes.begin(), passedNotes.end());
    if (std::string note = noDateNote(filter.noDateLines()); !note.empty())
        months.front().figures.notes.push_back(std::move(note));
    if (std::string note = bareLineFeedNote(filter.bareLineFeeds()); !note.empty() && !months.empty())
        months.front().figures.notes.push_back(std::move(note));
}

// One booked step of a month: the later reading, the kWh booked, and the reading it started from.
struct MonthStep {
    double value;
    double booked;
    double from;
};

// Books a step on its day, and keeps the month's register reads: where its
// first step starts (maybe in the month before) and its last.
void bookIntoMonth(FileFigures& f, const MeterReading& r, const MonthStep& step, const std::string& fromText,
                   const SettingsRecord& settings)
{
    if (!f.openingRead.present)
        f.openingRead = {true, step.from, fromText};
    f.closingRead = {true, step.value, std::string(r.timestampText)};
    const auto day = static_cast<std::size_t>(r.stamp.day);
    if (settings.settingsFromHours <= r.stamp.hour && r.stamp.hour <= settings.settingsToHours) {
        f.dayUnits[day] += step.booked;
        f.dayTotal += step.booked;
    } else {
        f.nightUnits[day] += step.booked;
        f.nightTotal += step.booked;
    }
}

}  // namespace

Expected<std::vector<MonthFigures>> calculateMeterLogByMonth(std::string_view bytes, std::string_view path,
                                                             const ScopeRule& scope, const SettingsRecord& settings)
{
    const auto shape = engineShapeOf(bytes, path);
    if (!shape)
        return shape.error();
    ReadingMemory memory;
    const RegisterRules rules(settings);
    std::vector<MonthFigures> months;
    // Each month's notes are collected as its steps are booked: a gap or a
    // falling reading belongs to the month of the step's later reading.
    std::vector<DataNoteCollector> collectors;
    // Readings passed over belong to no month, so the first month tells of them.
    DataNoteCollector passedOver;
    std::size_t current = 0;
    // The reading the next step starts from.
    MeterReading previous;
    std::string previousText;
    // The latest time met, which a log that steps back catches up with.
    std::int64_t latest = std::numeric_limits<std::int64_t>::min();
    if (auto before = readingBeforeScope(bytes, *shape, scope, settings)) {
        memory.previousReading = before->value;
        previous.stamp = before->stamp;
        latest = DataNoteCollector::timeOf(before->stamp);
        previousText = std::move(before->timestampText);
    }
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
            collectors[current].continueFrom(previous.stamp, latest);
        return current;
    };
    ReadingFilter filter(*shape, true, scope);
    const auto walked = walkMeterReadings(bytes, filter, [&](const MeterReading& r) -> Expected<void> {
        const auto value = meterValueOf(r);
        if (rules.passesOver(r, value, memory, passedOver))
            return {};
        const std::size_t index = monthOf(r.stamp);
        FileFigures& f = months[index].figures;
        if (f.fromText.empty())
            f.fromText.assign(r.timestampText);
        f.toText.assign(r.timestampText);
        const double from = memory.previousReading;
        const std::optional<double> booked = rules.take(r, *value, memory, collectors[index]);
        if (booked)
            bookIntoMonth(f, r, {*value, *booked, from}, previousText, settings);
        previous.stamp = r.stamp;
        previousText.assign(r.timestampText);
        latest = std::max(latest, DataNoteCollector::timeOf(r.stamp));
        return {};
    });
    if (!walked)
        return walked.error();
    appendMonthNotes(months, collectors, passedOver, filter);
    std::sort(months.begin(), months.end(), [](const MonthFigures& a, const MonthFigures& b) {
        return a.year != b.year ? a.year < b.year : a.month < b.month;
    });
    return months;
}

}  // namespace lumivane
