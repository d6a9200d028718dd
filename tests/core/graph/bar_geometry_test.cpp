#include "core/graph/bar_geometry.h"

#include <gtest/gtest.h>

#include "core/graph/recording_bar_sink.h"

using namespace lumivane;
using lumivane::test::RecordedBar;
using lumivane::test::RecordingBarSink;

// Day bars grow up from the axis at 53 in the index colour, night bars down
// from 55 in the next one; each bar takes the next slot after the 48-pixel margin.
TEST(BarGeometry, BarsGrowFromTheirAxisInTheirColourAndTakeTheNextSlot)
{
    const GraphPalette palette = defaultGraphPalette();
    const struct {
        const char* name;
        bool night;
        double scale, width, slotX;
        int colourIndex;
        double value;
        RecordedBar bar;
    } cases[] = {
        {"day", false, 53.0 / 4, 2, 10, 2, 4, {58, 53, 60, 0, palette[2]}},
        {"night", true, 53.0 / 4, 1, 0, 4, 4, {48, 55, 49, 108, palette[5]}},
        {"negative day step reaches below the axis", false, 10, 1, 0, 0, -1, {48, 53, 49, 63, palette[0]}},
        {"night at index nine takes the black entry", true, 1, 1, 0, 9, 1, {48, 55, 49, 56, 0u}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphState graph;
        graph.graphScale = c.scale;
        graph.graphBarWidth = c.width;
        graph.graphDayX = graph.graphNightX = c.slotX;
        graph.graphColourIndex = c.colourIndex;
        RecordingBarSink sink;
        (c.night ? drawNightBar : drawDayBar)(graph, palette, sink, c.value);
        ASSERT_EQ(sink.bars.size(), 1u);
        EXPECT_FLOAT_EQ(sink.bars[0].x1, c.bar.x1);
        EXPECT_FLOAT_EQ(sink.bars[0].y1, c.bar.y1);
        EXPECT_FLOAT_EQ(sink.bars[0].x2, c.bar.x2);
        EXPECT_FLOAT_EQ(sink.bars[0].y2, c.bar.y2);
        EXPECT_EQ(sink.bars[0].colour, c.bar.colour);
        // Day and night share the slot: both move on by one bar width.
        EXPECT_EQ(graph.graphDayX, c.slotX + c.width);
        EXPECT_EQ(graph.graphNightX, c.slotX + c.width);
    }
}

TEST(BarGeometry, AnIndexOutsideThePaletteDrawsBlack)
{
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), 11), 0u);
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), -1), 0u);
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), 0), rgb(0, 0, 255));
}
