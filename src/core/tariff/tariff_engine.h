#pragma once
// The tariff engine: one meter log's readings booked as day and
// night energy per day of the month, and its five-line results text.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/graph/graph_state.h"
#include "core/reports/file_figures.h"
#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/meterdata/reading_memory.h"
#include "core/settings/settings_record.h"
#include "core/text/file_label.h"

namespace lumivane {

// A file's figures, or why it cannot be read or calculated.
using EngineOutcome = Expected<FileFigures>;

// The engine's layout of a file's bytes; nullopt, with the reason in `error`,
// for an empty file or one whose layout the engine cannot read.
Expected<LayoutShape> engineShapeOf(std::string_view bytes, std::string_view path);

// Walks the readings of a file's bytes (path for the layout test) and books
// every step; draws each booked step's bar, unmultiplied, when `bars` is given.
// Starts with beginFileWalk. Adds nothing to any total of the run.
EngineOutcome calculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                const GraphPalette& palette, BarSink* bars);

// One booked step as a bar needs it: the unmultiplied value and its side of the axis.
struct BookedStep {
    double value;
    bool night;
};

// Draws the steps as bars, in order, with the graph's scale and colours.
void drawBookedSteps(const std::vector<BookedStep>& steps, GraphState& graph, const GraphPalette& palette,
                     BarSink& bars);

// The pre-scan and the engine of one file in a single walk; graph state,
// reading memory, figures and the bars given to `bars` end as after
// scanMeterLog followed by calculateMeterLog. Bars need the pre-scan's scale,
// known only at the end of the walk, so the booked steps are kept in `booked`
// (cleared first; reusing it across files saves allocations) and drawn then.
EngineOutcome scanAndCalculateMeterLog(std::string_view bytes, std::string_view path, const ScopeRule& scope,
                                       const SettingsRecord& settings, ReadingMemory& memory, GraphState& graph,
                                       const GraphPalette& palette, BarSink* bars = nullptr,
                                       std::vector<BookedStep>* booked = nullptr);

// The five lines "<label> results...", "From ... to ...", day, night and total, each ending CR LF.
std::string resultsText(std::string_view label, const FileFigures& figures, const SettingsRecord& settings);

}  // namespace lumivane
