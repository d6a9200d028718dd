#include "core/tariff/tariff_engine.h"

#include <cstring>
#include <functional>
#include <limits>

#include "core/text/number_text.h"
#include "core/graph/bar_geometry.h"
#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/data_notes.h"
#include "core/tariff/reading_before_scope.h"
#include "core/tariff/register_rules.h"
#include "core/tariff/line_end_note.h"

namespace lumivane {
// How a bad file is met:
// - The checks of one line follow the reading order of a line: the long form (a
//   long-form line with an unknown month stops the file), the status, then
//   the timestamp test, then the scope. A line with a status other than 0 is
//   skipped before its other fields are looked at, so it may be short; a line
//   that is used must hold its timestamp and value fields.
// - A value that is no number (empty, "N/A", "-") skips its reading and is
//   noted; it is no baseline, and the step runs from the reading before it.
// - The first line that cannot be read ends the walk with a Error naming
//   that line. Bars drawn before it stay on the surface (they cannot be taken
//   back); the caller books nothing of such a file.
namespace {

// Whether a text lies in the file's bytes, which outlive the walk, rather
// than in the filter's buffers, which the next line reuses.
bool liesIn(std::string_view bytes, std::string_view text)
{
    return std::less_equal<const char*>()(bytes.data(), text.data()) &&
           std::less<const char*>()(text.data(), bytes.data() + bytes.size());
}

// A timestamp text kept past its line: pointed at when it lies in the file's bytes, else copied.
class KeptText {
public:
    void keep(std::string_view bytes, std::string_view text)
    {
        if (liesIn(bytes, text)) {
            view_ = text;
        } else {
            copy_.assign(text);
            view_ = copy_;
        }
    }
    std::string_view text() const { return view_; }

private:
    std::string_view view_;
    std::string copy_;
};

// What a walk does with the values of the usual lines the booking takes at
// once besides booking them: nothing, for the engine alone.
struct NoOtherTake {
    static constexpr bool kWantsValues = false;
    void operator()(double /*value*/) const {}
};

// The engine's part of each reading in scope: month check, baseline, booking, bar.
class TariffBooking {
public:
    // Each booked step is drawn to `bars` at once, or else kept in `booked` when that is given.
    TariffBooking(std::string_view bytes, FileFigures& figures, const SettingsRecord& settings, ReadingMemory& memory,
                  GraphState& graph, const GraphPalette& palette, BarSink* bars,
                  std::vector<BookedStep>* booked = nullptr)
        : f_(figures), memory_(memory), graph_(graph), palette_(palette), bars_(bars), booked_(booked),
          rules_(settings), fromHour_(settings.settingsFromHours), toHour_(settings.settingsToHours), bytes_(bytes)
    {
    }

    // Starts from the reading before the scope, when the periods join up.
    void seed(const std::optional<ReadingBeforeScope>& before)
    {
        if (!before)
            return;
        memory_.previousReading = before->value;
        memory_.currentReading = before->value;
        memory_.lastStep = 0;
        baselineText_ = before->timestampText;
        MeterReading reading;
        reading.stamp = before->stamp;
        notes_.baseline(reading);
        touched_ = true;
    }

    // Puts the last timestamp into toText and the notes into the figures;
    // called once after the walk with the filter that sorted the lines.
    void finish(const ReadingFilter& filter)
    {
        if (last_.data() != nullptr)
            f_.toText.assign(last_);
        f_.bookedSteps = notes_.bookedSteps();
        if (f_.openingRead.present)
            f_.closingRead = {true, closingValue_, std::string(closingText_.text())};
        notes_.appendNotes(f_, f_.notes);
        notes_.appendReadingRuleNotes(f_.notes);
        if (std::string note = noDateNote(filter.noDateLines()); !note.empty())
            f_.notes.push_back(std::move(note));
        if (std::string note = bareLineFeedNote(filter.bareLineFeeds()); !note.empty())
            f_.notes.push_back(std::move(note));
    }

    // True once a reading reached the reading memory.
    bool touchedMemory() const { return touched_; }

    // A walk's visitor: booking a reading never stops the walk.
    LUMIVANE_PER_LINE Expected<void> operator()(const MeterReading& r)
    {
        book(r, nullptr);
        return {};
    }

    // Takes a run of another month than the booked one whole: its readings
    // are only counted and its last timestamp kept, as book would do one by one.
    bool takeRun(const MonthRun& run, std::size_t lineOffset)
    {
        if (f_.fromText.empty() || (run.month == f_.calcMonth && run.year == f_.calcYear))
            return false;
        last_ = run.lastTimestamp;
        notes_.otherMonths(run.readings, lineOffset + run.firstLine, run.firstStamp, run.lastStamp);
        return true;
    }

    // Books the usual lines that follow, straight from the bytes, for as long
    // as each is one more step of the hot interval in the booked month that
    // does not fall: the reading memory, the day's figures and the notes'
    // count stay in registers and are stored once, as book would have left
    // them. The first line that is anything else is left, unread, to the
    // walk. `alsoTake` sees the value of every line taken, when it wants them.
    template <class AlsoTake = NoOtherTake>
    void takeUsualLines(FieldCursor& lines, std::size_t& lineNumber, std::size_t limit, const ReadingFilter& filter,
                        AlsoTake alsoTake = {})
    {
        const CalendarStamp& date = filter.keptStamp();
        if (f_.fromText.empty())
            return;
        if (date.month != f_.calcMonth || date.year != f_.calcYear) {
            takeOtherMonthLines(lines, lineNumber, limit, filter, alsoTake);
            return;
        }
        std::int64_t interval = 0, previousTime = 0;
        if (bars_ || !f_.openingRead.present || memory_.previousReading == kNoBaselineMarker ||
            !notes_.hotInterval(interval, previousTime))
            return;
        const auto day = static_cast<std::size_t>(date.day);
        const std::int64_t dayStart = DataNoteCollector::timeOf({.secondOfDay = 0, .dayNumber = date.dayNumber});
        const char lineEnd = lines.lineEnd();
        double previous = memory_.previousReading, step = memory_.lastStep;
        double dayUnits = f_.dayUnits[day], nightUnits = f_.nightUnits[day];
        double dayTotal = f_.dayTotal, nightTotal = f_.nightTotal;
        const char* last = nullptr;
        std::size_t taken = 0;
        while (lines.position() < limit) {
            const std::string_view rest = lines.rest();
            ReadingFilter::FixedLine line;
            if (!filter.readFixed(rest, lineEnd, line) || !line.valuePlain)
                break;
            const double value = detail::plainValue(rest.data() + ReadingFilter::kFixedValueAt, line.plainDigits);
            const std::int64_t time = dayStart + line.secondOfDay;
            // A fall (a wrap of the register among them) and another interval take the rules' own path.
            const double rise = value - previous;
            if (rise < 0 || time - previousTime != interval)
                break;
            alsoTake(value);
            step = rise;
            const double booked = rules_.bookedOf(step);
            const bool night = !(fromHour_ <= line.hour && line.hour <= toHour_);
            if (!night) {
                dayUnits += booked;
                dayTotal += booked;
            } else {
                nightUnits += booked;
                nightTotal += booked;
            }
            if (booked_)
                booked_->push_back({step, night});
            previous = value;
            previousTime = time;
            last = rest.data();
            ++taken;
            lines.skipLine(line.length);
            ++lineNumber;
        }
        if (taken == 0)
            return;
        memory_.previousReading = memory_.currentReading = closingValue_ = previous;
        memory_.lastStep = step;
        f_.dayUnits[day] = dayUnits;
        f_.nightUnits[day] = nightUnits;
        f_.dayTotal = dayTotal;
        f_.nightTotal = nightTotal;
        notes_.hotSteps(taken, previousTime);
        last_ = std::string_view(last + 2, 16);
        closingText_.keep(bytes_, last_);
    }

    // The usual lines of a date of another month that follow one of its
    // readings, with plain values: only counted, as book counts them one by one.
    template <class AlsoTake>
    void takeOtherMonthLines(FieldCursor& lines, std::size_t& lineNumber, std::size_t limit,
                             const ReadingFilter& filter, AlsoTake& alsoTake)
    {
        const char lineEnd = lines.lineEnd();
        ReadingFilter::FixedLine line, latest;
        const char* last = nullptr;
        std::size_t taken = 0;
        while (lines.position() < limit) {
            const std::string_view rest = lines.rest();
            if (!filter.readFixed(rest, lineEnd, line) || !line.valuePlain)
                break;
            if constexpr (AlsoTake::kWantsValues)
                alsoTake(detail::plainValue(rest.data() + ReadingFilter::kFixedValueAt, line.plainDigits));
            latest = line;
            last = rest.data();
            ++taken;
            lines.skipLine(line.length);
            ++lineNumber;
        }
        if (taken == 0)
            return;
        notes_.laterOtherMonths(taken, filter.usualStamp(latest));
        last_ = std::string_view(last + 2, 16);
    }

    // Books one reading; `converted` is its value when already converted.
    LUMIVANE_PER_LINE void book(const MeterReading& r, const std::optional<double>* converted)
    {
        // A plain value is a number of at least 0, which the register rules
        // pass: it is converted only when its month is booked.
        const bool plain = converted == nullptr && r.valuePlain;
        std::optional<double> value;
        if (!plain) {
            value = converted ? *converted : parseMeterValue(r.valueText);
            if (rules_.passesOver(r, value, memory_, notes_)) {
                touched_ = touched_ || value.has_value();
                return;
            }
        }
        if (f_.fromText.empty()) {
            f_.fromText.assign(r.timestampText);
            f_.calcMonth = r.stamp.month;
            f_.calcYear = r.stamp.year;
        }
        // The last timestamp becomes toText once, at the end. Most lie in the
        // file's bytes and are only pointed at; a rewritten long form or a
        // completed bare date lives in the filter until the next line, so it is copied.
        if (liesIn(bytes_, r.timestampText))
            last_ = r.timestampText;
        else
            keepLastText(r.timestampText);
        // Only the calendar month of the first reading in scope is booked, in its year.
        if (r.stamp.month != f_.calcMonth || r.stamp.year != f_.calcYear) {
            notes_.otherMonth(r);
            return;
        }
        if (plain)
            value = detail::plainValue(r.valueText.data(), r.plainDigits);
        touched_ = true;
        const double previous = memory_.previousReading;
        const std::optional<double> booked = rules_.take(r, *value, memory_, notes_);
        if (!booked) {
            baselineText_.assign(r.timestampText);
            return;
        }
        // The register reads of the period: where its first step starts, and its last reading booked.
        if (!f_.openingRead.present)
            f_.openingRead = {true, previous, baselineText_};
        closingValue_ = *value;
        closingText_.keep(bytes_, r.timestampText);
        const auto day = static_cast<std::size_t>(r.stamp.day);
        if (fromHour_ <= r.stamp.hour && r.stamp.hour <= toHour_) {
            f_.dayUnits[day] += *booked;
            f_.dayTotal += *booked;
            if (bars_)
                drawDayBar(graph_, palette_, *bars_, memory_.lastStep);
            else if (booked_)
                booked_->push_back({memory_.lastStep, false});
        } else {
            f_.nightUnits[day] += *booked;
            f_.nightTotal += *booked;
            if (bars_)
                drawNightBar(graph_, palette_, *bars_, memory_.lastStep);
            else if (booked_)
                booked_->push_back({memory_.lastStep, true});
        }
    }

private:
    FileFigures& f_;
    ReadingMemory& memory_;
    GraphState& graph_;
    const GraphPalette& palette_;
    BarSink* bars_;
    std::vector<BookedStep>* booked_;
    RegisterRules rules_;
    int fromHour_;
    int toHour_;
    bool touched_ = false;
    DataNoteCollector notes_;
    std::string baselineText_;  // the timestamp of the reading the next step starts from
    double closingValue_ = 0;
    KeptText closingText_;
    void keepLastText(std::string_view text)
    {
        if (text.size() <= sizeof lastText_) {
            std::memcpy(lastText_, text.data(), text.size());
            last_ = std::string_view(lastText_, text.size());
        } else {
            f_.toText.assign(text);
            last_ = {};
        }
    }

    std::string_view bytes_;  // the file's bytes, which outlive the walk
    std::string_view last_;   // the last timestamp; null when it is in toText already
    char lastText_[96];
};

}  // namespace

Expected<LayoutShape> engineShapeOf(std::string_view bytes, std::string_view path)
{
    if (bytes.empty())
        return failure("the file is empty");
    return engineLayoutOf(path, firstLineOf(bytes));
}

void drawBookedSteps(const std::vector<BookedStep>& steps, GraphState& graph, const GraphPalette& palette,
                     BarSink& bars)
{
    for (const BookedStep& step : steps) {
        if (step.night)
            drawNightBar(graph, palette, bars, step.value);
        else
            drawDayBar(graph, palette, bars, step.value);
    }
}

namespace {

// The scale the pre-scan would give the steps that are drawn.
void scaleFromBookedSteps(const std::vector<BookedStep>& steps, GraphState& graph)
{
    double largest = 1.0;
    for (const BookedStep& step : steps)
        largest = step.value > largest ? step.value : largest;
    graph.graphScale = 53.0 / largest;
    graph.graphBarWidth = steps.empty() ? 0.0 : 474.0 / static_cast<double>(steps.size());
}

// The engine's walk; each booked step is drawn at once, or kept in `booked` when that is given.
EngineOutcome engineWalk(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                         const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                         const GraphPalette& palette, BarSink* bars, std::vector<BookedStep>* booked)
{
    beginFileWalk(graph, memory);
    const auto shape = engineShapeOf(bytes, path);
    if (!shape)
        return shape.error();
    FileFigures figures;
    TariffBooking booking(bytes, figures, settings, memory, graph, palette, bars, booked);
    booking.seed(readingBeforeScope(bytes, *shape, scope, settings));
    ReadingFilter filter(*shape, true, scope);
    auto walked = walkMeterReadings(bytes, filter, booking);
    booking.finish(filter);
    if (!walked)
        return walked.error();
    return figures;
}

}  // namespace

EngineOutcome calculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                const GraphPalette& palette, BarSink* bars)
{
    return engineWalk(bytes, path, scope, settings, memory, graph, palette, bars, nullptr);
}

namespace {

// Both walks start as they would one after the other: the pre-scan keeps its
// own copy of the reading memory as it would have left it for the engine,
// which starts afresh. Returns the pre-scan's copy.
ReadingMemory beginBothWalks(GraphState& graph, ReadingMemory& memory)
{
    beginFileWalk(graph, memory);
    const ReadingMemory scanMemory = memory;
    beginFileWalk(graph, memory);
    return scanMemory;
}

// The pre-scan and the engine in one walk over the lines of a file whose
// layouts agree. Each side stops at its own first line it cannot read.
class JointWalk {
public:
    JointWalk(std::string_view bytes, const LayoutShape& scanShape, const LayoutShape& engineShape,
              const ScopeRule& scope, const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
              const GraphPalette& palette, BarSink* bars, std::vector<BookedStep>& booked)
        : memory_(memory), graph_(graph), palette_(palette), bars_(bars), booked_(booked),
          scanMemory_(beginBothWalks(graph, memory)), scan_(scanMemory_),
          booking_(bytes, figures_, settings, memory, graph, palette, nullptr, bars ? &booked : nullptr),
          scanFilter_(scanShape, false, scope), engineFilter_(engineShape, true, scope),
          headerLines_(scanShape.headerLines)
    {
        booking_.seed(readingBeforeScope(bytes, engineShape, scope, settings));
    }

    EngineOutcome run(std::string_view bytes)
    {
        if (const ParallelPlan plan = ParallelPlan::fromEnvironment(); plan.splits(bytes.size()))
            return runParsed(bytes, plan);
        FieldCursor lines(bytes, ',');
        LineFields fields;
        std::size_t lineNumber = 0;
        while (scanning_ || calculating_) {
            if (scanning_ && calculating_ && lineNumber >= headerLines_ && takeUsualForBoth(lines, lineNumber))
                continue;
            if (!lines.next(fields))
                break;
            ++lineNumber;
            if (lineNumber <= headerLines_ || fields.count < 2)
                continue;
            // A line that is not in the long form passes the pre-scan's tests
            // exactly as it passes the engine's, so one look serves both.
            if (scanning_ && calculating_ && fields.field[0].size() <= 5) {
                takeForBoth(fields, lineNumber);
                continue;
            }
            if (scanning_)
                takeForScan(fields, lineNumber);
            if (calculating_)
                takeForEngine(fields, lineNumber);
        }
        if (!engineError_)
            engineFilter_.noteBareLineFeeds(lines.bareLineFeeds());
        finish();
        if (engineError_)
            return std::move(*engineError_);
        return std::move(figures_);
    }

private:
    // The pre-scan's step for each usual line the booking takes at once.
    struct ScanToo {
        static constexpr bool kWantsValues = true;
        PreScanSteps& scan;
        void operator()(double value) const { scan.takeStep(value); }
    };

    // The same walk over lines read in parts on several threads.
    EngineOutcome runParsed(std::string_view bytes, const ParallelPlan& plan)
    {
        LineFields fields;
        const BareLineFeeds bare = forEachParsedLine(bytes, engineFilter_, plan, [&](const ParsedLine& line) {
            takeParsed(line, fields);
            return scanning_ || calculating_;
        });
        if (!engineError_)
            engineFilter_.noteBareLineFeeds(bare);
        finish();
        if (engineError_)
            return std::move(*engineError_);
        return std::move(figures_);
    }

    // The usual line of the plain layout read in place, for both sides, and
    // the usual lines after it, for the pre-scan too once it has a baseline;
    // false for any other line.
    bool takeUsualForBoth(FieldCursor& lines, std::size_t& lineNumber)
    {
        const std::size_t length = engineFilter_.takeFixed(lines.rest(), lines.lineEnd(), lineNumber + 1, reading_);
        if (length == 0)
            return false;
        lines.skipLine(length);
        bookForBoth(++lineNumber);
        if (scanning_ && calculating_ && scan_.hasBaseline())
            booking_.takeUsualLines(lines, lineNumber, std::numeric_limits<std::size_t>::max(), engineFilter_,
                                    ScanToo{scan_});
        return true;
    }

    // A line the engine's filter sorted serves the pre-scan too, as in takeForBoth.
    void takeParsed(const ParsedLine& line, LineFields& fields)
    {
        const std::size_t lineNumber = line.reading.lineNumber;
        switch (line.kind) {
        case ParsedLine::Kind::Reading:
            if (scanning_ && !scan_.takeValue(line.value, lineNumber))
                scanning_ = false;
            if (calculating_)
                booking_.book(line.reading, &line.value);
            break;
        case ParsedLine::Kind::NoDate:
            if (calculating_)
                engineFilter_.noteNoDate(lineNumber, line.text);
            break;
        case ParsedLine::Kind::Error:
            scanning_ = false;
            if (calculating_)
                stopEngine(*line.error);
            break;
        case ParsedLine::Kind::LongForm:
            fields.split(line.text, ',');
            if (scanning_)
                takeForScan(fields, lineNumber);
            if (calculating_)
                takeForEngine(fields, lineNumber);
            break;
        }
    }

    void takeForBoth(const LineFields& fields, std::size_t lineNumber)
    {
        const auto result = engineFilter_.take(fields, lineNumber, reading_, error_);
        if (result == ReadingFilter::Result::Error) {
            scanning_ = false;
            stopEngine(std::move(error_));
            return;
        }
        if (result == ReadingFilter::Result::Reading)
            bookForBoth(lineNumber);
    }

    // The reading in reading_ for the pre-scan and the engine.
    void bookForBoth(std::size_t lineNumber)
    {
        const std::optional<double> value = meterValueOf(reading_);
        if (!scan_.takeValue(value, lineNumber))
            scanning_ = false;
        booking_.book(reading_, &value);
    }

    void takeForScan(const LineFields& fields, std::size_t lineNumber)
    {
        const auto result = scanFilter_.take(fields, lineNumber, reading_, error_);
        if (result == ReadingFilter::Result::Error || (result == ReadingFilter::Result::Reading && !scan_(reading_)))
            scanning_ = false;
    }

    void takeForEngine(const LineFields& fields, std::size_t lineNumber)
    {
        const auto result = engineFilter_.take(fields, lineNumber, reading_, error_);
        if (result == ReadingFilter::Result::Error)
            stopEngine(std::move(error_));
        else if (result == ReadingFilter::Result::Reading)
            booking_.book(reading_, nullptr);
    }

    void stopEngine(Error error)
    {
        engineError_ = std::move(error);
        calculating_ = false;
    }

    void finish()
    {
        booking_.finish(engineFilter_);
        if (scanning_)
            scan_.finish(graph_);
        // Drawn bars take their scale from the steps they draw: the pre-scan's
        // count takes in every month of the log, so a year's log would squeeze
        // its booked month into a twelfth of the graph, and a pre-scan that
        // stopped would leave an earlier file's scale.
        if (bars_) {
            scaleFromBookedSteps(booked_, graph_);
            drawBookedSteps(booked_, graph_, palette_, *bars_);
        }
        if (!booking_.touchedMemory()) {
            memory_.currentReading = scanMemory_.currentReading;
            memory_.lastStep = scanMemory_.lastStep;
        }
    }

    ReadingMemory& memory_;
    GraphState& graph_;
    const GraphPalette& palette_;
    BarSink* bars_;
    std::vector<BookedStep>& booked_;
    FileFigures figures_;
    std::optional<Error> engineError_;  // the engine's first line it cannot read
    ReadingMemory scanMemory_;
    PreScanSteps scan_;
    TariffBooking booking_;
    ReadingFilter scanFilter_;
    ReadingFilter engineFilter_;
    std::size_t headerLines_;
    MeterReading reading_;
    Error error_;
    bool scanning_ = true;
    bool calculating_ = true;
};

}  // namespace

EngineOutcome scanAndCalculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                       const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                       const GraphPalette& palette, BarSink* bars, std::vector<BookedStep>* booked)
{
    const LayoutShape scanShape = scanLayoutOf(firstLineOf(bytes));
    const auto engineShape = engineLayoutOf(path, firstLineOf(bytes));
    // Different layouts read different lines: then the two walks run one after the other.
    std::vector<BookedStep> ownBooked;
    std::vector<BookedStep>& steps = booked ? *booked : ownBooked;
    steps.clear();
    if (bytes.empty() || !engineShape || engineShape->layout != scanShape.layout) {
        scanMeterLog(bytes, &scope, graph, memory);
        if (!bars)
            return calculateMeterLog(bytes, path, scope, settings, memory, graph, palette, nullptr);
        // The steps are kept and drawn after the walk, as the single walk does.
        auto outcome = engineWalk(bytes, path, scope, settings, memory, graph, palette, nullptr, &steps);
        scaleFromBookedSteps(steps, graph);
        drawBookedSteps(steps, graph, palette, *bars);
        return outcome;
    }
    JointWalk walk(bytes, scanShape, *engineShape, scope, settings, memory, graph, palette, bars, steps);
    return walk.run(bytes);
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
    text.append("    Day Total: ")
        .append(formatEnergy(f.dayTotal))
        .append(" kWh, \xC2\xA3")
        .append(formatMoney(dayCost))
        .append("\r\n");
    text.append("    Night Total: ")
        .append(formatEnergy(f.nightTotal))
        .append(" kWh, \xC2\xA3")
        .append(formatMoney(nightCost))
        .append("\r\n");
    text.append("    Total: ")
        .append(formatEnergy(f.dayTotal + f.nightTotal))
        .append(" kWh, \xC2\xA3")
        .append(formatMoney(totalCost))
        .append("\r\n");
    return text;
}

}  // namespace lumivane
