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
#include "core/meterdata/line_walk.h"
#include "core/meterdata/meter_value.h"
#include "core/meterdata/month_runs.h"
#include "core/meterdata/parallel_readings.h"
#include "core/meterdata/reading_filter.h"
#include "core/text/expected.h"

namespace lumivane {

// "01".."12" for "Jan".."Dec" (exact case); nullopt for anything else.
std::optional<std::string_view> monthNumber(std::string_view abbreviation);

LayoutShape shapeOf(MeterLayout layout);

// The engine's layout test: ".IRIO" in the path, else field 1 of line 1 being
// "Gateway SN"; a first line without "," cannot be read (line 1 and why).
Expected<LayoutShape> engineLayoutOf(std::string_view path, std::string_view firstLine);

// The pre-scan's layout test: "Gateway Name" in field 0 of line 1, else plain.
LayoutShape scanLayoutOf(std::string_view firstLine);

// The first line of the bytes.
std::string_view firstLineOf(std::string_view bytes);

// Rewrites "05-Mar-2012 14:30:07.250" as "2012/03/05 14:30:07" into `out`
// (at least 64 bytes); the length written, or why the timestamp is not in that form.
Expected<std::size_t> rewriteLongForm(std::string_view timestamp, char* out, std::size_t capacity);

// Walks the data lines in file order and calls onReading(const MeterReading&)
// for each reading in scope; onReading returns an Expected<void> whose error
// stops the walk. `longForm` allows the long-form lines of the engine.
// Large files are read in parts on every processor (ParallelPlan::fromEnvironment);
// the readings, skips and errors are the same.
template <class OnReading>
Expected<void> walkMeterReadings(std::string_view bytes, ReadingFilter& filter, OnReading&& onReading)
{
    // A booking that takes a month's readings whole has the lines of other
    // months read ahead on the other processors.
    if constexpr (TakesMonthRuns<OnReading>) {
        if (const ParallelPlan plan = ParallelPlan::forMonthRuns(); plan.splits(bytes.size()))
            return walkWithMonthRuns(bytes, filter, plan, onReading);
    }
    if (const ParallelPlan plan = ParallelPlan::fromEnvironment(); plan.splits(bytes.size()))
        return walkParsedReadings(bytes, filter, plan, onReading);
    FieldCursor lines(bytes, filter.shape().separator);
    std::size_t lineNumber = 0;
    auto walked = walkLinesUpTo(lines, lineNumber, bytes.size(), filter, onReading);
    if (walked)
        filter.noteBareLineFeeds(lines.bareLineFeeds());
    return walked;
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
