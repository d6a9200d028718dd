#pragma once
// Reading a meter log into readings: the file read whole, its lines,
// the three layouts, the status field, the long form, the timestamp test and
// the scope test. The walk works on the bytes in place and allocates nothing
// per line; the pre-scan and the tariff engine run it over the same buffer.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/file_buffer.h"
#include "core/meterdata/line_splitter.h"
#include "core/meterdata/meter_value.h"
#include "core/text/expected.h"

namespace lumivane {

// "01".."12" for "Jan".."Dec" (exact case); nullopt for anything else.
std::optional<std::string_view> monthNumber(std::string_view abbreviation);

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
// "Gateway SN"; a first line without "," cannot be read (line 1 and why).
Expected<LayoutShape> engineLayoutOf(std::string_view path, std::string_view firstLine);

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
// (at least 64 bytes); the length written, or why the timestamp is not in that form.
Expected<std::size_t> rewriteLongForm(std::string_view timestamp, char* out, std::size_t capacity);

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
    // Why the last line was skipped.
    enum class SkipReason { None, Status, NoDate, Scope };

    // Sorts one data line (already split, at least two fields). A Reading's
    // texts stay valid until the next call.
    Result take(const LineFields& fields, std::size_t lineNumber, MeterReading& reading, Error& error);

    // The reason of the last Skip.
    SkipReason lastSkip() const { return skip_; }

    // Lines skipped so far because their timestamp is no date, with the first of them.
    struct NoDateLines {
        std::size_t count = 0;
        std::size_t firstLine = 0;
        std::string firstText;
    };
    const NoDateLines& noDateLines() const { return noDate_; }

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
    // Long-form rewrites and bare dates completed with " 00:00" live here for one reading.
    char rewritten_[80];
    char completed_[96];
    char lastDate_[16];
    std::size_t lastDateLength_ = 0;
    CalendarStamp lastStamp_;
    bool lastInScope_ = false;
    SkipReason skip_ = SkipReason::None;
    NoDateLines noDate_;
};

// Walks the data lines in file order and calls onReading(const MeterReading&)
// for each reading in scope; onReading returns an Expected<void> whose error
// stops the walk. `longForm` allows the long-form lines of the engine.
template <class OnReading>
Expected<void> walkMeterReadings(std::string_view bytes, ReadingFilter& filter, OnReading&& onReading)
{
    const LayoutShape& shape = filter.shape();
    FieldCursor lines(bytes, shape.separator);
    LineFields fields;
    std::size_t lineNumber = 0;
    MeterReading reading;
    Error error;
    while (lines.next(fields)) {
        ++lineNumber;
        if (lineNumber <= shape.headerLines)
            continue;
        if (fields.count < 2)
            continue;
        switch (filter.take(fields, lineNumber, reading, error)) {
        case ReadingFilter::Result::Skip: break;
        case ReadingFilter::Result::Error: return error;
        case ReadingFilter::Result::Reading:
            if (auto stop = onReading(static_cast<const MeterReading&>(reading)); !stop)
                return stop;
            break;
        }
    }
    return {};
}

// The same with a filter of its own.
template <class OnReading>
Expected<void> walkMeterReadings(std::string_view bytes, const LayoutShape& shape, bool longForm,
                                 const ScopeRule& scope, OnReading&& onReading)
{
    ReadingFilter filter(shape, longForm, scope);
    return walkMeterReadings(bytes, filter, std::forward<OnReading>(onReading));
}

namespace detail {
std::string quoted(std::string_view text);
}  // namespace detail

}  // namespace lumivane
