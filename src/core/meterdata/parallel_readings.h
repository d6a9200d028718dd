#pragma once
// One file's lines turned into readings on every processor: a stretch of the
// bytes is cut at line ends into one part per thread, each part is sorted by
// a reading filter of its own into compact records, and the records are then
// handed on in file order, so whatever needs order (baseline, month, notes)
// sees the lines exactly as a walk on one thread would.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/meterdata/part_workers.h"
#include "core/meterdata/reading_filter.h"

namespace lumivane {

// How many threads a calculation uses, reading one file or booking several:
// one per processor (one on a one-processor machine); LUMIVANE_THREADS=N forces N.
unsigned calculationThreads();

// How many threads read one file, and how many bytes each part holds.
struct ParallelPlan {
    unsigned threads = 1;
    // Parts of 256 KiB: the threads are kept from stretch to stretch, so
    // smaller parts cost no thread starts, and their records touch fewer pages.
    std::size_t partBytes = std::size_t{256} << 10;
    // Smaller files are read on one thread: the records of a file are fresh
    // memory, and the page faults of filling them cost more than a second
    // processor saves on a file of a few MiB.
    std::size_t smallestSplit = std::size_t{4} << 20;

    // One thread per processor from three processors on, else one.
    // LUMIVANE_THREADS=N forces N threads (1: the plain walk); LUMIVANE_PART_BYTES=N cuts parts of
    // about N bytes and splits files of any size, so tests can put many line
    // ends on part boundaries.
    static ParallelPlan fromEnvironment();
    // For a booking that takes runs of one month whole (month_runs.h): one
    // thread per processor, two on two; parts of a file's size over the threads,
    // or of LUMIVANE_PART_BYTES.
    static ParallelPlan forMonthRuns();

    // Whether a file of `size` bytes is read in parts (records keep 32-bit offsets).
    bool splits(std::size_t size) const
    {
        return threads > 1 && size > smallestSplit && size < (std::uint64_t{1} << 32);
    }
};

// One data line as the ordered pass receives it.
struct ParsedLine {
    enum class Kind : std::uint8_t {
        Reading,   // passed every test: `reading` and its converted `value`
        NoDate,    // skipped because `text`, its timestamp, is no date
        LongForm,  // left whole in `text` for the long-form rewrite, which is read in order
        Error,     // cannot be read: `error`, after which the part holds nothing
    };
    Kind kind = Kind::Reading;
    MeterReading reading;  // lineNumber is set for every kind
    std::optional<double> value;
    std::string_view text;
    const Error* error = nullptr;
};

// The records of one part, line numbers counted from 0 at its first line.
struct ParsedPart {
    // 48 bytes: a stretch of the file holds tens of thousands of them.
    struct Record {
        std::uint32_t textAt = 0;  // the timestamp or the whole line: from the part's start, or in `completed`
        std::uint32_t textLength = 0;
        std::uint32_t valueAt = 0;
        std::uint32_t valueLength = 0;
        double number = 0;
        std::uint32_t line = 0;
        std::int32_t dayNumber = 0;  // dates have four-digit years
        std::int32_t secondOfDay = 0;
        std::int16_t year = 0;
        std::uint8_t month = 0, day = 0, hour = 0;
        bool hasTime = false;
        ParsedLine::Kind kind = ParsedLine::Kind::Reading;
        bool converted = false;
        bool isCompleted = false;
    };
    std::vector<Record> records;
    std::string completed;  // bare dates with " 00:00", one after another
    std::size_t lines = 0;
    BareLineFeeds bareLineFeeds;  // numbered from 1 at the part's first line
    std::optional<Error> error;
    std::exception_ptr failure;  // an exception of the part's thread, thrown again on the caller's
};

// Walks the data lines of a file (header lines skipped) a stretch at a time,
// each stretch read in parts side by side. While the caller takes one
// stretch in order, the threads already read the next.
class ParallelLineParser {
public:
    // `like` gives the layout, the long-form rule and the scope of every part's
    // own filter; it is not changed.
    ParallelLineParser(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan);
    ~ParallelLineParser();
    ParallelLineParser(const ParallelLineParser&) = delete;
    ParallelLineParser& operator=(const ParallelLineParser&) = delete;

    // Reads the next stretch; false when the file is done.
    bool nextStretch();

    std::size_t partCount() const { return banks_[current_].used; }
    const ParsedPart& part(std::size_t i) const { return banks_[current_].parts[i]; }

    // The record `r` of part `i` as a line of the file.
    void expand(std::size_t i, const ParsedPart::Record& r, ParsedLine& line) const;

    // The lines that ended in a bare LF in the stretches read so far, numbered in the file.
    const BareLineFeeds& bareLineFeeds() const { return bareLineFeeds_; }

private:
    // One stretch: its parts, where they start, their first line numbers.
    struct Bank {
        std::vector<ParsedPart> parts;
        std::vector<std::size_t> starts;
        std::vector<std::size_t> firstLines;
        std::size_t used = 0;
    };
    // Cuts the next stretch into `bank` and starts reading its parts.
    void launch(Bank& bank);

    std::string_view bytes_;
    const ReadingFilter& like_;
    ParallelPlan plan_;
    char lineEnd_;
    std::size_t at_ = 0;  // where the next stretch starts
    std::size_t nextLine_ = 1;
    BareLineFeeds bareLineFeeds_;
    Bank banks_[2];
    std::size_t current_ = 1;
    bool started_ = false;
    // Last, so its threads stop before the banks they fill go.
    PartWorkers workers_;
};

// Kept in the header: it runs once per line on the ordered pass.
inline void ParallelLineParser::expand(std::size_t i, const ParsedPart::Record& r, ParsedLine& line) const
{
    const Bank& bank = banks_[current_];
    const ParsedPart& part = bank.parts[i];
    const char* const partStart = bytes_.data() + bank.starts[i];
    const char* const textBase = r.isCompleted ? part.completed.data() : partStart;
    line.kind = r.kind;
    line.reading.lineNumber = bank.firstLines[i] + r.line;
    switch (r.kind) {
    case ParsedLine::Kind::Reading: {
        line.reading.timestampText = std::string_view(textBase + r.textAt, r.textLength);
        line.reading.valueText = std::string_view(partStart + r.valueAt, r.valueLength);
        CalendarStamp& stamp = line.reading.stamp;
        stamp.year = r.year;
        stamp.month = r.month;
        stamp.day = r.day;
        stamp.hour = r.hour;
        stamp.secondOfDay = r.secondOfDay;
        stamp.hasTime = r.hasTime;
        stamp.dayNumber = r.dayNumber;
        line.value = r.converted ? std::optional<double>(r.number) : std::nullopt;
        break;
    }
    case ParsedLine::Kind::NoDate:
    case ParsedLine::Kind::LongForm: line.text = std::string_view(textBase + r.textAt, r.textLength); break;
    case ParsedLine::Kind::Error: line.error = &*part.error; break;
    }
}

// Hands every data line of `bytes` to visit(const ParsedLine&) in file order
// until visit returns false; the lines are read in parts on plan.threads threads.
// The lines that end in a bare LF, when every line was visited.
template <class Visit>
BareLineFeeds forEachParsedLine(std::string_view bytes, const ReadingFilter& like, const ParallelPlan& plan,
                                Visit&& visit)
{
    ParallelLineParser parser(bytes, like, plan);
    ParsedLine line;
    while (parser.nextStretch()) {
        for (std::size_t i = 0; i < parser.partCount(); ++i) {
            for (const ParsedPart::Record& r : parser.part(i).records) {
                parser.expand(i, r, line);
                if (!visit(static_cast<const ParsedLine&>(line)))
                    return {};
            }
        }
    }
    return parser.bareLineFeeds();
}

// walkMeterReadings on plan.threads threads: the same readings, skips, notes
// in `filter` and errors as the walk on one thread.
template <class OnReading>
Expected<void> walkParsedReadings(std::string_view bytes, ReadingFilter& filter, const ParallelPlan& plan,
                                  OnReading&& onReading)
{
    Expected<void> outcome;
    LineFields fields;
    MeterReading longReading;
    Error error;
    const BareLineFeeds bare = forEachParsedLine(bytes, filter, plan, [&](const ParsedLine& line) {
        switch (line.kind) {
        case ParsedLine::Kind::Reading: outcome = onReading(line.reading); break;
        case ParsedLine::Kind::NoDate: filter.noteNoDate(line.reading.lineNumber, line.text); break;
        case ParsedLine::Kind::Error: outcome = *line.error; break;
        case ParsedLine::Kind::LongForm:
            fields.split(line.text, filter.shape().separator);
            switch (filter.take(fields, line.reading.lineNumber, longReading, error)) {
            case ReadingFilter::Result::Skip: break;
            case ReadingFilter::Result::Error: outcome = std::move(error); break;
            case ReadingFilter::Result::Reading: outcome = onReading(static_cast<const MeterReading&>(longReading));
            }
            break;
        }
        return outcome.ok();
    });
    if (outcome)
        filter.noteBareLineFeeds(bare);
    return outcome;
}

}  // namespace lumivane
