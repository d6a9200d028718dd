#pragma once
// Reading a meter log into readings: the file read whole, its lines,
// the three layouts, the status field, the long form, the timestamp test and
// the scope test. The walk works on the bytes in place and allocates nothing
// per line; the pre-scan and the tariff engine run it over the same buffer.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#if !defined(__GNUC__) && !defined(__clang__) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

#include "core/text/number_text.h"
#include "core/meterdata/date_scope_rules.h"

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

// The lines of a file split into their fields in one pass over the bytes:
// the same lines as LineCursor, each split as LineFields::split would.
// Eight bytes are tested at a time for the separator and the line end, so a
// line of 30 bytes costs four word tests instead of a look at every byte.
class FieldCursor {
public:
    FieldCursor(std::string_view bytes, char separator)
        : data_(bytes.data()), size_(bytes.size()), separator_(separator),
          end_(bytes.find('\r') == std::string_view::npos ? '\n' : '\r'),
          separatorWord_(repeated(separator)), endWord_(repeated(end_))
    {
    }

    // The fields of the next line; false after the last line.
    bool next(LineFields& fields)
    {
        if (pos_ >= size_)
            return false;
        const char* const base = data_;
        // A mapped file is walked straight from the page cache, so its bytes
        // are asked for well ahead of the walk.
        if (size_ - pos_ > kPrefetchAhead)
            prefetch(base + pos_ + kPrefetchAhead);
        std::size_t fieldStart = pos_;
        std::size_t at = pos_;
        int count = 0;
        while (at < size_) {
            // One bit (0x80) per byte that is a separator or the line end.
            const std::size_t block = at;
            std::uint64_t found = 0;
            if (size_ - at >= 8) {
                std::uint64_t word;
                std::memcpy(&word, base + at, 8);
                if constexpr (std::endian::native == std::endian::big)
                    word = byteSwapped(word);
                found = zeroBytes(word ^ separatorWord_) | zeroBytes(word ^ endWord_);
                at += 8;
            } else {
                for (unsigned i = 0; at < size_; ++i, ++at)
                    if (base[at] == separator_ || base[at] == end_)
                        found |= std::uint64_t{0x80} << (8 * i);
            }
            while (found) {
                const std::size_t i = block + (static_cast<unsigned>(std::countr_zero(found)) >> 3);
                found &= found - 1;
                if (base[i] == end_) {
                    finishLine(fields, count, fieldStart, i);
                    std::size_t skip = i + 1;
                    if (end_ == '\r' && skip < size_ && base[skip] == '\n')
                        ++skip;
                    pos_ = skip;
                    return true;
                }
                if (count < LineFields::kKept) {
                    fields.field[count++] = std::string_view(base + fieldStart, i - fieldStart);
                    fieldStart = i + 1;
                    // Fields beyond the fifth are counted, not kept.
                    if (count == LineFields::kKept)
                        count = LineFields::kKept + 1;
                }
            }
        }
        // The last line needs no end.
        finishLine(fields, count, fieldStart, size_);
        pos_ = size_;
        return true;
    }

private:
    static constexpr std::size_t kPrefetchAhead = 2048;
    static void prefetch(const char* p)
    {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(p);
#elif defined(_M_X64) || defined(_M_IX86)
        _mm_prefetch(p, _MM_HINT_T0);
#else
        (void)p;
#endif
    }
    static constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    static constexpr std::uint64_t repeated(char c) { return 0x0101010101010101ULL * static_cast<unsigned char>(c); }
    // 0x80 in every byte of x that is zero, 0 elsewhere; exact, no borrow between bytes.
    static std::uint64_t zeroBytes(std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); }
    static std::uint64_t byteSwapped(std::uint64_t x)
    {
        std::uint64_t out = 0;
        for (int i = 0; i < 8; ++i, x >>= 8)
            out = (out << 8) | (x & 0xFF);
        return out;
    }
    void finishLine(LineFields& fields, int count, std::size_t fieldStart, std::size_t lineEnd) const
    {
        if (count < LineFields::kKept)
            fields.field[count++] = std::string_view(data_ + fieldStart, lineEnd - fieldStart);
        fields.count = count;
    }

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    char separator_;
    char end_;
    std::uint64_t separatorWord_;
    std::uint64_t endWord_;
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
    // Whole digits, then at most one "." and its decimals: two tight loops
    // rather than one that asks at every digit which side of the point it is.
    std::uint64_t mantissa = 0;
    const char* const whole = p;
    for (; p != end && static_cast<unsigned char>(*p - '0') <= 9; ++p)
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    int digits = static_cast<int>(p - whole);
    int fraction = -1;
    if (p != end && *p == '.') {
        const char* const decimals = ++p;
        for (; p != end && static_cast<unsigned char>(*p - '0') <= 9; ++p)
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        fraction = static_cast<int>(p - decimals);
        digits += fraction;
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
    FieldCursor lines(bytes, shape.separator);
    LineFields fields;
    std::size_t lineNumber = 0;
    MeterReading reading;
    ReadError error;
    while (lines.next(fields)) {
        ++lineNumber;
        if (lineNumber <= shape.headerLines)
            continue;
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
