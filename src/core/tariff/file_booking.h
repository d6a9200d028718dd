#pragma once
// One meter log booked from its bytes alone: its ledger, notes and booked steps.
// Nothing here touches the run's totals, graph, names or files, so files can be
// booked in any order (or at once) and applied to the run in file order.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/meterdata/date_scope.h"
#include "core/settings/settings_record.h"
#include "core/tariff/monthly_figures.h"
#include "core/tariff/tariff_engine.h"

namespace lumivane {

struct FileBooking {
    // The booked month's ledger with the file's notes, or why there is none.
    Expected<FileFigures> figures = failure("not booked");
    // The booked steps, kept only when asked for (to draw them as bars).
    std::vector<BookedStep> steps;
    // The graph's scale and bar width the file sets; none when its pre-scan
    // stopped early and no steps were kept, which leaves the earlier file's.
    std::optional<std::pair<double, double>> scale;
};

// Pre-scan and engine over a file's bytes (path for the layout test) under the
// scope and the settings; a pure function of its arguments. Without
// `scaleGraph` (and steps not kept) the pre-scan, whose only product is the
// graph's scale, is left out: the figures and notes are the same.
FileBooking bookMeterLogFile(std::string_view bytes, std::string_view path, const DateScope& scope,
                             const SettingsRecord& settings, bool keepSteps, bool scaleGraph = true);

// Every month of the file with its notes. A file with no reading in scope
// gives one entry of year 0 holding the note why nothing was booked.
Expected<std::vector<MonthFigures>> bookMeterLogFileByMonth(std::string_view bytes, std::string_view path,
                                                            const DateScope& scope, const SettingsRecord& settings);

// Why kWh and their costs are no money: "readings too large to add up" or
// "the price is too large"; none when all of them are finite.
std::optional<std::string> nonFiniteCause(double dayUnits, double nightUnits, const SettingsRecord& settings);

}  // namespace lumivane
