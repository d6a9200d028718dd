#pragma once
// One file's lines read ahead on the other processors as runs of one month.
// The thread that books walks the first part of the file itself; every later
// part is surveyed on another thread into runs (consecutive lines whose
// readings are plain readings of one calendar month) and the lines between
// them. The booking then takes a run of a month it does not book whole, from
// its count and its first and last readings, and walks every other line as
// on one thread, in file order: a year's log books its one month as before
// and passes over the other eleven at the cost of reading them, shared out.
#include <atomic>
#include <concepts>
#include <cstddef>
#include <exception>
#include <future>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "core/meterdata/line_walk.h"
#include "core/meterdata/parallel_readings.h"
#include "core/meterdata/reading_filter.h"

namespace lumivane {

// Consecutive lines whose readings are all of one calendar month, each with a
// value that reads as a number of at least 0 and a timestamp in the file's
// bytes; lines skipped without a trace (another status, out of scope, fewer
// than two fields) may lie between them.
struct MonthRun {
    int month = 0;
    int year = 0;
    std::size_t readings = 0;
    std::size_t firstLine = 0;  // of the first reading, counted from 1 at the run's first line
    CalendarStamp firstStamp;
    CalendarStamp lastStamp;
    std::string_view lastTimestamp;  // in the file's bytes
};

// A booking that can take a run whole: takeRun(run, lineOffset) returns false
// when it must see the run's readings one by one; `lineOffset` is the number
// of the line before the run.
template <class Booking>
concept TakesMonthRuns = requires(std::remove_cvref_t<Booking>& booking, const MonthRun& run, std::size_t offset)
{
    {
        booking.takeRun(run, offset)
        } -> std::same_as<bool>;
};

// One piece of a surveyed part: a run, or lines to walk as they stand.
struct PartSegment {
    std::size_t from = 0;  // byte offsets in the file; `to` is where the next piece starts
    std::size_t to = 0;
    std::size_t lines = 0;
    bool isRun = false;
    MonthRun run;
};

// The lines of bytes[from, to) (whole lines, after the header lines) as
// segments, sorted by a filter like `like`. After a line that cannot be read
// the rest of the part is one segment to walk: the walk stops there.
std::vector<PartSegment> surveyPart(std::string_view bytes, std::size_t from, std::size_t to, char lineEnd,
                                    const ReadingFilter& like);

// Where the parts of a file start, by the plan: the first at 0, the others
// after the header lines, at line starts; the last entry is the size.
std::vector<std::size_t> monthRunParts(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan);

// The parts after the first, surveyed on plan.threads - 1 threads, each
// handed on in order. Stopping early leaves the threads to finish their part.
class PartSurveys {
public:
    PartSurveys(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan);
    ~PartSurveys();
    PartSurveys(const PartSurveys&) = delete;
    PartSurveys& operator=(const PartSurveys&) = delete;

    // Where the first part ends.
    std::size_t firstPartEnd() const { return starts_.size() > 1 ? starts_[1] : starts_[0]; }
    std::size_t laterParts() const { return surveys_.size(); }
    // The segments of part i + 1, once surveyed; an exception of its thread is thrown here.
    std::vector<PartSegment> take(std::size_t i) { return surveys_[i].get(); }

private:
    void survey(std::size_t first, std::size_t step);

    std::string_view bytes_;
    const ReadingFilter& like_;
    char lineEnd_;
    std::vector<std::size_t> starts_;
    std::vector<std::promise<std::vector<PartSegment>>> promised_;
    std::vector<std::future<std::vector<PartSegment>>> surveys_;
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> threads_;
};

// walkMeterReadings with the parts after the first read ahead as month runs:
// the same readings, skips, notes in `filter` and errors as on one thread.
template <class Booking>
Expected<void> walkWithMonthRuns(std::string_view bytes, ReadingFilter& filter, const ParallelPlan& plan,
                                 Booking& booking)
{
    PartSurveys surveys(bytes, filter, plan);
    FieldCursor lines(bytes, filter.shape().separator);
    std::size_t lineNumber = 0;
    if (auto walked = walkLinesUpTo(lines, lineNumber, surveys.firstPartEnd(), filter, booking); !walked)
        return walked;
    for (std::size_t part = 0; part < surveys.laterParts(); ++part) {
        for (const PartSegment& segment : surveys.take(part)) {
            if (segment.isRun && booking.takeRun(segment.run, lineNumber)) {
                lines.jumpTo(segment.to, segment.lines);
                lineNumber += segment.lines;
                continue;
            }
            if (auto walked = walkLinesUpTo(lines, lineNumber, segment.to, filter, booking); !walked)
                return walked;
        }
    }
    filter.noteBareLineFeeds(lines.bareLineFeeds());
    return {};
}

}  // namespace lumivane
