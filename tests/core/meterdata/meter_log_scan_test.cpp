#include "core/meterdata/meter_log_scan.h"

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

// The scale fits the largest step in scope into the 53 pixels above the axis
// (never more than 53 a kWh); the steps share the 474-pixel width.
TEST(PreScan, ScaleFollowsTheLargestStepInScopeAndStepsShareTheWidth)
{
    ScopeRule march2;
    march2.enabled = true;
    march2.startDay = daysFromCivil(2012, 3, 2);
    march2.days = 1;
    const ScopeRule all;
    const struct {
        const char* name;
        std::string log;
        const ScopeRule* scope;
        double scale, width;
    } cases[] = {
        // No commas: no steps at all, whatever the earlier file left.
        {"tab file", "Logger\tIRIO\r\nx\r\nx\r\nx\r\nx\r\nx\r\nx\r\nT\tV\r\n05/03/2012 06:00\t50\r\n"
                     "05/03/2012 07:00\t51\r\n", &all, 53.0, 0.0},
        {"474 steps of 1", plainLog(474), &all, 53.0, 1.0},
        {"948 steps", plainLog(948), &all, 53.0, 0.5},
        {"largest step 10.6, a negative one", "S,T,V\r\n0,01/03/2012 00:00,10\r\n0,01/03/2012 01:00,12\r\n"
                     "0,01/03/2012 02:00,22.6\r\n0,01/03/2012 03:00,20\r\n", &all, 53.0 / 10.6, 474.0 / 3},
        {"steps below 1 kWh", plainLog(10, 0.25), &all, 53.0, 474.0 / 10},
        {"gateway export by its name", "Gateway Name,Gateway SN\r\nh\r\nh\r\nh\r\nh\r\nh\r\n"
                     "0,M,05/03/2012 05:00,k,500\r\n0,M,05/03/2012 06:00,k,1000\r\n0,M,05/03/2012 07:00,k,1002\r\n",
                     &all, 53.0 / 2, 474.0},
        {"only readings in scope", "S,T,V\r\n0,01/03/2012 00:00,0\r\n0,01/03/2012 01:00,50\r\n"
                     "0,02/03/2012 00:00,60\r\n0,02/03/2012 01:00,62\r\n", &march2, 53.0 / 2, 474.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphState graph;
        graph.graphScale = 7;
        graph.graphBarWidth = 7;
        ReadingMemory memory;
        EXPECT_TRUE(scanMeterLog(c.log, c.scope, graph, memory));
        EXPECT_DOUBLE_EQ(graph.graphScale, c.scale);
        EXPECT_DOUBLE_EQ(graph.graphBarWidth, c.width);
    }
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
