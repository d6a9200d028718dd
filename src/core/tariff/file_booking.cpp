#include "core/tariff/file_booking.h"

#include <cmath>

#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/data_notes.h"
#include "core/text/display_text.h"

namespace lumivane {
namespace {

// A file saved as UTF-16 reads as bytes with a NUL in every other one: saying
// so is more help than the first line it fails on.
Error withEncodingHint(Error error, std::string_view bytes)
{
    if (looksLikeUtf16(bytes))
        error.reason += " (the file looks like UTF-16 text; save it as 8-bit text)";
    return error;
}

std::optional<Error> notMoney(const FileFigures& f, const SettingsRecord& s)
{
    if (const auto cause = nonFiniteCause(f.dayTotal, f.nightTotal, s))
        return failure("the totals or costs are not finite numbers (" + *cause + ")");
    return std::nullopt;
}

// Draws nothing: the steps are kept and drawn once the run applies the file.
class NoBars : public BarSink {
public:
    void maskRectangle(float, float, float, float, Colour) override {}
};

// No pre-scan or step sets a scale this low (it is 53 over a step of at least 1).
constexpr double kUnsetScale = -1;

}  // namespace

std::optional<std::string> nonFiniteCause(double day, double night, const SettingsRecord& s)
{
    // Readings near the largest double step to infinities and NaN: such figures
    // are no money, and would turn the grand totals and the menu into nonsense.
    if (!std::isfinite(day) || !std::isfinite(night) || !std::isfinite(day + night))
        return "readings too large to add up";
    if (!std::isfinite(day * s.settingsDayCost) || !std::isfinite(night * s.settingsNightCost) ||
        !std::isfinite(day * s.settingsDayCost + night * s.settingsNightCost))
        return "the price is too large";
    return std::nullopt;
}

FileBooking bookMeterLogFile(std::string_view bytes, std::string_view path, const DateScope& scope,
                             const SettingsRecord& settings, bool keepSteps, bool scaleGraph)
{
    FileBooking booking;
    const auto rule = scopeRuleOf(scope);
    if (!rule) {
        booking.figures = rule.error();
        return booking;
    }
    GraphState graph;
    graph.graphScale = kUnsetScale;
    ReadingMemory memory;
    NoBars none;
    EngineOutcome engine =
        scaleGraph || keepSteps
            ? scanAndCalculateMeterLog(bytes, path, *rule, settings, memory, graph, defaultGraphPalette(),
                                       keepSteps ? &none : nullptr, &booking.steps)
            : calculateMeterLog(bytes, path, *rule, settings, memory, graph, defaultGraphPalette(), nullptr);
    if (graph.graphScale != kUnsetScale)
        booking.scale = std::pair{graph.graphScale, graph.graphBarWidth};
    if (!keepSteps)
        booking.steps.clear();
    if (!engine) {
        booking.figures = withEncodingHint(engine.error(), bytes);
        return booking;
    }
    if (const auto overflow = notMoney(*engine, settings)) {
        booking.figures = *overflow;
        return booking;
    }
    if (engine->bookedSteps == 0)
        if (const auto shape = engineShapeOf(bytes, path))
            addNothingBookedNote(engine->notes, bytes, *shape, scope);
    booking.figures = std::move(*engine);
    return booking;
}

Expected<std::vector<MonthFigures>> bookMeterLogFileByMonth(std::string_view bytes, std::string_view path,
                                                            const DateScope& scope, const SettingsRecord& settings)
{
    const auto rule = scopeRuleOf(scope);
    if (!rule)
        return rule.error();
    auto months = calculateMeterLogByMonth(bytes, path, *rule, settings);
    if (!months)
        return withEncodingHint(months.error(), bytes);
    for (const MonthFigures& month : *months)
        if (const auto overflow = notMoney(month.figures, settings))
            return *overflow;
    if (months->empty() || months->front().year == 0) {
        // A file with no month still has its block, and the note why nothing was booked.
        if (months->empty())
            months->emplace_back();
        if (const auto shape = engineShapeOf(bytes, path))
            addNothingBookedNote(months->front().figures.notes, bytes, *shape, scope);
    }
    return months;
}

}  // namespace lumivane
