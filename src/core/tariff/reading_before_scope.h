#pragma once
// The baseline of a scope that joins the period before it: the last reading
// dated before the scope's first day, so that consecutive scopes add up to
// the whole log instead of each losing the step into it.
#include <optional>
#include <string>
#include <string_view>

#include "core/meterdata/meter_log_reader.h"
#include "core/settings/settings_record.h"

namespace lumivane {

struct ReadingBeforeScope {
    double value = 0;
    std::string timestampText;
    CalendarStamp stamp;
};

// With JoinPeriods 1 and a scope switched on: the last reading in file order
// dated before the scope's start that passes the engine's tests and has a
// readable value; none after a no-reading value, and none otherwise.
std::optional<ReadingBeforeScope> readingBeforeScope(std::string_view bytes, const LayoutShape& shape,
                                                     const ScopeRule& scope, const SettingsRecord& settings);

}  // namespace lumivane
