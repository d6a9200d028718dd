#pragma once
// The blocks one file adds to a run, as the window and lumivane-calc both ask
// for them, so the two show the same text for the same choice.
#include <string>
#include <vector>

#include "core/tariff/calculation_run.h"

namespace lumivane {

// Every calendar month of the file as its own block when `eachMonth` is set
// (no bars are drawn then), otherwise the file as one block with its bars
// going to `bars` when it is not null.
std::vector<FileOutcome> calculateFileBlocks(CalculationRun& run, const std::string& path, const DateScope& scope,
                                             bool eachMonth, BarSink* bars);

}  // namespace lumivane
