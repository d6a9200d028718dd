#pragma once
// The pre-scan of a meter log: sets the kWh graph's scale and bar width.
#include <string>
#include <string_view>

#include "core/graph/graph_state.h"
#include "core/meterdata/date_scope.h"
#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/meterdata/reading_memory.h"

namespace lumivane {

// What every walk of a file does first (pre-scan and engine alike): bar
// positions to 0, the reading memory to the marker, the colour index on by one.
void beginFileWalk(GraphState& graph, ReadingMemory& memory);

// The pre-scan's part of each reading in scope: the baseline, the steps and
// the largest step; the tariff engine can run it in the same walk.
class PreScanSteps {
public:
    explicit PreScanSteps(ReadingMemory& memory) : memory_(memory) {}
    // Takes one reading; an error (a value that is no number) ends the pre-scan,
    // which then leaves the graph's scale, although the booking skips that reading and goes on.
    Expected<void> operator()(const MeterReading& reading)
    {
        return takeValue(meterValueOf(reading), reading.lineNumber);
    }
    // The same with the reading's value already converted.
    Expected<void> takeValue(std::optional<double> value, std::size_t lineNumber);
    // After a baseline, a value that is a number, as takeValue takes it.
    bool hasBaseline() const { return memory_.previousReading != kNoBaselineMarker; }
    void takeStep(double value)
    {
        memory_.currentReading = value;
        memory_.lastStep = value - memory_.previousReading;
        memory_.previousReading = value;
        ++steps_;
        if (memory_.lastStep > largestStep_)
            largestStep_ = memory_.lastStep;
    }
    // Scale and bar width from the steps taken.
    void finish(GraphState& graph) const;

private:
    ReadingMemory& memory_;
    double largestStep_ = 1.0;  // never below 1
    long long steps_ = 0;
};

// The pre-scan over a file's bytes already read: graphScale = 53 / largest step
// (at least 1), graphBarWidth = 474 / steps (0 without steps). Stops at the
// first line it cannot read and then leaves scale and width as they were;
// returns false in that case. A null scope means the scope cannot be read.
bool scanMeterLog(std::string_view bytes, const ScopeRule* scope, GraphState& graph, ReadingMemory& memory);

// The same, reading the file at `path` whole first.
bool scanMeterLog(const std::string& path, const DateScope& scope, GraphState& graph, ReadingMemory& memory);

}  // namespace lumivane
