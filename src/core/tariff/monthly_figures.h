#pragma once
// Every calendar month of a meter log booked as its own figures, for runs
// that bill a long log month by month.
#include <string>
#include <string_view>
#include <vector>

#include "core/tariff/tariff_engine.h"

namespace lumivane {

struct MonthFigures {
    int year = 0;
    int month = 0;
    FileFigures figures;  // fromText and toText are the month's first and last readings
};

// "2012-03".
std::string monthKeyText(int year, int month);

// Walks the readings in scope like the engine, but books every month: a step
// goes to the month and day of its later reading, also across a month's end,
// so the months add up to the whole log. The readings follow the engine's
// RegisterRules: only the first reading in scope is a baseline (or, with
// JoinPeriods, the last one before the scope), and one after a no-reading value.
// The months in calendar order, only those with readings in scope; when every
// reading was passed over (values that are no number), one entry of year 0 with their notes.
Expected<std::vector<MonthFigures>> calculateMeterLogByMonth(std::string_view bytes, std::string_view path,
                                                             const ScopeRule& scope, const SettingsRecord& settings);

}  // namespace lumivane
