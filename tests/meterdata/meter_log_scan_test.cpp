#include "meterdata/meter_log_scan.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

using namespace lumivane;

namespace {

std::string plainLog(int steps, double stepSize = 1.0)
{
    std::string text = "S,T,V\r\n";
    double value = 100;
    for (int i = 0; i <= steps; ++i) {
        const int minutes = i % 1440;
        char line[64];
        std::snprintf(line, sizeof line, "0,%02d/03/2012 %02d:%02d,%g\r\n", 1 + i / 1440, minutes / 60, minutes % 60,
                      value);
        text += line;
        value += stepSize;
    }
    return text;
}

}  // namespace

TEST(PreScan, TabFileWithoutCommasHasNoStepsScale53Width0)
{
    GraphState graph;
    graph.graphScale = 7;
    graph.graphBarWidth = 7;
    ReadingMemory memory;
    const ScopeRule all;
    const std::string tabFile = "Logger\tIRIO\r\nx\r\nx\r\nx\r\nx\r\nx\r\nx\r\nT\tV\r\n05/03/2012 06:00\t50\r\n05/03/2012 07:00\t51\r\n";
    EXPECT_TRUE(scanMeterLog(tabFile, &all, graph, memory));
    EXPECT_EQ(graph.graphScale, 53.0);
    EXPECT_EQ(graph.graphBarWidth, 0.0);
}

TEST(PreScan, FourHundredSeventyFourStepsGiveOnePixelSlots)
{
    GraphState graph;
    ReadingMemory memory;
    const ScopeRule all;
    EXPECT_TRUE(scanMeterLog(plainLog(474), &all, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphBarWidth, 1.0);
    EXPECT_DOUBLE_EQ(graph.graphScale, 53.0);  // every step 1: the largest stays 1
    EXPECT_TRUE(scanMeterLog(plainLog(948), &all, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphBarWidth, 0.5);
}

TEST(PreScan, ScaleFollowsTheLargestStepAndNeverExceeds53)
{
    GraphState graph;
    ReadingMemory memory;
    const ScopeRule all;
    EXPECT_TRUE(scanMeterLog("S,T,V\r\n0,01/03/2012 00:00,10\r\n0,01/03/2012 01:00,12\r\n"
                             "0,01/03/2012 02:00,22.6\r\n0,01/03/2012 03:00,20\r\n",
                             &all, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphScale, 53.0 / 10.6);
    EXPECT_DOUBLE_EQ(graph.graphBarWidth, 474.0 / 3);

    EXPECT_TRUE(scanMeterLog(plainLog(10, 0.25), &all, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphScale, 53.0);
}

TEST(PreScan, StopsAtAnUnreadableLineLeavingScaleAndWidth)
{
    GraphState graph;
    graph.graphScale = 4;
    graph.graphBarWidth = 9;
    graph.graphDayX = 30;
    graph.graphColourIndex = 9;
    ReadingMemory memory;
    const ScopeRule all;
    EXPECT_FALSE(scanMeterLog("S,T,V\r\n0,01/03/2012 00:00,10\r\n0,01/03/2012 01:00,abc\r\n", &all, graph, memory));
    EXPECT_EQ(graph.graphScale, 4.0);
    EXPECT_EQ(graph.graphBarWidth, 9.0);
    // The walk began all the same: slots back to 0, the colour moved on past 9 to 0.
    EXPECT_EQ(graph.graphDayX, 0.0);
    EXPECT_EQ(graph.graphColourIndex, 0);

    // No long form here: a long field 0 is a status that is no whole number.
    EXPECT_FALSE(scanMeterLog("S,T,V\r\nMeter-0001,05-Mar-2012 14:30:07.250,1\r\n", &all, graph, memory));
    EXPECT_EQ(graph.graphScale, 4.0);
}

TEST(PreScan, RecognisesTheGatewayExportByItsName)
{
    GraphState graph;
    ReadingMemory memory;
    const ScopeRule all;
    const std::string gateway = "Gateway Name,Gateway SN\r\nh\r\nh\r\nh\r\nh\r\nh\r\n0,M,05/03/2012 05:00,k,500\r\n"
                                "0,M,05/03/2012 06:00,k,1000\r\n0,M,05/03/2012 07:00,k,1002\r\n";
    EXPECT_TRUE(scanMeterLog(gateway, &all, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphScale, 53.0 / 2);
    EXPECT_DOUBLE_EQ(graph.graphBarWidth, 474.0);
}

TEST(PreScan, OnlyReadingsInScopeCount)
{
    GraphState graph;
    ReadingMemory memory;
    ScopeRule rule;
    rule.enabled = true;
    rule.startDay = daysFromCivil(2012, 3, 2);
    rule.days = 1;
    EXPECT_TRUE(scanMeterLog("S,T,V\r\n0,01/03/2012 00:00,0\r\n0,01/03/2012 01:00,50\r\n"
                             "0,02/03/2012 00:00,60\r\n0,02/03/2012 01:00,62\r\n",
                             &rule, graph, memory));
    EXPECT_DOUBLE_EQ(graph.graphScale, 53.0 / 2);
    EXPECT_DOUBLE_EQ(graph.graphBarWidth, 474.0);
}

TEST(PreScan, AMissingFileLeavesScaleAndWidth)
{
    lumivane::test::TempDir dir;
    GraphState graph;
    graph.graphScale = 3;
    graph.graphBarWidth = 2;
    ReadingMemory memory;
    EXPECT_FALSE(scanMeterLog((dir.path() / "none.csv").string(), DateScope{}, graph, memory));
    EXPECT_EQ(graph.graphScale, 3.0);
    EXPECT_EQ(graph.graphBarWidth, 2.0);
    EXPECT_EQ(graph.graphColourIndex, 1);
    EXPECT_EQ(memory.previousReading, kNoBaselineMarker);
}
