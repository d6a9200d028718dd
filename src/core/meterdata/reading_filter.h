#pragma once
// The tests a data line of a meter log goes through before it is a reading:
// the layout's fields, the status, the long form, the timestamp and the scope.
#include <bit>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/line_splitter.h"
#include "core/meterdata/meter_value.h"
#include "core/meterdata/per_line.h"
#include "core/text/expected.h"

namespace lumivane {

enum class MeterLayout { Plain, Gateway, TabLogger };

struct LayoutShape {
    MeterLayout layout = MeterLayout::Plain;
    char separator = ',';
    std::size_t headerLines = 1;
    int timestampField = 1;
    int valueField = 2;
    bool hasStatus = true;
};

// One reading that passed the status, timestamp and scope tests.
struct MeterReading {
    std::string_view timestampText;  // completed with " 00:00" when it was a bare date
    std::string_view valueText;
    CalendarStamp stamp;
    std::size_t lineNumber = 0;
    // The usual line's value when it is plain digits (so a number of at
    // least 0): converted only where it is used, from its shape.
    bool valuePlain = false;
    detail::PlainDigits plainDigits;
};

// The reading's value as parseMeterValue reads it.
inline std::optional<double> meterValueOf(const MeterReading& reading)
{
    if (reading.valuePlain)
        return detail::plainValue(reading.valueText.data(), reading.plainDigits);
    return parseMeterValue(reading.valueText);
}

// The tests one data line goes through before it is a reading: the long
// form (when allowed), the status, the field count, the timestamp, the scope.
// Keeps the date of the last line, so consecutive readings of one day parse
// only their time.
class ReadingFilter {
public:
    ReadingFilter(const LayoutShape& shape, bool longForm, const ScopeRule& scope)
        : shape_(shape), longForm_(longForm), scope_(scope),
          needed_((shape.timestampField > shape.valueField ? shape.timestampField : shape.valueField) + 1),
          fixedShape_(shape.separator == ',' && shape.hasStatus && shape.timestampField == 1 && shape.valueField == 2)
    {
    }
    const LayoutShape& shape() const { return shape_; }
    bool longForm() const { return longForm_; }
    const ScopeRule& scope() const { return scope_; }

    // Whether take leaves this line (field 0 longer than five bytes) to the long-form rewrite.
    bool isLongFormLine(const LineFields& fields) const
    {
        return shape_.hasStatus && longForm_ && fields.field[0].size() > 5;
    }

    enum class Result { Skip, Reading, Error };
    // Why the last line was skipped.
    enum class SkipReason { None, Status, NoDate, Scope };

    // Sorts one data line (already split, at least two fields). A Reading's
    // texts stay valid until the next call.
    Result take(const LineFields& fields, std::size_t lineNumber, MeterReading& reading, Error& error);

    // The plain layout's usual line, "0,<the kept date> hh:mm,<value>" and its
    // line end, read in place as take would read it; the length up to its
    // line end, or 0 for any other line (take reads it then). `rest` holds
    // the line and what follows it.
    std::size_t takeFixed(std::string_view rest, char lineEnd, std::size_t lineNumber, MeterReading& reading);

    // The usual line as takeFixed reads it, before it is a reading: its time
    // of day, the value at byte kFixedValueAt and the length up to its line end.
    struct FixedLine {
        std::size_t length = 0;
        int hour = 0;
        int secondOfDay = 0;
        bool valuePlain = false;
        detail::PlainDigits plainDigits;
    };
    static constexpr std::size_t kFixedValueAt = 19;
    // False for any line takeFixed leaves to take.
    bool readFixed(std::string_view rest, char lineEnd, FixedLine& line) const;
    // The kept date, which is in scope, and the stamp takeFixed gives a usual line of it.
    const CalendarStamp& keptStamp() const { return lastStamp_; }
    CalendarStamp usualStamp(const FixedLine& line) const
    {
        CalendarStamp stamp = lastStamp_;
        stamp.hour = line.hour;
        stamp.secondOfDay = line.secondOfDay;
        stamp.hasTime = true;
        return stamp;
    }

    // The reason of the last Skip.
    SkipReason lastSkip() const { return skip_; }

    // Lines skipped so far because their timestamp is no date, with the first of them.
    struct NoDateLines {
        std::size_t count = 0;
        std::size_t firstLine = 0;
        std::string firstText;
    };
    const NoDateLines& noDateLines() const { return noDate_; }
    // Counts a line whose timestamp is no date, as take does when it skips one.
    void noteNoDate(std::size_t lineNumber, std::string_view timestamp);

    // The lines of the file that ended in a bare LF where its lines end in CR,
    // as the walk that went through every line found them.
    const BareLineFeeds& bareLineFeeds() const { return bareLineFeeds_; }
    void noteBareLineFeeds(const BareLineFeeds& found) { bareLineFeeds_ = found; }

private:
    // The steps of take, in the order a line meets them.
    Result timestampOf(const LineFields& fields, std::size_t lineNumber, std::string_view& timestamp, Error& error);
    Result longFormTimestamp(const LineFields& fields, std::size_t lineNumber, std::string_view& timestamp,
                             Error& error);
    static Result statusOf(std::string_view status, std::size_t lineNumber, Error& error);
    bool stampOf(std::string_view timestamp, CalendarStamp& stamp);
    bool sharesLastDate(std::string_view timestamp) const;
    bool takeNewDate(std::string_view datePart, CalendarStamp& stamp);
    bool completeBareDate(std::string_view& timestamp);
    Result skipNoDate(std::size_t lineNumber, std::string_view timestamp);

    LayoutShape shape_;
    bool longForm_;
    const ScopeRule& scope_;
    int needed_;
    bool fixedShape_;  // the plain layout, whose usual line takeFixed reads
    // The kept date is one takeFixed can read lines of (ten bytes, day first,
    // in scope), and the first bytes of such a line: "0," + date + " " and the ":" at 15.
    bool fixedReady_ = false;
    char fixedHead_[16] = {};
    // Long-form rewrites and bare dates completed with " 00:00" live here for one reading.
    char rewritten_[80];
    char completed_[96];
    char lastDate_[16];
    std::size_t lastDateLength_ = 0;
    bool lastDateIso_ = false;  // the kept date is "YYYY-MM-DD": a "T" may follow it, and an offset its time
    CalendarStamp lastStamp_;
    bool lastInScope_ = false;
    SkipReason skip_ = SkipReason::None;
    NoDateLines noDate_;
    BareLineFeeds bareLineFeeds_;
};

// Kept in the header: it runs for nearly every line of a log, and inlined into
// the walk its reading stays in registers for the booking.
LUMIVANE_PER_LINE bool ReadingFilter::readFixed(std::string_view rest, char lineEnd, FixedLine& line) const
{
    // "0," + "DD/MM/YYYY" (the kept date, in scope) + " hh:mm" + "," + the value,
    // whose end must be found within 16 bytes.
    constexpr std::size_t kLongest = kFixedValueAt + 16;
    const char* const p = rest.data();
    if (!fixedReady_ || rest.size() < kLongest)
        return false;
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    // Status, separators, the date and the time's ":" in one compare of 16 bytes.
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i expected = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fixedHead_));
    constexpr int kFixedBytes = 0x9FFF;  // bytes 0 to 12 and 15
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(head, expected)) & kFixedBytes) != kFixedBytes || p[18] != ',')
        return false;
#else
    if (std::memcmp(p, fixedHead_, 13) != 0 || p[15] != ':' || p[18] != ',')
        return false;
#endif
    const char* const t = p + 13;
    const auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - '0'); };
    const unsigned h0 = digit(t[0]), h1 = digit(t[1]), m0 = digit(t[3]), m1 = digit(t[4]);
    if (h0 > 2 || h1 > 9 || m0 > 5 || m1 > 9)
        return false;
    const int hour = static_cast<int>(h0 * 10 + h1);
    if (hour > 23)
        return false;
    const char* const value = p + kFixedValueAt;
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    // The value's end and the shape of its bytes from one load of 16.
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value));
    const __m128i stops = _mm_or_si128(
        _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
    const auto ends = static_cast<unsigned>(_mm_movemask_epi8(stops));
    // Another field, a value longer than 15 bytes or an LF that may end the
    // line alone in a CR file: take reads the line.
    if (ends == 0)
        return false;
    const auto length = static_cast<unsigned>(std::countr_zero(ends));
    if (value[length] != lineEnd)
        return false;
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i offsets = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const auto digits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(offsets, nine), nine)));
    const auto points = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'))));
#else
    unsigned length = 0, digits = 0, points = 0;
    for (; length < 16 && value[length] != ',' && value[length] != '\r' && value[length] != '\n'; ++length) {
        digits |= (digit(value[length]) <= 9 ? 1u : 0u) << length;
        points |= (value[length] == '.' ? 1u : 0u) << length;
    }
    if (length == 16 || value[length] != lineEnd)
        return false;
#endif
    line.valuePlain = detail::plainDigits(length, digits, points, line.plainDigits);
    line.hour = hour;
    line.secondOfDay = hour * 3600 + static_cast<int>(m0 * 10 + m1) * 60;
    line.length = kFixedValueAt + length;
    return true;
}

LUMIVANE_PER_LINE std::size_t ReadingFilter::takeFixed(std::string_view rest, char lineEnd, std::size_t lineNumber,
                                                       MeterReading& reading)
{
    FixedLine line;
    if (!readFixed(rest, lineEnd, line))
        return 0;
    reading.valuePlain = line.valuePlain;
    reading.plainDigits = line.plainDigits;
    reading.stamp = usualStamp(line);
    reading.timestampText = std::string_view(rest.data() + 2, 16);
    reading.valueText = std::string_view(rest.data() + kFixedValueAt, line.length - kFixedValueAt);
    reading.lineNumber = lineNumber;
    return line.length;
}

}  // namespace lumivane
