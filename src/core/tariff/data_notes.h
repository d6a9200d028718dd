#pragma once
// Data notes: what a file's figures do not show (readings of other months,
// falling readings, readings out of time order or at a repeated time, gaps,
// lines whose timestamp is no date, a file that booked nothing). One note per
// cause, counts grouped in thousands. Notes never change a figure.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/meterdata/date_scope.h"
#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/reports/file_figures.h"

namespace lumivane {

// The header line of the notes block in the results text.
inline constexpr std::string_view kDataNotesHeader =
    "------------------------------ DATA NOTES ------------------------------";

// "01/03/2012 14:30" (":07" added when the seconds are not 0).
std::string stampText(const CalendarStamp& stamp);

// "1 day 2 h 30 min": the parts that are not 0; "0 s" for none.
std::string durationText(long long seconds);

// Collects, during the engine's walk, what the notes need; the calls cost a
// few comparisons per booked reading and allocate only on the rare paths.
class DataNoteCollector {
public:
    // A reading in scope of another month than the booked one; most of a
    // year's log, so kept to a count and the stamp.
    void otherMonth(const MeterReading& reading)
    {
        if (otherCount_++ == 0) {
            otherFirstLine_ = reading.lineNumber;
            otherFirst_ = reading.stamp;
        }
        otherLast_ = reading.stamp;
    }
    // `count` readings of another month, the first on `firstLine`, noted as
    // that many calls of otherMonth would note them.
    void otherMonths(std::size_t count, std::size_t firstLine, const CalendarStamp& first, const CalendarStamp& last)
    {
        if (otherCount_ == 0) {
            otherFirstLine_ = firstLine;
            otherFirst_ = first;
        }
        otherCount_ += count;
        otherLast_ = last;
    }
    // `count` more readings of another month after one noted by otherMonth, the last at `last`.
    void laterOtherMonths(std::size_t count, const CalendarStamp& last)
    {
        otherCount_ += count;
        otherLast_ = last;
    }
    // A reading that became the baseline.
    void baseline(const MeterReading& reading)
    {
        previousTime_ = timeOf(reading.stamp);
        ++baselines_;
    }
    // Readings that became a baseline: more than one only after the no-reading value.
    std::size_t baselines() const { return baselines_; }
    // The step into this collector's month starts at `previous`; `latest` (as timeOf)
    // is the latest reading before it, which a log that stepped back catches up with.
    void continueFrom(const CalendarStamp& previous, std::int64_t latest)
    {
        previousTime_ = timeOf(previous);
        resume_ = std::max(resume_, latest);
    }
    // A booked step: `step` unmultiplied, `booked` in kWh, `value` the later reading.
    // Kept to a few instructions: it runs for every step of every file.
    void step(const MeterReading& reading, double step, double booked, double value)
    {
        const std::int64_t time = timeOf(reading.stamp);
        const std::int64_t interval = time - previousTime_;
        if (interval == hotInterval_ && !hotIsLong_)
            ++slots_[hot_].count;
        else
            otherInterval(interval, previousTime_, reading, booked);
        previousTime_ = time;
        if (step < 0 && value != kMarkerValue)
            fallingStep(reading, booked);
        ++booked_;
    }
    std::size_t bookedSteps() const { return booked_; }
    // The interval of the steps step counts with one addition, and the time
    // of the last step's reading: a run of such steps, none of them falling,
    // may be noted at once by hotSteps. False when no such interval is known yet.
    bool hotInterval(std::int64_t& interval, std::int64_t& previousTime) const
    {
        interval = hotInterval_;
        previousTime = previousTime_;
        return usedSlots_ > 0 && !hotIsLong_;
    }
    // `count` steps of the hot interval that do not fall, the last reading at
    // `lastTime`, noted as that many calls of step would note them.
    void hotSteps(std::size_t count, std::int64_t lastTime)
    {
        slots_[hot_].count += count;
        previousTime_ = lastTime;
        booked_ += count;
    }
    // A stamp in seconds, wall-clock, as the collector counts them.
    static std::int64_t timeOf(const CalendarStamp& s) { return s.dayNumber * 86400 + s.secondOfDay; }

    // A reading skipped because its value is no number (empty, "N/A", "-" or other text).
    void unreadableValue(const MeterReading& reading);
    // A reading of the no-reading value: it books nothing, the next reading starts afresh.
    void noReadingValue(const MeterReading& reading);
    // A fall of a register of `digits` digits booked as going round past its top.
    void registerWrap(const MeterReading& reading, double previous, double value, int digits);
    // One sentence for each of the three above that happened: the count and the first line.
    void appendReadingRuleNotes(std::vector<std::string>& notes) const;

    // The notes in the order other months, falling readings, readings out of
    // order, repeated times, gaps; one sentence each, no label. Readings of
    // other months in a file that booked nothing are left to addNothingBookedNote.
    void appendNotes(const FileFigures& figures, std::vector<std::string>& notes) const;

private:
    static constexpr std::int64_t kHour = 3600;
    static constexpr double kMarkerValue = -499999.0;

    // The intervals met most often; a log has few distinct ones. The one met
    // last is the collector's hot interval, counted inline.
    struct Slot {
        std::int64_t interval = 0;
        std::size_t count = 0;
    };
    // The interval met most often, when met at least three times; else 0.
    std::int64_t usualInterval() const;
    // Every step whose interval is not the hot one, and every step of an hour or more.
    void otherInterval(std::int64_t interval, std::int64_t start, const MeterReading& reading, double booked);
    // The step's length in real time: the log's wall-clock times skip an hour
    // at the spring clock change and repeat one at the autumn change.
    std::int64_t realLength(std::int64_t start, std::int64_t end, int year);

    struct Gap {
        std::int64_t length;  // in real time, which decides whether it is a gap
        std::int64_t shown;   // as the log's stamps tell it
        std::size_t line;
        std::int64_t start;  // seconds, as timeOf
        double booked;
    };

    void keepGap(const Gap& gap);
    void fallingStep(const MeterReading& reading, double booked);
    void appendGapNote(std::vector<std::string>& notes) const;

    // Steps whose later reading is stamped earlier than, or at the same time
    // as, the reading before it.
    struct OutOfOrder {
        std::size_t count = 0;
        std::size_t firstLine = 0;
        void add(std::size_t line)
        {
            if (count++ == 0)
                firstLine = line;
        }
    };
    // The UK clock changes of one year, in the log's wall-clock seconds.
    struct ClockChanges {
        int year = std::numeric_limits<int>::min();
        std::int64_t springSkipped = 0;   // 01:00 on the last Sunday of March: the hour to 02:00 is never shown
        std::int64_t autumnRepeated = 0;  // 01:00 on the last Sunday of October: the hour to 02:00 is shown twice
    };

    std::int64_t previousTime_ = 0;
    std::size_t booked_ = 0;
    std::size_t baselines_ = 0;
    std::array<Slot, 8> slots_{};
    std::size_t usedSlots_ = 0;
    std::size_t hot_ = 0;
    std::int64_t hotInterval_ = std::numeric_limits<std::int64_t>::min();  // none yet
    bool hotIsLong_ = false;
    std::vector<Gap> gaps_;  // steps of an hour or more; the usual interval sorts them at the end
    std::size_t otherCount_ = 0;
    std::size_t otherFirstLine_ = 0;
    CalendarStamp otherFirst_;
    CalendarStamp otherLast_;
    std::size_t fallingCount_ = 0;
    std::size_t fallingLine_ = 0;
    CalendarStamp fallingStamp_;
    double fallingBooked_ = 0;

    // The first of several readings of one kind, and how many there were.
    struct FirstOfMany {
        std::size_t count = 0;
        std::size_t line = 0;
        std::string text;
    };
    FirstOfMany unreadable_;
    FirstOfMany noReading_;
    FirstOfMany wraps_;  // text: the first wrap's "from X to Y"
    int wrapDigits_ = 0;
    OutOfOrder earlier_;
    OutOfOrder repeated_;
    // The latest time before the last step back: the steps that catch up with
    // it are measured from it, so a stray earlier stamp makes no gap.
    std::int64_t resume_ = std::numeric_limits<std::int64_t>::min();
    ClockChanges clock_;
    int autumnTaken_ = std::numeric_limits<int>::min();  // the year whose repeated hour was met
};

// The note on lines skipped because their timestamp is no date; "" when none.
std::string noDateNote(const ReadingFilter::NoDateLines& lines);

// Adds to `notes` why a file booked no step: with a scope, the scope and the
// span of the file's dated readings; without one, how many data lines were
// skipped and the first with its reason, or that its one reading of the month
// only set the baseline. The note on lines without a date goes when it would
// only say the same.
void addNothingBookedNote(std::vector<std::string>& notes, std::string_view bytes, const LayoutShape& shape,
                          const DateScope& scope);

// The block after the grand totals: the header and one "label: note" line per
// note, each ending CR LF; "" when there is no note.
std::string dataNotesText(const std::vector<std::pair<std::string, std::string>>& labelledNotes);

}  // namespace lumivane
