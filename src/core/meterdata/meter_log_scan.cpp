#include "core/meterdata/meter_log_scan.h"

#include "core/text/number_text.h"

namespace lumivane {

void beginFileWalk(GraphState& graph, ReadingMemory& memory)
{
    graph.graphDayX = 0;
    graph.graphNightX = 0;
    memory.previousReading = kNoBaselineMarker;
    graph.graphColourIndex = static_cast<std::int16_t>(graph.graphColourIndex + 1);
    if (graph.graphColourIndex > 9)
        graph.graphColourIndex = 0;
}

Expected<void> PreScanSteps::takeValue(std::optional<double> value, std::size_t lineNumber)
{
    if (!value)
        return failure({}, lineNumber);
    if (memory_.previousReading == kNoBaselineMarker) {
        memory_.previousReading = *value;
        memory_.currentReading = *value;
        memory_.lastStep = 0;
    } else {
        takeStep(*value);
    }
    return {};
}

void PreScanSteps::finish(GraphState& graph) const
{
    graph.graphScale = 53.0 / largestStep_;
    graph.graphBarWidth = steps_ == 0 ? 0.0 : 474.0 / static_cast<double>(steps_);
}

bool scanMeterLog(std::string_view bytes, const ScopeRule* scope, GraphState& graph, ReadingMemory& memory)
{
    beginFileWalk(graph, memory);
    if (!scope)
        return false;
    // The pre-scan's own narrower rules: comma-separated plain and gateway
    // layouts only (a tab-separated file has no readings here), no long form.
    PreScanSteps steps(memory);
    if (!walkMeterReadings(bytes, scanLayoutOf(firstLineOf(bytes)), false, *scope, steps))
        return false;
    steps.finish(graph);
    return true;
}

bool scanMeterLog(const std::string& path, const DateScope& scope, GraphState& graph, ReadingMemory& memory)
{
    FileBuffer buffer;
    const auto rule = scopeRuleOf(scope);
    const auto bytes = buffer.load(path);
    if (!bytes) {
        beginFileWalk(graph, memory);
        return false;
    }
    return scanMeterLog(*bytes, rule ? &*rule : nullptr, graph, memory);
}

}  // namespace lumivane
