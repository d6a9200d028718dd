#include "graph/bar_geometry.h"

#include <gtest/gtest.h>

#include "graph/recording_bar_sink.h"

using namespace lumivane;
using lumivane::test::RecordingBarSink;

TEST(BarGeometry, DayBarGrowsUpFromTheDayAxisInTheIndexColour)
{
    GraphState graph;
    graph.graphScale = 53.0 / 4;
    graph.graphBarWidth = 2;
    graph.graphDayX = 10;
    graph.graphNightX = 10;
    graph.graphColourIndex = 2;
    const GraphPalette palette = defaultGraphPalette();
    RecordingBarSink sink;
    drawDayBar(graph, palette, sink, 4);
    ASSERT_EQ(sink.bars.size(), 1u);
    EXPECT_FLOAT_EQ(sink.bars[0].x1, 58);
    EXPECT_FLOAT_EQ(sink.bars[0].y1, 53);
    EXPECT_FLOAT_EQ(sink.bars[0].x2, 60);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);
    EXPECT_EQ(sink.bars[0].colour, palette[2]);
    EXPECT_EQ(graph.graphDayX, 12);
    EXPECT_EQ(graph.graphNightX, 12);
}

TEST(BarGeometry, NightBarGrowsDownFromTheNightAxisInTheNextColour)
{
    GraphState graph;
    graph.graphScale = 53.0 / 4;
    graph.graphBarWidth = 1;
    graph.graphColourIndex = 4;
    const GraphPalette palette = defaultGraphPalette();
    RecordingBarSink sink;
    drawNightBar(graph, palette, sink, 4);
    ASSERT_EQ(sink.bars.size(), 1u);
    EXPECT_FLOAT_EQ(sink.bars[0].x1, 48);
    EXPECT_FLOAT_EQ(sink.bars[0].y1, 55);
    EXPECT_FLOAT_EQ(sink.bars[0].x2, 49);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 108);
    EXPECT_EQ(sink.bars[0].colour, palette[5]);
    EXPECT_EQ(graph.graphDayX, 1);
    EXPECT_EQ(graph.graphNightX, 1);
}

TEST(BarGeometry, NegativeDayStepReachesBelowTheAxis)
{
    GraphState graph;
    graph.graphScale = 10;
    graph.graphBarWidth = 1;
    RecordingBarSink sink;
    drawDayBar(graph, defaultGraphPalette(), sink, -1);
    ASSERT_EQ(sink.bars.size(), 1u);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 63);
}

TEST(BarGeometry, NightBarAtIndexNineTakesTheBlackEntry)
{
    GraphState graph;
    graph.graphScale = 1;
    graph.graphBarWidth = 1;
    graph.graphColourIndex = 9;
    GraphPalette palette = defaultGraphPalette();
    RecordingBarSink sink;
    drawNightBar(graph, palette, sink, 1);
    drawDayBar(graph, palette, sink, 1);
    ASSERT_EQ(sink.bars.size(), 2u);
    EXPECT_EQ(sink.bars[0].colour, 0u);
    EXPECT_EQ(sink.bars[1].colour, palette[9]);
    // Every step takes the next slot, day or night.
    EXPECT_FLOAT_EQ(sink.bars[1].x1, 49);
}

TEST(BarGeometry, AnIndexOutsideThePaletteDrawsBlack)
{
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), 11), 0u);
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), -1), 0u);
    EXPECT_EQ(graphPaletteEntry(defaultGraphPalette(), 0), rgb(0, 0, 255));
}
