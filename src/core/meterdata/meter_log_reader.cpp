#include "core/meterdata/meter_log_reader.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "core/text/number_text.h"

// The steps of ReadingFilter::take run once per line: kept inside it, as one
// function would be, so the split into steps costs no calls.
#if defined(__GNUC__) || defined(__clang__)
#define LUMIVANE_STEP inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define LUMIVANE_STEP __forceinline
#else
#define LUMIVANE_STEP inline
#endif

namespace lumivane {

std::optional<std::string_view> monthNumber(std::string_view abbreviation)
{
    static constexpr std::string_view names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr std::string_view numbers[12] = {"01", "02", "03", "04", "05", "06",
                                                     "07", "08", "09", "10", "11", "12"};
    for (int i = 0; i < 12; ++i)
        if (names[i] == abbreviation)
            return numbers[i];
    return std::nullopt;
}

LayoutShape shapeOf(MeterLayout layout)
{
    switch (layout) {
    case MeterLayout::Gateway: return {MeterLayout::Gateway, ',', 7, 2, 4, true};
    case MeterLayout::TabLogger: return {MeterLayout::TabLogger, '\t', 8, 0, 1, false};
    case MeterLayout::Plain:
    default: return {MeterLayout::Plain, ',', 1, 1, 2, true};
    }
}

std::string_view firstLineOf(std::string_view bytes)
{
    LineCursor cursor(bytes);
    std::string_view line;
    return cursor.next(line) ? line : std::string_view();
}

Expected<LayoutShape> engineLayoutOf(std::string_view path, std::string_view firstLine)
{
    if (path.find(".IRIO") != std::string_view::npos)
        return shapeOf(MeterLayout::TabLogger);
    LineFields fields;
    fields.split(firstLine, ',');
    if (fields.count < 2)
        return failure("the first line has no \",\", so its layout cannot be recognised", 1);
    return shapeOf(fields.field[1] == "Gateway SN" ? MeterLayout::Gateway : MeterLayout::Plain);
}

LayoutShape scanLayoutOf(std::string_view firstLine)
{
    LineFields fields;
    fields.split(firstLine, ',');
    return shapeOf(fields.field[0] == "Gateway Name" ? MeterLayout::Gateway : MeterLayout::Plain);
}

namespace detail {
Error tooFewFields(std::size_t line, int count, int needed);
Error badStatus(std::size_t line, std::string_view status);
}  // namespace detail

Expected<std::size_t> rewriteLongForm(std::string_view timestamp, char* out, std::size_t capacity)
{
    // Day "-" month abbreviation "-" year, one blank, then the time with a
    // fraction after "." that is dropped; the other parts keep their text.
    const std::size_t blank = timestamp.find(' ');
    const std::string_view date = timestamp.substr(0, blank);
    std::string_view time = blank == std::string_view::npos ? std::string_view() : timestamp.substr(blank + 1);
    const std::size_t dash1 = date.find('-');
    const std::size_t dash2 = dash1 == std::string_view::npos ? dash1 : date.find('-', dash1 + 1);
    if (dash2 == std::string_view::npos)
        return failure("the timestamp " + detail::quoted(timestamp) +
                       " of a long-form line is not in the form DD-Mon-YYYY HH:MM:SS");
    const std::string_view day = date.substr(0, dash1);
    const std::string_view month = date.substr(dash1 + 1, dash2 - dash1 - 1);
    const std::string_view year = date.substr(dash2 + 1);
    const auto number = monthNumber(month);
    if (!number)
        return failure("the month " + detail::quoted(month) + " in the timestamp " + detail::quoted(timestamp) +
                       " is unknown");
    time = time.substr(0, time.find('.'));
    const std::size_t length =
        year.size() + 1 + 2 + 1 + day.size() + (blank == std::string_view::npos ? 0 : 1 + time.size());
    if (length > capacity) {
        // Too long to be any timestamp: an empty text fails the timestamp test.
        return std::size_t{0};
    }
    char* p = out;
    auto put = [&p](std::string_view piece) {
        std::memcpy(p, piece.data(), piece.size());
        p += piece.size();
    };
    put(year);
    put("/");
    put(*number);
    put("/");
    put(day);
    if (blank != std::string_view::npos) {
        put(" ");
        put(time);
    }
    return static_cast<std::size_t>(p - out);
}

namespace {

// Dates are mostly ten bytes ("05/03/2012"): compared in two loads, not a call.
inline bool sameBytes(const char* a, const char* b, std::size_t length)
{
    if (length == 10) {
        std::uint64_t a8, b8;
        std::uint16_t a2, b2;
        std::memcpy(&a8, a, 8);
        std::memcpy(&b8, b, 8);
        std::memcpy(&a2, a + 8, 2);
        std::memcpy(&b2, b + 8, 2);
        return a8 == b8 && a2 == b2;
    }
    return std::memcmp(a, b, length) == 0;
}

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// parseTimePart with the two forms the loggers write ("14:30", "14:30:07")
// read in place; any other spelling takes the general rule.
inline bool timeOfDay(std::string_view t, CalendarStamp& stamp)
{
    const bool withSeconds = t.size() == 8 && t[5] == ':' && isDigit(t[6]) && isDigit(t[7]) && t[6] <= '5';
    if ((t.size() == 5 || withSeconds) && isDigit(t[0]) && isDigit(t[1]) && t[2] == ':' && isDigit(t[3]) &&
        isDigit(t[4]) && t[3] <= '5') {
        const int h = (t[0] - '0') * 10 + (t[1] - '0');
        if (h > 23)
            return false;
        stamp.hour = h;
        stamp.secondOfDay =
            h * 3600 + ((t[3] - '0') * 10 + (t[4] - '0')) * 60 + (withSeconds ? (t[6] - '0') * 10 + (t[7] - '0') : 0);
        return true;
    }
    return parseTimePart(t, stamp);
}

}  // namespace

LUMIVANE_STEP ReadingFilter::Result ReadingFilter::timestampOf(const LineFields& fields, std::size_t lineNumber,
                                                               std::string_view& timestamp, Error& error)
{
    if (isLongFormLine(fields))
        return longFormTimestamp(fields, lineNumber, timestamp, error);
    if (shape_.hasStatus) {
        const Result status = statusOf(fields.field[0], lineNumber, error);
        if (status != Result::Reading)
            return status;
    }
    // Only readings that are used need their timestamp and value fields.
    if (fields.count < needed_) {
        error = detail::tooFewFields(lineNumber, fields.count, needed_);
        return Result::Error;
    }
    timestamp = fields.field[shape_.timestampField];
    return Result::Reading;
}

ReadingFilter::Result ReadingFilter::longFormTimestamp(const LineFields& fields, std::size_t lineNumber,
                                                       std::string_view& timestamp, Error& error)
{
    // A long-form line: status 0, its timestamp rewritten before any other test.
    if (fields.count < needed_) {
        error = detail::tooFewFields(lineNumber, fields.count, needed_);
        return Result::Error;
    }
    const auto length = rewriteLongForm(fields.field[shape_.timestampField], rewritten_, sizeof rewritten_);
    if (!length) {
        error = failure(length.error().reason, lineNumber);
        return Result::Error;
    }
    timestamp = std::string_view(rewritten_, *length);
    return Result::Reading;
}

LUMIVANE_STEP ReadingFilter::Result ReadingFilter::statusOf(std::string_view status, std::size_t lineNumber,
                                                            Error& error)
{
    // Fast path for the usual "0"; anything else must be a whole number.
    if (status.size() == 1 && status[0] == '0')
        return Result::Reading;
    const auto value = parseWholeNumber(status);
    if (!value) {
        error = detail::badStatus(lineNumber, status);
        return Result::Error;
    }
    return *value == 0 ? Result::Reading : Result::Skip;
}

LUMIVANE_STEP bool ReadingFilter::stampOf(std::string_view timestamp, CalendarStamp& stamp)
{
    std::size_t separator = std::string_view::npos;
    if (sharesLastDate(timestamp)) {
        stamp = lastStamp_;
        if (timestamp.size() > lastDateLength_)
            separator = lastDateLength_;
    } else {
        separator = timeSeparatorOf(timestamp);
        if (!takeNewDate(timestamp.substr(0, separator), stamp))
            return false;
    }
    if (separator == std::string_view::npos)
        return true;
    const std::string_view time = timestamp.substr(separator + 1);
    if (!timeOfDay(lastDateIso_ ? withoutUtcOffset(time) : time, stamp))
        return false;
    stamp.hasTime = true;
    return true;
}

LUMIVANE_STEP bool ReadingFilter::sharesLastDate(std::string_view timestamp) const
{
    // Consecutive readings share their date text. The kept date holds no
    // blank, so a timestamp that starts with it followed by a blank (or a "T"
    // after an ISO date, or that is just that date) has the same date part,
    // and only its time is new.
    const std::size_t known = lastDateLength_;
    return known > 0 && timestamp.size() >= known &&
           (timestamp.size() == known || timestamp[known] == ' ' || (lastDateIso_ && timestamp[known] == 'T')) &&
           sameBytes(timestamp.data(), lastDate_, known);
}

LUMIVANE_STEP bool ReadingFilter::takeNewDate(std::string_view datePart, CalendarStamp& stamp)
{
    if (!parseDatePart(datePart, stamp))
        return false;
    // The stamp may hold the last reading's time: a new date starts at midnight.
    stamp.hour = 0;
    stamp.secondOfDay = 0;
    stamp.hasTime = false;
    stamp.dayNumber = daysFromCivil(stamp.year, stamp.month, stamp.day);
    lastInScope_ = scope_.containsDay(stamp.dayNumber);
    lastStamp_ = stamp;
    lastDateIso_ = isIsoDate(datePart);
    lastDateLength_ = datePart.size() <= sizeof lastDate_ ? datePart.size() : 0;
    if (lastDateLength_ > 0)
        std::memcpy(lastDate_, datePart.data(), lastDateLength_);
    fixedReady_ = fixedShape_ && lastDateLength_ == 10 && lastInScope_ && !lastDateIso_;
    if (fixedReady_) {
        std::memcpy(fixedHead_, "0,", 2);
        std::memcpy(fixedHead_ + 2, lastDate_, 10);
        std::memcpy(fixedHead_ + 12, " \0\0:", 4);
    }
    return true;
}

LUMIVANE_STEP bool ReadingFilter::completeBareDate(std::string_view& timestamp)
{
    // A bare date reads as midnight of that day.
    if (timestamp.size() + 6 > sizeof completed_)
        return false;
    std::memcpy(completed_, timestamp.data(), timestamp.size());
    std::memcpy(completed_ + timestamp.size(), " 00:00", 6);
    timestamp = std::string_view(completed_, timestamp.size() + 6);
    return true;
}

ReadingFilter::Result ReadingFilter::skipNoDate(std::size_t lineNumber, std::string_view timestamp)
{
    skip_ = SkipReason::NoDate;
    noteNoDate(lineNumber, timestamp);
    return Result::Skip;
}

void ReadingFilter::noteNoDate(std::size_t lineNumber, std::string_view timestamp)
{
    if (noDate_.count++ == 0) {
        noDate_.firstLine = lineNumber;
        noDate_.firstText = detail::quoted(timestamp);
    }
}

ReadingFilter::Result ReadingFilter::take(const LineFields& fields, std::size_t lineNumber, MeterReading& reading,
                                          Error& error)
{
    std::string_view timestamp;
    const Result found = timestampOf(fields, lineNumber, timestamp, error);
    if (found != Result::Reading) {
        skip_ = SkipReason::Status;
        return found;
    }
    // The stamp is made in place: a copy per line costs more than the rest of the test.
    CalendarStamp& stamp = reading.stamp;
    if (!stampOf(timestamp, stamp))
        return skipNoDate(lineNumber, timestamp);
    if (!lastInScope_) {
        skip_ = SkipReason::Scope;
        return Result::Skip;
    }
    if (!stamp.hasTime && !completeBareDate(timestamp))
        return skipNoDate(lineNumber, timestamp);
    reading.timestampText = timestamp;
    reading.valueText = fields.field[shape_.valueField];
    reading.valuePlain = false;
    reading.lineNumber = lineNumber;
    return Result::Reading;
}

namespace detail {

std::string quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    out.append(text.substr(0, kShown));
    if (text.size() > kShown)
        out.append("...");
    out.push_back('"');
    return out;
}

Error tooFewFields(std::size_t line, int count, int needed)
{
    return failure("the line has " + std::to_string(count) + " fields, but its timestamp and value need " +
                       std::to_string(needed),
                   line);
}

Error badStatus(std::size_t line, std::string_view status)
{
    return failure("the status " + quoted(status) + " is not a whole number", line);
}

}  // namespace detail
}  // namespace lumivane
