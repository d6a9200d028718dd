#include "core/tariff/tariff_engine.h"

#include <cstring>
#include <filesystem>

#include "core/text/number_text.h"
#include "core/graph/bar_geometry.h"
#include "core/meterdata/meter_log_scan.h"

namespace lumivane {
namespace {

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

}  // namespace

std::string fileLabelOf(std::string_view path)
{
    const std::size_t last = path.rfind(kSeparator);
    if (last == std::string_view::npos)
        return std::string(path);
    const std::size_t before = last == 0 ? std::string_view::npos : path.rfind(kSeparator, last - 1);
    // "/site1.csv" has an empty folder piece: the label is then "/site1.csv".
    return std::string(before == std::string_view::npos ? path : path.substr(before + 1));
}

std::string fileNameOfLabel(std::string_view label)
{
    const std::size_t last = label.rfind(kSeparator);
    return std::string(last == std::string_view::npos ? label : label.substr(last + 1));
}

// How a bad file is met:
// - The checks of one line follow the reading order of a line: the long form (a
//   long-form line with an unknown month stops the file), the status, then
//   the timestamp test, then the scope. A line with a status other than 0 is
//   skipped before its other fields are looked at, so it may be short; a line
//   that is used must hold its timestamp and value fields.
// - The value is converted only when a reading is used (step 8 or 9): a
//   reading skipped by the month restriction is never converted, so its value
//   text cannot stop the file.
// - The first line that cannot be read ends the walk with a ReadError naming
//   that line. Bars drawn before it stay on the surface (they cannot be taken
//   back); the caller books nothing of such a file.
namespace {

// The engine's part of each reading in scope (steps 5 to 11 of a walk).
class TariffBooking {
public:
    // Each booked step is drawn to `bars` at once, or else kept in `booked` when that is given.
    TariffBooking(FileFigures& figures, const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                  const GraphPalette& palette, BarSink* bars, std::vector<BookedStep>* booked = nullptr)
        : f_(figures), memory_(memory), graph_(graph), palette_(palette), bars_(bars), booked_(booked),
          multiplier_(settings.settingsMultiplier), fromHour_(settings.settingsFromHours),
          toHour_(settings.settingsToHours)
    {
    }

    // Puts the last timestamp into toText; called once after the walk.
    void finish()
    {
        if (lastTextLength_ != kTextInString)
            f_.toText.assign(lastText_, lastTextLength_);
    }

    // True once a reading reached the reading memory.
    bool touchedMemory() const { return touched_; }

    std::optional<ReadError> operator()(const MeterReading& r) { return book(r, nullptr); }

    // Books one reading; `converted` is its value when already converted.
    std::optional<ReadError> book(const MeterReading& r, const std::optional<double>* converted)
    {
        if (f_.fromText.empty()) {
            f_.fromText.assign(r.timestampText);
            f_.calcMonth = r.stamp.month;
        }
        // The last timestamp is kept in a small buffer and becomes toText once, at the end.
        if (r.timestampText.size() <= sizeof lastText_) {
            std::memcpy(lastText_, r.timestampText.data(), r.timestampText.size());
            lastTextLength_ = r.timestampText.size();
        } else {
            lastTextLength_ = kTextInString;
            f_.toText.assign(r.timestampText);
        }
        // Only the calendar month of the first reading in scope is booked.
        if (r.stamp.month != f_.calcMonth)
            return std::nullopt;
        const auto value = converted ? *converted : parseMeterValue(r.valueText);
        if (!value)
            return ReadError{r.lineNumber, "the value " + detail::quoted(r.valueText) + " is not a number"};
        touched_ = true;
        // The first reading in scope only sets the baseline: a step needs two readings.
        if (memory_.previousReading == kNoBaselineMarker) {
            memory_.previousReading = *value;
            memory_.currentReading = *value;
            memory_.lastStep = 0;
            return std::nullopt;
        }
        memory_.currentReading = *value;
        memory_.lastStep = *value - memory_.previousReading;
        memory_.previousReading = *value;
        const double booked = memory_.lastStep * multiplier_;
        const auto day = static_cast<std::size_t>(r.stamp.day);
        if (fromHour_ <= r.stamp.hour && r.stamp.hour <= toHour_) {
            f_.dayUnits[day] += booked;
            f_.dayTotal += booked;
            if (bars_)
                drawDayBar(graph_, palette_, *bars_, memory_.lastStep);
            else if (booked_)
                booked_->push_back({memory_.lastStep, false});
        } else {
            f_.nightUnits[day] += booked;
            f_.nightTotal += booked;
            if (bars_)
                drawNightBar(graph_, palette_, *bars_, memory_.lastStep);
            else if (booked_)
                booked_->push_back({memory_.lastStep, true});
        }
        return std::nullopt;
    }

private:
    FileFigures& f_;
    ReadingMemory& memory_;
    GraphState& graph_;
    const GraphPalette& palette_;
    BarSink* bars_;
    std::vector<BookedStep>* booked_;
    double multiplier_;
    int fromHour_;
    int toHour_;
    bool touched_ = false;
    static constexpr std::size_t kTextInString = static_cast<std::size_t>(-1);
    char lastText_[96];
    std::size_t lastTextLength_ = 0;
};

}  // namespace

EngineOutcome calculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                const GraphPalette& palette, BarSink* bars)
{
    EngineOutcome outcome;
    beginFileWalk(graph, memory);
    if (bytes.empty()) {
        outcome.error = ReadError{0, "the file is empty"};
        return outcome;
    }
    ReadError layoutError;
    const auto shape = engineLayoutOf(path, firstLineOf(bytes), &layoutError);
    if (!shape) {
        outcome.error = std::move(layoutError);
        return outcome;
    }
    TariffBooking booking(outcome.figures, settings, memory, graph, palette, bars);
    outcome.error = walkMeterReadings(bytes, *shape, true, scope, booking);
    booking.finish();
    return outcome;
}

namespace {

// The pre-scan and the engine in one walk over the lines of `bytes`.
EngineOutcome walkBoth(std::string_view bytes, const LayoutShape& scanShape, const LayoutShape& engineShape,
                       const ScopeRule& scope, const SettingsRecord& settings, ReadingMemory& memory,
                       GraphState& graph, const GraphPalette& palette, BarSink* bars,
                       std::vector<BookedStep>& booked)
{
    // One walk for both. The pre-scan keeps its own copy of the reading
    // memory, as it would have left it for the engine, which starts afresh.
    beginFileWalk(graph, memory);
    ReadingMemory scanMemory = memory;
    beginFileWalk(graph, memory);
    EngineOutcome outcome;
    PreScanSteps scan(scanMemory);
    TariffBooking booking(outcome.figures, settings, memory, graph, palette, nullptr, bars ? &booked : nullptr);
    ReadingFilter scanFilter(scanShape, false, scope);
    ReadingFilter engineFilter(engineShape, true, scope);
    FieldCursor lines(bytes, ',');
    LineFields fields;
    std::size_t lineNumber = 0;
    MeterReading reading;
    ReadError error;
    bool scanning = true;
    bool calculating = true;
    while ((scanning || calculating) && lines.next(fields)) {
        ++lineNumber;
        if (lineNumber <= scanShape.headerLines)
            continue;
        if (fields.count < 2)
            continue;
        // A line that is not in the long form passes the pre-scan's tests
        // exactly as it passes the engine's, so one look serves both.
        const bool shared = scanning && calculating && fields.field[0].size() <= 5;
        if (shared) {
            const auto result = engineFilter.take(fields, lineNumber, reading, error);
            if (result == ReadingFilter::Result::Error) {
                scanning = false;
                calculating = false;
                outcome.error = error;
            } else if (result == ReadingFilter::Result::Reading) {
                const std::optional<double> value = parseMeterValue(reading.valueText);
                if (scan.takeValue(value, lineNumber))
                    scanning = false;
                if (auto stop = booking.book(reading, &value)) {
                    outcome.error = std::move(stop);
                    calculating = false;
                }
            }
            continue;
        }
        if (scanning) {
            const auto result = scanFilter.take(fields, lineNumber, reading, error);
            if (result == ReadingFilter::Result::Error ||
                (result == ReadingFilter::Result::Reading && scan(reading)))
                scanning = false;
        }
        if (calculating) {
            const auto result = engineFilter.take(fields, lineNumber, reading, error);
            if (result == ReadingFilter::Result::Error) {
                outcome.error = error;
                calculating = false;
            } else if (result == ReadingFilter::Result::Reading) {
                if (auto stop = booking(reading)) {
                    outcome.error = std::move(stop);
                    calculating = false;
                }
            }
        }
    }
    booking.finish();
    // A pre-scan that ran to its end sets the graph; one that stopped leaves it.
    if (scanning)
        scan.finish(graph);
    // Now the scale is as the pre-scan leaves it, the steps booked before any
    // failing line become their bars, as the engine's walk would have drawn them.
    if (bars) {
        for (const BookedStep& step : booked) {
            if (step.night)
                drawNightBar(graph, palette, *bars, step.value);
            else
                drawDayBar(graph, palette, *bars, step.value);
        }
    }
    if (!booking.touchedMemory()) {
        memory.currentReading = scanMemory.currentReading;
        memory.lastStep = scanMemory.lastStep;
    }
    return outcome;
}

}  // namespace

EngineOutcome scanAndCalculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                       const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                       const GraphPalette& palette, BarSink* bars,
                                       std::vector<BookedStep>* booked)
{
    const LayoutShape scanShape = scanLayoutOf(firstLineOf(bytes));
    const auto engineShape = engineLayoutOf(path, firstLineOf(bytes), nullptr);
    // Different layouts read different lines: then the two walks run one after the other.
    if (bytes.empty() || !engineShape || engineShape->layout != scanShape.layout) {
        scanMeterLog(bytes, &scope, graph, memory);
        return calculateMeterLog(bytes, path, scope, settings, memory, graph, palette, bars);
    }
    std::vector<BookedStep> ownBooked;
    std::vector<BookedStep>& steps = booked ? *booked : ownBooked;
    steps.clear();
    return walkBoth(bytes, scanShape, *engineShape, scope, settings, memory, graph, palette, bars, steps);
}

std::string resultsText(std::string_view label, const FileFigures& f, const SettingsRecord& s)
{
    const double dayCost = f.dayTotal * s.settingsDayCost;
    const double nightCost = f.nightTotal * s.settingsNightCost;
    // The total is taken from the unrounded products and rounded only once.
    const double totalCost = f.nightTotal * s.settingsNightCost + f.dayTotal * s.settingsDayCost;
    std::string text;
    text.append(label).append(" results...\r\n");
    text.append("From ").append(f.fromText).append(" to ").append(f.toText).append("\r\n");
    text.append("    Day Total: ").append(formatEnergy(f.dayTotal)).append(" kWh, \xC2\xA3")
        .append(formatMoney(dayCost)).append("\r\n");
    text.append("    Night Total: ").append(formatEnergy(f.nightTotal)).append(" kWh, \xC2\xA3")
        .append(formatMoney(nightCost)).append("\r\n");
    text.append("    Total: ").append(formatEnergy(f.dayTotal + f.nightTotal)).append(" kWh, \xC2\xA3")
        .append(formatMoney(totalCost)).append("\r\n");
    return text;
}

}  // namespace lumivane
