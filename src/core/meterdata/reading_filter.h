#pragma once
// The tests a data line of a meter log goes through before it is a reading:
// the layout's fields, the status, the long form, the timestamp and the scope.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/line_splitter.h"
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
};

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

}  // namespace lumivane
