#include "core/meterdata/month_runs.h"

#include <functional>
#include <system_error>

namespace lumivane {
namespace {

// What a line means to a run.
enum class LineRole {
    Plain,   // a reading that a run can hold
    Silent,  // skipped without a trace: a run can hold it
    Walked,  // anything else: the booking must walk it
};

bool liesIn(std::string_view bytes, std::string_view text)
{
    return std::less_equal<const char*>()(bytes.data(), text.data()) &&
           std::less<const char*>()(text.data(), bytes.data() + bytes.size());
}

// Collects the segments of one part as its lines come.
class SegmentBuilder {
public:
    explicit SegmentBuilder(std::size_t from) { open(from, false); }

    void add(LineRole role, const MeterReading& reading, std::size_t lineEnd)
    {
        PartSegment& s = segments_.back();
        switch (role) {
        case LineRole::Plain:
            if (!s.isRun || s.run.month != reading.stamp.month || s.run.year != reading.stamp.year) {
                open(s.to, true);
                startRun(reading);
            }
            noteReading(reading);
            break;
        case LineRole::Silent: break;
        case LineRole::Walked:
            if (s.isRun)
                open(s.to, false);
            break;
        }
        PartSegment& current = segments_.back();
        current.to = lineEnd;
        ++current.lines;
    }

    // The usual lines that follow a plain reading of the kept date, with
    // plain values of their own, added to its run at once; `from` is where
    // the part starts in the file.
    void addUsualLines(FieldCursor& lines, const ReadingFilter& filter, std::size_t from)
    {
        const char lineEnd = lines.lineEnd();
        ReadingFilter::FixedLine line, latest;
        const char* last = nullptr;
        std::size_t taken = 0;
        for (;;) {
            const std::string_view rest = lines.rest();
            if (!filter.readFixed(rest, lineEnd, line) || !line.valuePlain)
                break;
            latest = line;
            last = rest.data();
            ++taken;
            lines.skipLine(line.length);
        }
        if (taken == 0)
            return;
        PartSegment& s = segments_.back();
        s.run.readings += taken;
        s.run.lastStamp = filter.usualStamp(latest);
        s.run.lastTimestamp = std::string_view(last + 2, 16);
        s.lines += taken;
        s.to = from + lines.position();
    }

    // Everything from `from` to `to` is walked.
    void walkRest(std::size_t to)
    {
        if (segments_.back().isRun)
            open(segments_.back().to, false);
        segments_.back().to = to;
        segments_.back().lines = 0;  // the walk stops in it: its lines are never counted on
    }

    std::vector<PartSegment> done()
    {
        if (segments_.size() > 1 && segments_.front().from == segments_.front().to)
            segments_.erase(segments_.begin());
        return std::move(segments_);
    }

private:
    void open(std::size_t at, bool run)
    {
        if (!segments_.empty() && segments_.back().lines == 0) {
            segments_.back().isRun = run;
            segments_.back().run = {};
            return;
        }
        PartSegment& s = segments_.emplace_back();
        s.from = s.to = at;
        s.isRun = run;
    }
    void startRun(const MeterReading& reading)
    {
        MonthRun& run = segments_.back().run;
        run.month = reading.stamp.month;
        run.year = reading.stamp.year;
        run.firstLine = segments_.back().lines + 1;
        run.firstStamp = reading.stamp;
    }
    void noteReading(const MeterReading& reading)
    {
        MonthRun& run = segments_.back().run;
        ++run.readings;
        run.lastStamp = reading.stamp;
        run.lastTimestamp = reading.timestampText;
    }

    std::vector<PartSegment> segments_;
};

}  // namespace

namespace {

// The role of a line that the general rules read (the usual line aside).
LineRole roleOfGeneralLine(ReadingFilter& filter, const LineFields& fields, std::string_view bytes,
                           MeterReading& reading, bool& stops)
{
    if (fields.count < 2)
        return LineRole::Silent;
    if (filter.isLongFormLine(fields))
        return LineRole::Walked;
    Error error;
    switch (filter.take(fields, 0, reading, error)) {
    case ReadingFilter::Result::Skip:
        return filter.lastSkip() == ReadingFilter::SkipReason::NoDate ? LineRole::Walked : LineRole::Silent;
    case ReadingFilter::Result::Error: stops = true; return LineRole::Walked;
    case ReadingFilter::Result::Reading: break;
    }
    const auto value = meterValueOf(reading);
    return value && *value >= 0 && liesIn(bytes, reading.timestampText) ? LineRole::Plain : LineRole::Walked;
}

}  // namespace

std::vector<PartSegment> surveyPart(std::string_view bytes, std::size_t from, std::size_t to, char lineEnd,
                                    const ReadingFilter& like)
{
    const std::string_view part = bytes.substr(from, to - from);
    ReadingFilter filter(like.shape(), like.longForm(), like.scope());
    FieldCursor lines(part, like.shape().separator, lineEnd, from);
    LineFields fields;
    MeterReading reading;
    SegmentBuilder segments(from);
    for (;;) {
        // The usual line, and those like it that follow a plain one.
        if (const std::size_t length = filter.takeFixed(lines.rest(), lineEnd, 0, reading)) {
            lines.skipLine(length);
            segments.add(reading.valuePlain ? LineRole::Plain : LineRole::Walked, reading, from + lines.position());
            if (reading.valuePlain)
                segments.addUsualLines(lines, filter, from);
            continue;
        }
        const std::size_t bareBefore = lines.bareLineFeeds().count;
        if (!lines.next(fields))
            break;
        bool stops = false;
        LineRole role = roleOfGeneralLine(filter, fields, bytes, reading, stops);
        if (stops) {
            segments.walkRest(to);
            break;
        }
        // A line that ends in a bare LF is counted by the walk that reads it.
        if (lines.bareLineFeeds().count != bareBefore)
            role = LineRole::Walked;
        segments.add(role, reading, from + lines.position());
    }
    return segments.done();
}

std::vector<std::size_t> monthRunParts(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan)
{
    const char lineEnd = lineEndOf(bytes);
    std::size_t at = 0;
    for (std::size_t i = 0; i < like.shape().headerLines && at < bytes.size(); ++i)
        at = nextLineStart(bytes, at, lineEnd);
    const std::size_t count = plan.threads < 2 ? 2 : plan.threads;
    // The first part is walked and booked, the others only surveyed, which
    // costs about a fifth less a line: the first gets a tenth less than an
    // even share, which evens out the two on two processors.
    const std::size_t data = bytes.size() - at;
    const std::size_t first = plan.partBytes > 0 ? plan.partBytes : data / count * 9 / 10 + 1;
    const std::size_t later =
        plan.partBytes > 0 ? plan.partBytes : (data > first ? (data - first) / (count - 1) + 1 : 1);
    std::vector<std::size_t> starts{0};
    for (std::size_t next = nextLineStart(bytes, at + first - 1, lineEnd); next < bytes.size();
         next = nextLineStart(bytes, next + later - 1, lineEnd))
        starts.push_back(next);
    starts.push_back(bytes.size());
    return starts;
}

PartSurveys::PartSurveys(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan)
    : bytes_(bytes), like_(like), lineEnd_(lineEndOf(bytes)), starts_(monthRunParts(bytes, like, plan))
{
    const std::size_t later = starts_.size() - 2;
    promised_.resize(later);
    for (auto& promise : promised_)
        surveys_.push_back(promise.get_future());
    const std::size_t threads = plan.threads - 1 < later ? plan.threads - 1 : later;
    try {
        for (std::size_t t = 0; t < threads; ++t)
            threads_.emplace_back([this, t, threads] { survey(t, threads); });
    } catch (const std::system_error&) {
        // No thread to be had: the parts of the missing threads are surveyed here, now.
        for (std::size_t t = threads_.size(); t < threads; ++t)
            survey(t, threads);
    }
}

PartSurveys::~PartSurveys()
{
    stopping_ = true;
    for (std::thread& thread : threads_)
        thread.join();
}

void PartSurveys::survey(std::size_t first, std::size_t step)
{
    for (std::size_t i = first; i < promised_.size(); i += step) {
        if (stopping_)
            return;
        try {
            promised_[i].set_value(surveyPart(bytes_, starts_[i + 1], starts_[i + 2], lineEnd_, like_));
        } catch (...) {
            promised_[i].set_exception(std::current_exception());
        }
    }
}

}  // namespace lumivane
