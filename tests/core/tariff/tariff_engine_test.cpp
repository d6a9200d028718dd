#include "core/tariff/tariff_engine.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "core/graph/recording_bar_sink.h"
#include "core/meterdata/meter_log_scan.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::RecordingBarSink;

namespace {

struct EngineRun {
    SettingsRecord settings;
    ReadingMemory memory;
    GraphState graph;
    GraphPalette palette = defaultGraphPalette();
    ScopeRule scope;

    EngineOutcome run(std::string_view bytes, BarSink* bars = nullptr, std::string_view path = "/d/logs/site1.csv")
    {
        return calculateMeterLog(bytes, path, scope, settings, memory, graph, palette, bars);
    }
};

}  // namespace

TEST(FileLabel, KeepsTheLastTwoPiecesOfThePath)
{
    EXPECT_EQ(fileLabelOf("/home/op/logs/site1.csv"), "logs/site1.csv");
    EXPECT_EQ(fileLabelOf("logs/site1.csv"), "logs/site1.csv");
    EXPECT_EQ(fileLabelOf("site1.csv"), "site1.csv");
    EXPECT_EQ(fileNameOfLabel("logs/site1.csv"), "site1.csv");
}

TEST(TariffEngine, FirstReadingIsOnlyTheBaseline)
{
    EngineRun e;
    e.settings.settingsMultiplier = 2.5;
    const auto out = e.run("S,T,V\r\n0,05/03/2012 08:00,100\r\n0,05/03/2012 09:00,104\r\n0,05/03/2012 10:00,110\r\n");
    ASSERT_TRUE(out.ok());
    EXPECT_DOUBLE_EQ(out->dayUnits[5], 10 * 2.5);
    EXPECT_DOUBLE_EQ(out->dayTotal, 25);
    EXPECT_EQ(out->nightTotal, 0);
    EXPECT_EQ(out->fromText, "05/03/2012 08:00");
    EXPECT_EQ(out->toText, "05/03/2012 10:00");
    EXPECT_EQ(out->calcMonth, 3);
    EXPECT_EQ(e.memory.previousReading, 110);
    EXPECT_EQ(e.memory.lastStep, 6);
}

// Totals of March 2012 logs, hours 6 to 18 by day unless the case says otherwise.
TEST(TariffEngine, BooksEachStepAsDayOrNightByTheHourOfItsReading)
{
    struct Case {
        const char* name;
        int fromHour, toHour;
        const char* bytes;
        double day, night;
    };
    const Case cases[] = {
        // 100 -> -499999 is booked; 50 is then a new baseline; 50 -> 53 books 3.
        {"marker", 6, 18, "S,T,V\r\n0,05/03/2012 08:00,100\r\n0,05/03/2012 09:00,-499999\r\n"
                          "0,05/03/2012 10:00,50\r\n0,05/03/2012 11:00,53\r\n", -499999.0 - 100 + 3, 0},
        {"falling reading", 6, 18, "S,T,V\r\n0,05/03/2012 08:00,100\r\n0,05/03/2012 09:00,96\r\n", -4, 0},
        // 05:59 and 19:00 by night, 06:00 and 18:59 by day.
        {"both bounds are day hours", 6, 18, "S,T,V\r\n0,05/03/2012 04:00,0\r\n0,05/03/2012 05:59,1\r\n"
                                             "0,05/03/2012 06:00,3\r\n0,05/03/2012 18:59,7\r\n"
                                             "0,05/03/2012 19:00,15\r\n",
         2 + 4, 1 + 8},
        {"from hour after to hour", 19, 6, "S,T,V\r\n0,05/03/2012 04:00,0\r\n0,05/03/2012 06:00,1\r\n"
                                           "0,05/03/2012 19:00,3\r\n0,05/03/2012 23:00,7\r\n", 0, 7},
        // The line of status 1 is skipped, so the next reading books the whole step.
        {"skipped status line", 6, 18, "S,T,V\r\n0,05/03/2012 08:00,100\r\n1,06/03/2012 08:00,105\r\n"
                                       "0,07/03/2012 20:00,112\r\n", 0, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineRun e;
        e.settings.settingsFromHours = static_cast<std::int16_t>(c.fromHour);
        e.settings.settingsToHours = static_cast<std::int16_t>(c.toHour);
        const auto out = e.run(c.bytes);
        ASSERT_TRUE(out.ok());
        EXPECT_DOUBLE_EQ(out->dayTotal, c.day);
        EXPECT_DOUBLE_EQ(out->nightTotal, c.night);
    }
}

TEST(TariffEngine, BooksOnlyTheMonthOfTheFirstReadingButToTextMovesOn)
{
    EngineRun e;
    const auto out = e.run("S,T,V\r\n0,28/03/2012 08:00,100\r\n0,31/03/2012 08:00,110\r\n"
                           "0,01/04/2012 08:00,abc\r\n0,02/04/2012 08:00,150\r\n");
    // The April value "abc" is never converted: the month restriction skips it first.
    ASSERT_TRUE(out.ok());
    EXPECT_DOUBLE_EQ(out->dayUnits[31], 10);
    EXPECT_DOUBLE_EQ(out->dayTotal, 10);
    EXPECT_EQ(out->toText, "02/04/2012 08:00");
}

TEST(TariffEngine, NoReadingInScopeGivesZerosAndEmptyTexts)
{
    EngineRun e;
    e.scope.enabled = true;
    e.scope.startDay = daysFromCivil(2013, 1, 1);
    e.scope.days = 7;
    const auto out = e.run("S,T,V\r\n0,05/03/2012 08:00,100\r\n0,05/03/2012 09:00,104\r\n");
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out->fromText, "");
    EXPECT_EQ(out->dayTotal, 0);
    EXPECT_EQ(resultsText("logs/x.csv", *out, e.settings),
              "logs/x.csv results...\r\nFrom  to \r\n    Day Total: 0.000 kWh, \xC2\xA3" "0.00\r\n"
              "    Night Total: 0.000 kWh, \xC2\xA3" "0.00\r\n    Total: 0.000 kWh, \xC2\xA3" "0.00\r\n");
}

TEST(TariffEngine, GraphGetsTheUnmultipliedStepInTheFileColours)
{
    EngineRun e;
    e.settings.settingsMultiplier = 10;
    e.graph.graphColourIndex = 1;  // as after the pre-scan of the first file
    e.graph.graphScale = 53.0 / 4;
    e.graph.graphBarWidth = 237;
    RecordingBarSink sink;
    const char* bytes = "S,T,V\r\n0,05/03/2012 08:00,100\r\n0,05/03/2012 09:00,104\r\n0,05/03/2012 20:00,102\r\n";
    const auto out = e.run(bytes, &sink);
    ASSERT_TRUE(out.ok());
    EXPECT_DOUBLE_EQ(out->dayTotal, 40);
    EXPECT_DOUBLE_EQ(out->nightTotal, -20);
    ASSERT_EQ(sink.bars.size(), 2u);
    EXPECT_EQ(sink.bars[0].colour, e.palette[2]);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);  // 53 - 53/4 x 4: the step, not 40
    EXPECT_EQ(sink.bars[1].colour, e.palette[3]);
    EXPECT_FLOAT_EQ(sink.bars[1].x1, 48 + 237);
    EXPECT_FLOAT_EQ(sink.bars[1].y2, 55 - 53.0 / 4 * 2);  // a negative night step goes above its axis

    // Without a surface nothing moves on the graph, and the figures are the same.
    EngineRun blind;
    blind.settings = e.settings;
    const auto unseen = blind.run(bytes);
    EXPECT_EQ(blind.graph.graphDayX, 0);
    EXPECT_EQ(unseen->dayTotal, out->dayTotal);
    EXPECT_EQ(unseen->nightTotal, out->nightTotal);
}

// The plain five lines are pinned through a whole run (CalculationRun tests).
TEST(ResultsText, GroupsThousandsAndRoundsTheTotalOnce)
{
    FileFigures f;
    f.dayTotal = 1234567.5;
    f.nightTotal = 1;
    SettingsRecord s;
    s.settingsDayCost = 1.004 / 1234567.5;
    s.settingsNightCost = 2.004;
    const std::string text = resultsText("l/f.csv", f, s);
    EXPECT_NE(text.find("    Day Total: 1,234,567.500 kWh, \xC2\xA3" "1.00\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    Night Total: 1.000 kWh, \xC2\xA3" "2.00\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    Total: 1,234,568.500 kWh, \xC2\xA3" "3.01\r\n"), std::string::npos) << text;
}

namespace {

// A plain log of `lines` readings from 25 March 2012, one every 97 minutes, so
// it crosses into April; with seeded noise, falling readings, skipped lines and,
// when `badAt` is not 0, a value that is no number at that reading.
std::string generatedLog(unsigned seed, int lines, int badAt)
{
    std::string text = "Status,Timestamp,Value\r\n";
    unsigned state = seed * 2654435761u + 1;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    double value = 1000;
    long long minutes = 0;
    for (int i = 1; i <= lines; ++i) {
        const long long day = 24 + minutes / 1440;
        const int dayOfMonth = static_cast<int>(day <= 31 ? day : day - 31);
        const int month = day <= 31 ? 3 : 4;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/2012 %02d:%02d", dayOfMonth, month,
                      static_cast<int>(minutes % 1440 / 60), static_cast<int>(minutes % 60));
        minutes += 97;
        const unsigned roll = next();
        if (roll % 17 == 0) {
            text += std::string("1,") + stamp + ",x\r\n";
            continue;
        }
        // Mostly rising, now and then falling; now and then a big step.
        value += (roll % 11 == 0) ? -static_cast<double>(roll % 7) : (roll % 23 == 0 ? 90.5 : (roll % 50) / 8.0);
        text += std::string("0,") + stamp + ",";
        text += i == badAt ? std::string("4.2.1") : std::to_string(value);
        text += "\r\n";
    }
    return text;
}

// The state a sequence of walks leaves: graph, reading memory, bars and outcomes.
struct Walks {
    GraphState graph;
    ReadingMemory memory;
    RecordingBarSink sink;
    std::vector<EngineOutcome> outcomes;
};

void expectSameWalks(const Walks& a, const Walks& b)
{
    ASSERT_EQ(a.sink.bars.size(), b.sink.bars.size());
    for (std::size_t i = 0; i < a.sink.bars.size(); ++i) {
        SCOPED_TRACE("bar " + std::to_string(i));
        EXPECT_EQ(a.sink.bars[i].x1, b.sink.bars[i].x1);
        EXPECT_EQ(a.sink.bars[i].y1, b.sink.bars[i].y1);
        EXPECT_EQ(a.sink.bars[i].x2, b.sink.bars[i].x2);
        EXPECT_EQ(a.sink.bars[i].y2, b.sink.bars[i].y2);
        EXPECT_EQ(a.sink.bars[i].colour, b.sink.bars[i].colour);
    }
    EXPECT_EQ(a.graph.graphScale, b.graph.graphScale);
    EXPECT_EQ(a.graph.graphBarWidth, b.graph.graphBarWidth);
    EXPECT_EQ(a.graph.graphDayX, b.graph.graphDayX);
    EXPECT_EQ(a.graph.graphNightX, b.graph.graphNightX);
    EXPECT_EQ(a.graph.graphColourIndex, b.graph.graphColourIndex);
    EXPECT_EQ(a.memory.previousReading, b.memory.previousReading);
    EXPECT_EQ(a.memory.currentReading, b.memory.currentReading);
    EXPECT_EQ(a.memory.lastStep, b.memory.lastStep);
    ASSERT_EQ(a.outcomes.size(), b.outcomes.size());
    for (std::size_t i = 0; i < a.outcomes.size(); ++i) {
        ASSERT_EQ(a.outcomes[i].ok(), b.outcomes[i].ok());
        if (!a.outcomes[i]) {
            EXPECT_EQ(a.outcomes[i].error().line, b.outcomes[i].error().line);
            EXPECT_EQ(a.outcomes[i].error().reason, b.outcomes[i].error().reason);
            continue;
        }
        const FileFigures& fa = *a.outcomes[i];
        const FileFigures& fb = *b.outcomes[i];
        EXPECT_EQ(fa.dayUnits, fb.dayUnits);
        EXPECT_EQ(fa.nightUnits, fb.nightUnits);
        EXPECT_EQ(fa.dayTotal, fb.dayTotal);
        EXPECT_EQ(fa.nightTotal, fb.nightTotal);
        EXPECT_EQ(fa.fromText, fb.fromText);
        EXPECT_EQ(fa.toText, fb.toText);
        EXPECT_EQ(fa.calcMonth, fb.calcMonth);
    }
}

}  // namespace

// The pre-scan and the engine in one walk end exactly as the pre-scan followed
// by the engine: figures, errors, reading memory, graph state and bars, file
// after file on one graph, with or without a surface to draw on. Bars drawn from
// the steps kept during the one walk reuse the steps' room from file to file.
TEST(TariffEngine, OneWalkEndsLikeThePreScanThenTheEngine)
{
    std::vector<std::pair<std::string, std::string>> files = {
        {"plain", "S,T,V\r\n0,05/03/2012 08:00,100\r\n1,05/03/2012 09:00,x\r\n0,05/03/2012 20:00,112.25\r\n"},
        {"gateway", "Gateway Name,Gateway SN\r\nh\r\nh\r\nh\r\nh\r\nh\r\nh\r\n0,M,05/03/2012 06:00,k,1000\r\n"
                    "0,M,05/03/2012 07:00,k,1002.5\r\n"},
        {"gateway by SN only", "G,Gateway SN\r\nh\r\nh\r\nh\r\nh\r\nh\r\nh\r\n0,M,05/03/2012 06:00,k,1000\r\n"
                               "0,M,05/03/2012 07:00,k,1002.5\r\n"},
        {"long form", "M,T,V\r\nMeter-0001,05-Mar-2012 06:00:00.000,10\r\n0,05/03/2012 07:00,12\r\n"
                      "Meter-0001,05-Mar-2012 23:00:00.500,13\r\n"},
        {"long status that is a number", "M,T,V\r\n0,05/03/2012 07:00,12\r\n000000,05/03/2012 08:00,15\r\n"},
        {"bad value in a later month", "S,T,V\r\n0,28/03/2012 08:00,1\r\n0,29/03/2012 08:00,4\r\n"
                                       "0,01/04/2012 08:00,abc\r\n0,02/04/2012 08:00,9\r\n"},
        {"bad value", "S,T,V\r\n0,05/03/2012 08:00,1\r\n0,05/03/2012 09:00,1x\r\n0,05/03/2012 10:00,3\r\n"},
        {"bad status", "S,T,V\r\n0,05/03/2012 08:00,1\r\nx,05/03/2012 09:00,2\r\n"},
        {"unknown month", "S,T,V\r\n0,05/03/2012 08:00,1\r\n0,05/03/2012 09:00,3\r\n"
                          "Meter-1,05-Mrz-2012 10:00:00,4\r\n"},
        {"no readings", "S,T,V\r\n1,05/03/2012 08:00,1\r\n"},
        {"big steps", "S,T,V\r\n0,05/03/2012 08:00,1\r\n0,05/03/2012 09:00,30\r\n0,06/03/2012 21:00,31\r\n"},
        {"lf only", "S,T,V\n0,05/03/2012 08:00,1\n0,05/03/2012 09:00,3\n"},
        {"empty", ""},
    };
    for (const char* name : {"plain_site1.csv", "plain_site1_lf.csv", "gateway_export.csv", "long_form.csv",
                             "unit4.IRIO.txt"}) {
        const std::string bytes = lumivane::test::readFile(lumivane::test::testDataDir() / "meterlogs" / name);
        ASSERT_FALSE(bytes.empty()) << name;
        files.emplace_back(name, bytes);
    }
    for (unsigned seed = 1; seed <= 6; ++seed)
        files.emplace_back("generated " + std::to_string(seed),
                           generatedLog(seed, 300 + static_cast<int>(seed) * 40, seed % 2 ? 0 : 150 + seed * 20));
    // A bad value in the first month stops both the pre-scan and the engine part-way.
    files.emplace_back("bad value early", generatedLog(9, 200, 40));

    // One day of the small logs, or 40 days that cut the generated ones short.
    for (const int scopeDays : {0, 1, 40}) {
        for (const bool drawn : {false, true}) {
            SCOPED_TRACE(std::to_string(scopeDays) + (drawn ? " days, drawn" : " days, not drawn"));
            ScopeRule scope;
            scope.enabled = scopeDays > 0;
            scope.startDay = daysFromCivil(2012, 3, scopeDays == 1 ? 5 : 1);
            scope.days = scopeDays;
            SettingsRecord settings;
            settings.settingsMultiplier = 2.5;
            settings.settingsFromHours = 7;
            settings.settingsToHours = 19;
            const GraphPalette palette = defaultGraphPalette();
            Walks twoWalks;
            twoWalks.memory.currentReading = 77;
            twoWalks.memory.lastStep = 7;
            twoWalks.graph.graphScale = 5;
            twoWalks.graph.graphBarWidth = 6;
            twoWalks.graph.graphColourIndex = 7;
            Walks oneWalk;
            oneWalk.memory = twoWalks.memory;
            oneWalk.graph = twoWalks.graph;
            std::vector<BookedStep> booked;
            for (const auto& [name, bytes] : files) {
                const std::string path = "/d/logs/" + name;
                scanMeterLog(bytes, &scope, twoWalks.graph, twoWalks.memory);
                twoWalks.outcomes.push_back(calculateMeterLog(bytes, path, scope, settings, twoWalks.memory,
                                                              twoWalks.graph, palette,
                                                              drawn ? &twoWalks.sink : nullptr));
                oneWalk.outcomes.push_back(scanAndCalculateMeterLog(bytes, path, scope, settings, oneWalk.memory,
                                                                    oneWalk.graph, palette,
                                                                    drawn ? &oneWalk.sink : nullptr, &booked));
                SCOPED_TRACE(name);
                expectSameWalks(twoWalks, oneWalk);
            }
            if (drawn) {
                EXPECT_GT(oneWalk.sink.bars.size(), scopeDays == 1 ? 5u : 500u);
            }
        }
    }
}
