#include "core/tariff/tariff_engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

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

    EngineOutcome run(const char* name, BarSink* bars = nullptr)
    {
        const std::string path = (test::testDataDir() / "meterlogs" / name).string();
        return calculateMeterLog(test::readFile(path), path, scope, settings, memory, graph, palette, bars);
    }
};

}  // namespace

TEST(TariffEngine, FirstReadingIsOnlyTheBaselineAndStepsAreMultiplied)
{
    EngineRun e;
    e.settings.settingsMultiplier = 2.5;
    const auto out = e.run("baseline.csv");
    EXPECT_DOUBLE_EQ(out.figures.dayUnits[5], 10 * 2.5);
    EXPECT_DOUBLE_EQ(out.figures.dayTotal, 25);
    EXPECT_EQ(out.figures.calcMonth, 3);
    EXPECT_EQ(e.memory.previousReading, 110);
    EXPECT_EQ(e.memory.lastStep, 6);
}

// Each step is booked by the hour of its later reading, hours 6 to 18 by day unless the case says otherwise.
TEST(TariffEngine, BooksEachStepAsDayOrNightByTheHourOfItsReading)
{
    const struct {
        const char* file;
        int fromHour, toHour;
        double day, night;
    } cases[] = {
        // 100 -> -499999 is booked; 50 is then a new baseline; 50 -> 53 books 3.
        {"marker.csv", 6, 18, -499999.0 - 100 + 3, 0},
        {"falling.csv", 6, 18, -4, 0},
        {"day_bounds.csv", 6, 18, 2 + 4, 1 + 8},  // 05:59 and 19:00 by night, 06:00 and 18:59 by day
        {"day_bounds.csv", 19, 6, 0, 15},         // a from hour after the to hour leaves no day hours
        {"skipped_status.csv", 6, 18, 0, 12},     // the next reading books the whole step
        // Only the month of the first reading is booked; the April "abc" is never converted.
        {"later_month.csv", 6, 18, 10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EngineRun e;
        e.settings.settingsFromHours = static_cast<std::int16_t>(c.fromHour);
        e.settings.settingsToHours = static_cast<std::int16_t>(c.toHour);
        const auto out = e.run(c.file);
        ASSERT_FALSE(out.error);
        EXPECT_DOUBLE_EQ(out.figures.dayTotal, c.day);
        EXPECT_DOUBLE_EQ(out.figures.nightTotal, c.night);
    }
    EXPECT_EQ(EngineRun().run("later_month.csv").figures.toText, "02/04/2012 08:00");
}

TEST(TariffEngine, NoReadingInScopeGivesZerosAndEmptyTexts)
{
    EngineRun e;
    e.scope = {true, daysFromCivil(2013, 1, 1), 7};
    const auto out = e.run("baseline.csv");
    EXPECT_EQ(resultsText("logs/x.csv", out.figures, e.settings),
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
    const auto out = e.run("night_fall.csv", &sink);
    EXPECT_DOUBLE_EQ(out.figures.dayTotal, 40);
    EXPECT_DOUBLE_EQ(out.figures.nightTotal, -20);
    ASSERT_EQ(sink.bars.size(), 2u);
    EXPECT_EQ(sink.bars[0].colour, e.palette[2]);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);  // 53 - 53/4 x 4: the step, not 40
    EXPECT_EQ(sink.bars[1].colour, e.palette[3]);
    EXPECT_FLOAT_EQ(sink.bars[1].x1, 48 + 237);
    EXPECT_FLOAT_EQ(sink.bars[1].y2, 55 - 53.0 / 4 * 2);  // a negative night step goes above its axis
}

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
        const FileFigures& fa = a.outcomes[i].figures;
        const FileFigures& fb = b.outcomes[i].figures;
        EXPECT_EQ(fa.dayUnits, fb.dayUnits);
        EXPECT_EQ(fa.nightUnits, fb.nightUnits);
        EXPECT_EQ(fa.dayTotal, fb.dayTotal);
        EXPECT_EQ(fa.nightTotal, fb.nightTotal);
        EXPECT_EQ(fa.fromText, fb.fromText);
        EXPECT_EQ(fa.toText, fb.toText);
        EXPECT_EQ(fa.calcMonth, fb.calcMonth);
        ASSERT_EQ(a.outcomes[i].error.has_value(), b.outcomes[i].error.has_value());
        if (a.outcomes[i].error) {
            EXPECT_EQ(a.outcomes[i].error->line, b.outcomes[i].error->line);
            EXPECT_EQ(a.outcomes[i].error->reason, b.outcomes[i].error->reason);
        }
    }
}

}  // namespace

// The pre-scan and the engine in one walk end exactly as the pre-scan followed
// by the engine: figures, errors, reading memory, graph state and bars, file
// after file on one graph, with or without a surface to draw on. Bars drawn from
// the steps kept during the one walk reuse the steps' room from file to file.
TEST(TariffEngine, OneWalkEndsLikeThePreScanThenTheEngine)
{
    // Every committed meter log, then generated ones.
    std::vector<std::pair<std::string, std::string>> files = {{"empty", ""}};
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataDir() / "meterlogs"))
        files.emplace_back(entry.path().filename().string(), test::readFile(entry.path()));
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);
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
