#include "core/meterdata/parallel_readings.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "core/meterdata/meter_value.h"

namespace lumivane {
namespace {

std::optional<unsigned long long> environmentNumber(const char* name)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || value == 0)
        return std::nullopt;
    return value;
}

// The whole of the line that starts at `start`, to be split again in order: long forms are rare.
std::string_view wholeLine(std::string_view bytes, const char* start, char lineEnd)
{
    const auto from = static_cast<std::size_t>(start - bytes.data());
    return bytes.substr(from, lineEndAt(bytes, from, lineEnd) - from);
}

void keepText(std::string_view bytes, std::string_view text, ParsedPart::Record& r)
{
    r.textAt = static_cast<std::uint32_t>(text.data() - bytes.data());
    r.textLength = static_cast<std::uint32_t>(text.size());
}

void keepReading(std::string_view bytes, const MeterReading& reading, ParsedPart& out, ParsedPart::Record& r)
{
    r.kind = ParsedLine::Kind::Reading;
    const CalendarStamp& stamp = reading.stamp;
    r.year = static_cast<std::int16_t>(stamp.year);
    r.month = static_cast<std::uint8_t>(stamp.month);
    r.day = static_cast<std::uint8_t>(stamp.day);
    r.hour = static_cast<std::uint8_t>(stamp.hour);
    r.hasTime = stamp.hasTime;
    r.secondOfDay = stamp.secondOfDay;
    r.dayNumber = static_cast<std::int32_t>(stamp.dayNumber);
    r.valueAt = static_cast<std::uint32_t>(reading.valueText.data() - bytes.data());
    r.valueLength = static_cast<std::uint32_t>(reading.valueText.size());
    if (const auto number = meterValueOf(reading)) {
        r.number = *number;
        r.converted = true;
    }
    if (std::less_equal<const char*>()(bytes.data(), reading.timestampText.data()) &&
        std::less<const char*>()(reading.timestampText.data(), bytes.data() + bytes.size())) {
        keepText(bytes, reading.timestampText, r);
        return;
    }
    // A bare date completed in the filter, which reuses that text on the next line.
    r.isCompleted = true;
    r.textAt = static_cast<std::uint32_t>(out.completed.size());
    r.textLength = static_cast<std::uint32_t>(reading.timestampText.size());
    out.completed.append(reading.timestampText);
}

// Sorts the lines of one part with a filter of its own; line numbers count from 0.
// `readableBefore` bytes of the file before the part may be looked at.
void parsePart(std::string_view bytes, char lineEnd, std::size_t readableBefore, const ReadingFilter& like,
               ParsedPart& out)
{
    out.records.clear();
    // Room for the shortest lines at once: growing would copy the records and
    // touch twice the pages; room never used costs no page.
    out.records.reserve(bytes.size() / 16 + 1);
    out.completed.clear();
    out.error.reset();
    out.failure = nullptr;
    ReadingFilter filter(like.shape(), like.longForm(), like.scope());
    const LayoutShape& shape = filter.shape();
    FieldCursor cursor(bytes, shape.separator, lineEnd, readableBefore);
    LineFields fields;
    MeterReading reading;
    Error error;
    std::uint32_t line = 0;
    for (;; ++line) {
        if (const std::size_t length = filter.takeFixed(cursor.rest(), lineEnd, line, reading)) {
            cursor.skipLine(length);
            ParsedPart::Record& r = out.records.emplace_back();
            r.line = line;
            keepReading(bytes, reading, out, r);
            continue;
        }
        if (!cursor.next(fields))
            break;
        if (fields.count < 2)
            continue;
        // Made in place: most lines are readings, and a copy per line costs more than the test.
        ParsedPart::Record& r = out.records.emplace_back();
        r.line = line;
        if (filter.isLongFormLine(fields)) {
            r.kind = ParsedLine::Kind::LongForm;
            keepText(bytes, wholeLine(bytes, fields.field[0].data(), lineEnd), r);
            continue;
        }
        switch (filter.take(fields, line, reading, error)) {
        case ReadingFilter::Result::Reading: keepReading(bytes, reading, out, r); break;
        case ReadingFilter::Result::Skip:
            if (filter.lastSkip() != ReadingFilter::SkipReason::NoDate) {
                out.records.pop_back();
                break;
            }
            r.kind = ParsedLine::Kind::NoDate;
            keepText(bytes, fields.field[shape.timestampField], r);
            break;
        case ReadingFilter::Result::Error:
            r.kind = ParsedLine::Kind::Error;
            out.error = std::move(error);
            out.lines = line + 1;
            out.bareLineFeeds = cursor.bareLineFeeds();
            return;
        }
    }
    out.lines = line;
    out.bareLineFeeds = cursor.bareLineFeeds();
}

void parseGuarded(const PartJob& job)
{
    try {
        parsePart(job.bytes, job.lineEnd, job.readableBefore, *job.like, *job.out);
    } catch (...) {
        job.out->failure = std::current_exception();
    }
}

std::size_t threadsOf(const ParallelPlan& plan)
{
    return plan.threads < 1 ? 1 : (plan.threads > 64 ? 64 : plan.threads);
}

}  // namespace

unsigned calculationThreads()
{
    if (const auto threads = environmentNumber("LUMIVANE_THREADS"))
        return static_cast<unsigned>(*threads < 64 ? *threads : 64);
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}

ParallelPlan ParallelPlan::fromEnvironment()
{
    ParallelPlan plan;
    plan.threads = calculationThreads();
    // On two processors the ordered pass and two reading threads share them,
    // and what the split costs (records written and read back, parts handed
    // over) outweighs what it saves: a year of 1-minute readings takes 18 ms
    // on one thread against 20 to 25 ms in parts. Parts pay from three
    // processors on, or when the thread count is forced.
    if (plan.threads <= 2 && !environmentNumber("LUMIVANE_THREADS"))
        plan.threads = 1;
    if (const auto bytes = environmentNumber("LUMIVANE_PART_BYTES")) {
        plan.partBytes = static_cast<std::size_t>(*bytes);
        plan.smallestSplit = 0;
    }
    return plan;
}

ParallelPlan ParallelPlan::forMonthRuns()
{
    ParallelPlan plan;
    plan.threads = calculationThreads();
    // One part per thread: the first is walked by the booking's own thread.
    plan.partBytes = 0;
    if (const auto bytes = environmentNumber("LUMIVANE_PART_BYTES")) {
        plan.partBytes = static_cast<std::size_t>(*bytes);
        plan.smallestSplit = 0;
    }
    return plan;
}

ParallelLineParser::ParallelLineParser(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan)
    : bytes_(bytes), like_(like), plan_(plan), lineEnd_(lineEndOf(bytes)), workers_(threadsOf(plan), parseGuarded)
{
    if (plan_.partBytes == 0)
        plan_.partBytes = 1;
    plan_.threads = static_cast<unsigned>(threadsOf(plan));
    for (Bank& bank : banks_) {
        bank.parts.resize(plan_.threads);
        bank.starts.resize(plan_.threads + 1);
        bank.firstLines.resize(plan_.threads);
    }
    // Header lines are never readings; the parts start after them.
    for (std::size_t i = 0; i < like.shape().headerLines && at_ < bytes_.size(); ++i, ++nextLine_) {
        const std::size_t end = lineEndAt(bytes_, at_, lineEnd_);
        if (end < bytes_.size() && bytes_[end] != lineEnd_)
            bareLineFeeds_.note(nextLine_);
        at_ = nextLineStart(bytes_, at_, lineEnd_);
    }
}

// The workers stop before the banks go; a stretch being read is finished first.
ParallelLineParser::~ParallelLineParser() = default;

void ParallelLineParser::launch(Bank& bank)
{
    bank.used = 0;
    // A file smaller than a stretch is shared out evenly, so every thread has a part.
    const std::size_t count = bank.parts.size();
    const std::size_t even = (bytes_.size() - at_ + count - 1) / count;
    const std::size_t partBytes = even < plan_.partBytes ? even : plan_.partBytes;
    for (std::size_t i = 0; i < count && at_ < bytes_.size(); ++i) {
        bank.starts[i] = at_;
        at_ = nextLineStart(bytes_, at_ + partBytes - 1, lineEnd_);
        bank.used = i + 1;
    }
    bank.starts[bank.used] = at_;
    for (std::size_t i = 0; i < bank.used; ++i) {
        const std::string_view part = bytes_.substr(bank.starts[i], bank.starts[i + 1] - bank.starts[i]);
        workers_.submit(i, PartJob{part, lineEnd_, bank.starts[i], &like_, &bank.parts[i]});
    }
}

bool ParallelLineParser::nextStretch()
{
    if (!started_) {
        started_ = true;
        launch(banks_[0]);
        current_ = 1;
    }
    current_ = 1 - current_;
    Bank& bank = banks_[current_];
    workers_.waitAll();
    if (bank.used == 0)
        return false;
    bool stops = false;
    for (std::size_t i = 0; i < bank.used; ++i) {
        if (bank.parts[i].failure)
            std::rethrow_exception(bank.parts[i].failure);
        bank.firstLines[i] = nextLine_;
        bareLineFeeds_.add(bank.parts[i].bareLineFeeds, nextLine_ - 1);
        nextLine_ += bank.parts[i].lines;
        if (bank.parts[i].error) {
            // Nothing after a line that cannot be read is looked at.
            bank.parts[i].error->line += bank.firstLines[i];
            bank.used = i + 1;
            stops = true;
            break;
        }
    }
    Bank& next = banks_[1 - current_];
    next.used = 0;
    if (!stops && at_ < bytes_.size())
        launch(next);
    return true;
}

}  // namespace lumivane
