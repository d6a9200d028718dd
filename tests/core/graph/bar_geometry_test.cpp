#include "core/graph/bar_geometry.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/graph/recording_bar_sink.h"

using namespace lumivane;
using lumivane::test::RecordedBar;
using lumivane::test::RecordingBarSink;

// Day bars grow up from the axis at 53 in the index colour, night bars down
// from 55 in the next one; day and night share the slot and both move on.
TEST(BarGeometry, BarsGrowFromTheirAxisInTheirColourAndTakeTheNextSlot)
{
    const GraphPalette palette = defaultGraphPalette();
    const struct {
        bool night;
        double scale, width, slotX;
        int colourIndex;
        double value;
        RecordedBar bar;
    } cases[] = {
        {false, 53.0 / 4, 2, 10, 2, 4, {58, 53, 60, 0, palette[2]}},
        {true, 53.0 / 4, 1, 0, 4, 4, {48, 55, 49, 108, palette[5]}},
        {false, 10, 1, 0, 0, -1, {48, 53, 49, 63, palette[0]}},  // a negative day step reaches below the axis
        {true, 1, 1, 0, 9, 1, {48, 55, 49, 56, 0u}},             // outside the palette: black
    };
    for (const auto& c : cases) {
        GraphState graph;
        graph.graphScale = c.scale;
        graph.graphBarWidth = c.width;
        graph.graphDayX = graph.graphNightX = c.slotX;
        graph.graphColourIndex = c.colourIndex;
        RecordingBarSink sink;
        (c.night ? drawNightBar : drawDayBar)(graph, palette, sink, c.value);
        ASSERT_EQ(sink.bars.size(), 1u);
        const RecordedBar& bar = sink.bars[0];
        EXPECT_EQ(std::tuple(bar.x1, bar.y1, bar.x2, bar.y2, bar.colour),
                  std::tuple(c.bar.x1, c.bar.y1, c.bar.x2, c.bar.y2, c.bar.colour))
            << c.colourIndex;
        EXPECT_EQ(std::pair(graph.graphDayX, graph.graphNightX), std::pair(c.slotX + c.width, c.slotX + c.width));
    }
}
