#pragma once
// The kWh graph's bars as rectangles; the surface is the caller's BarSink.
#include "core/graph/graph_state.h"

namespace lumivane {

// Left margin of the bar slots and the two axis lines, in pixels.
inline constexpr double kGraphLeftMargin = 48;
inline constexpr double kGraphDayAxisY = 53;
inline constexpr double kGraphNightAxisY = 55;

// The palette entry for an index; black (0) outside the table.
Colour graphPaletteEntry(const GraphPalette& palette, int index);

// A day bar from (48 + dayX, 53) to (48 + dayX + width, 53 - scale x value) in
// palette[graphColourIndex]; then both slot positions move on by the bar width.
void drawDayBar(GraphState& graph, const GraphPalette& palette, BarSink& sink, double value);

// A night bar from (48 + nightX, 55) to (48 + nightX + width, 55 + scale x value)
// in palette[graphColourIndex + 1]; then both slot positions move on by the bar width.
void drawNightBar(GraphState& graph, const GraphPalette& palette, BarSink& sink, double value);

}  // namespace lumivane
