#include "core/graph/bar_geometry.h"

namespace lumivane {

Colour graphPaletteEntry(const GraphPalette& palette, int index)
{
    // The index is a plain 16-bit field of the window's state; a value outside
    // the table draws black, like the table's own entry 10, instead of reading past it.
    if (index < 0 || index >= static_cast<int>(palette.size()))
        return 0;
    return palette[static_cast<std::size_t>(index)];
}

void drawDayBar(GraphState& graph, const GraphPalette& palette, BarSink& sink, double value)
{
    const double left = kGraphLeftMargin + graph.graphDayX;
    sink.maskRectangle(static_cast<float>(left), static_cast<float>(kGraphDayAxisY),
                       static_cast<float>(left + graph.graphBarWidth),
                       static_cast<float>(kGraphDayAxisY - graph.graphScale * value),
                       graphPaletteEntry(palette, graph.graphColourIndex));
    // Every step takes the next slot above and below the axis alike.
    graph.graphDayX += graph.graphBarWidth;
    graph.graphNightX += graph.graphBarWidth;
}

void drawNightBar(GraphState& graph, const GraphPalette& palette, BarSink& sink, double value)
{
    const double left = kGraphLeftMargin + graph.graphNightX;
    sink.maskRectangle(static_cast<float>(left), static_cast<float>(kGraphNightAxisY),
                       static_cast<float>(left + graph.graphBarWidth),
                       static_cast<float>(kGraphNightAxisY + graph.graphScale * value),
                       graphPaletteEntry(palette, graph.graphColourIndex + 1));
    graph.graphDayX += graph.graphBarWidth;
    graph.graphNightX += graph.graphBarWidth;
}

}  // namespace lumivane
