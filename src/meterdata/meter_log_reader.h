#pragma once
// Reading a meter log into readings: the file read whole, its lines,
// the three layouts, the status field, the long form, the timestamp test and
// the scope test. The walk works on the bytes in place and allocates nothing
// per line; the pre-scan and the tariff engine run it over the same buffer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "calc/number_text.h"
#include "meterdata/date_scope_rules.h"

namespace lumivane {

// "01".."12" for "Jan".."Dec" (exact case); nullopt for anything else.
std::optional<std::string_view> monthNumber(std::string_view abbreviation);

// Why a file or one of its lines cannot be read; line 0 when no line applies.
struct ReadError {
    std::size_t line = 0;
    std::string reason;
};

// A whole file in one block, kept for reuse by the next file.
class FileBuffer {
public:
    // Reads the file whole; nullopt on success (an empty file too), else why it cannot be opened or read.
    std::optional<ReadError> load(const std::string& path);
    std::string_view bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// The lines of a file: ends are CR LF or CR; a file without any CR is split at LF.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes)
        : rest_(bytes), end_(bytes.find('\r') == std::string_view::npos ? '\n' : '\r') {}

    // The next line without its end; false after the last line.
    bool next(std::string_view& line)
    {
        if (done_ || rest_.empty())
            return false;
        const void* hit = std::memchr(rest_.data(), end_, rest_.size());
        if (!hit) {
            line = rest_;
            done_ = true;
            return true;
        }
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(hit) - rest_.data());
        line = rest_.substr(0, length);
        std::size_t skip = length + 1;
        if (end_ == '\r' && skip < rest_.size() && rest_[skip] == '\n')
            ++skip;
        rest_.remove_prefix(skip);
        return true;
    }

private:
    std::string_view rest_;
    char end_;
    bool done_ = false;
};

// The lines of an open file read piece by piece into one reused buffer, with
// the same line ends as LineCursor. Whether the file holds a CR is known only
// at its end: a file whose first line end is an LF is split at LF, and a CR
// found later marks the walk as unusable (lateCr), so the caller reads the
// file whole instead. Lines stay valid until the next call.
class ChunkedLineSource {
public:
    explicit ChunkedLineSource(std::FILE* file, std::size_t chunk = std::size_t{1} << 20)
        : file_(file), data_(new char[chunk]), capacity_(chunk) {}

    bool next(std::string_view& line);
    bool failed() const { return error_; }
    bool lateCr() const { return lateCr_; }

private:
    bool refill();

    std::FILE* file_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool error_ = false;
    bool lateCr_ = false;
    enum class Ends { Unknown, Cr, Lf } ends_ = Ends::Unknown;
};

// The first fields of a line; fields beyond the fifth are counted, not kept.
struct LineFields {
    static constexpr int kKept = 5;
    std::string_view field[kKept];
    int count = 0;  // capped at kKept + 1

    void split(std::string_view line, char separator)
    {
        // One pass over the bytes: lines are short, so a plain loop beats a
        // library search per field.
        count = 0;
        const char* p = line.data();
        const char* const end = p + line.size();
        const char* start = p;
        for (; p != end; ++p) {
            if (*p == separator) {
                field[count++] = std::string_view(start, static_cast<std::size_t>(p - start));
                start = p + 1;
                if (count == kKept) {
                    count = kKept + 1;
                    return;
                }
            }
        }
        field[count++] = std::string_view(start, static_cast<std::size_t>(end - start));
    }
};

// A meter value: plain decimals ("1234.567", "-2") are read exactly by a fast
// path; every other spelling goes through parseDecimal, with the same result.
inline std::optional<double> parseMeterValue(std::string_view text)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = -1;
    for (; p != end; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            ++digits;
            if (fraction >= 0)
                ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            break;
        }
    }
    // Up to 15 digits and 22 decimals both the digits and the power of ten are
    // exact doubles, so one division rounds exactly like a full conversion.
    if (p == end && digits > 0 && digits <= 15 && fraction != 0) {
        double value = static_cast<double>(mantissa);
        if (fraction > 0)
            value /= kPowers[fraction];
        return negative ? -value : value;
    }
    return parseDecimal(text);
}

enum class MeterLayout { Plain, Gateway, TabLogger };

struct LayoutShape {
    MeterLayout layout = MeterLayout::Plain;
    char separator = ',';
    std::size_t headerLines = 1;
    int timestampField = 1;
    int valueField = 2;
    bool hasStatus = true;
};

LayoutShape shapeOf(MeterLayout layout);

// The engine's layout test: ".IRIO" in the path, else field 1 of line 1 being
// "Gateway SN"; a first line without "," cannot be read.
std::optional<LayoutShape> engineLayoutOf(std::string_view path, std::string_view firstLine,
                                          ReadError* error);

// The pre-scan's layout test: "Gateway Name" in field 0 of line 1, else plain.
LayoutShape scanLayoutOf(std::string_view firstLine);

// The first line of the bytes.
std::string_view firstLineOf(std::string_view bytes);

// One reading that passed the status, timestamp and scope tests.
struct MeterReading {
    std::string_view timestampText;  // completed with " 00:00" when it was a bare date
    std::string_view valueText;
    CalendarStamp stamp;
    std::size_t lineNumber = 0;
};

// Rewrites "05-Mar-2012 14:30:07.250" as "2012/03/05 14:30:07" into `out`
// (at least 64 bytes); the length written, or nullopt with the reason.
std::optional<std::size_t> rewriteLongForm(std::string_view timestamp, char* out, std::size_t capacity,
                                           std::string* reason);

// The tests one data line goes through before it is a reading: the long
// form (when allowed), the status, the field count, the timestamp, the scope.
// Keeps the date of the last line, so consecutive readings of one day parse
// only their time.
class ReadingFilter {
public:
    ReadingFilter(const LayoutShape& shape, bool longForm, const ScopeRule& scope)
        : shape_(shape), longForm_(longForm), scope_(scope),
          needed_((shape.timestampField > shape.valueField ? shape.timestampField : shape.valueField) + 1)
    {
    }
    const LayoutShape& shape() const { return shape_; }

    enum class Result { Skip, Reading, Error };

    // Sorts one data line (already split, at least two fields). A Reading's
    // texts stay valid until the next call.
    Result take(const LineFields& fields, std::size_t lineNumber, MeterReading& reading, ReadError& error);

private:
    LayoutShape shape_;
    bool longForm_;
    const ScopeRule& scope_;
    int needed_;
    // Long-form rewrites and bare dates completed with " 00:00" live here for one reading.
    char rewritten_[80];
    char completed_[96];
    char lastDate_[16];
    std::size_t lastDateLength_ = 0;
    CalendarStamp lastStamp_;
    bool lastInScope_ = false;
};

// Walks the data lines in file order and calls onReading(const MeterReading&)
// for each reading in scope; onReading returns an optional<ReadError> that
// stops the walk. `longForm` allows the long-form lines of the engine.
template <class OnReading>
std::optional<ReadError> walkMeterReadings(std::string_view bytes, const LayoutShape& shape, bool longForm,
                                           const ScopeRule& scope, OnReading&& onReading)
{
    ReadingFilter filter(shape, longForm, scope);
    LineCursor lines(bytes);
    LineFields fields;
    std::string_view line;
    std::size_t lineNumber = 0;
    MeterReading reading;
    ReadError error;
    while (lines.next(line)) {
        ++lineNumber;
        if (lineNumber <= shape.headerLines)
            continue;
        fields.split(line, shape.separator);
        if (fields.count < 2)
            continue;
        switch (filter.take(fields, lineNumber, reading, error)) {
        case ReadingFilter::Result::Skip:
            break;
        case ReadingFilter::Result::Error:
            return error;
        case ReadingFilter::Result::Reading:
            if (auto stop = onReading(static_cast<const MeterReading&>(reading)))
                return stop;
            break;
        }
    }
    return std::nullopt;
}

namespace detail {
std::string quoted(std::string_view text);
}  // namespace detail

}  // namespace lumivane
