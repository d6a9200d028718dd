#include "core/tariff/tariff_engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

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

// Each step is booked by the hour of its later reading, hours 6 to 18 by day unless the case says otherwise.
TEST(TariffEngine, BooksEachStepAsDayOrNightByTheHourOfItsReading)
{
    const struct {
        const char* file;
        int fromHour, toHour;
        double day, night, multiplier;
    } cases[] = {
        {"baseline.csv", 6, 18, 10 * 2.5, 0, 2.5},  // the first reading only sets the baseline
        // 100 -> -499999 is booked; 50 is then a new baseline; 50 -> 53 books 3.
        {"marker.csv", 6, 18, -499999.0 - 100 + 3, 0, 1},
        {"falling.csv", 6, 18, -4, 0, 1},
        {"day_bounds.csv", 6, 18, 2 + 4, 1 + 8, 1},  // 05:59 and 19:00 by night, 06:00 and 18:59 by day
        {"day_bounds.csv", 19, 6, 0, 15, 1},         // a from hour after the to hour leaves no day hours
        {"skipped_status.csv", 6, 18, 0, 12, 1},     // the next reading books the whole step
        // Only the month of the first reading is booked; the April "abc" is never converted.
        {"later_month.csv", 6, 18, 10, 0, 1},
        {"thirteen_months.csv", 6, 18, 10, 0, 1},  // ... in its own year: March 2013 is not booked
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EngineRun e;
        e.settings.settingsFromHours = static_cast<std::int16_t>(c.fromHour);
        e.settings.settingsToHours = static_cast<std::int16_t>(c.toHour);
        e.settings.settingsMultiplier = c.multiplier;
        const auto out = e.run(c.file);
        ASSERT_TRUE(out.ok());
        EXPECT_DOUBLE_EQ(out->dayTotal, c.day);
        EXPECT_DOUBLE_EQ(out->nightTotal, c.night);
    }
    EXPECT_EQ(EngineRun().run("later_month.csv")->toText, "02/04/2012 08:00");
}

// The total's cost is rounded once from the exact costs: 1.00 + 2.00 shows as 3.01.
TEST(ResultsText, RoundsTheTotalOnce)
{
    FileFigures f;
    f.dayTotal = 1234567.5;
    f.nightTotal = 1;
    SettingsRecord s;
    s.settingsDayCost = 1.004 / 1234567.5;
    s.settingsNightCost = 2.004;
    EXPECT_NE(resultsText("l/f.csv", f, s).find("    Total: 1,234,568.500 kWh, \u00A33.01\r\n"), std::string::npos);
}

namespace {

// A plain log of `lines` readings from 25 March 2012, one every 97 minutes into
// April, with seeded noise, falling readings, skipped lines and, when `badAt`
// is not 0, a value that is no number at that reading.
std::string generatedLog(unsigned seed, int lines, int badAt)
{
    std::string text = "Status,Timestamp,Value\r\n";
    std::mt19937 random(seed);
    double value = 1000;
    for (int i = 1; i <= lines; ++i) {
        const int minutes = i * 97, day = 24 + minutes / 1440;
        const bool skipped = random() % 17 == 0;
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%d,%02d/%02d/2012 %02d:%02d,", skipped, day <= 31 ? day : day - 31,
                      day <= 31 ? 3 : 4, minutes % 1440 / 60, minutes % 60);
        const unsigned roll = random() % 1000;
        value += roll % 11 == 0 ? -double(roll % 7) : (roll % 23 == 0 ? 90.5 : (roll % 50) / 8.0);
        text += stamp + (skipped ? "x" : i == badAt ? std::string("4.2.1") : std::to_string(value)) + "\r\n";
    }
    return text;
}

// Everything a walk leaves: outcomes, reading memory, graph state and bars, as text.
std::string walkState(const std::vector<EngineOutcome>& outcomes, const ReadingMemory& m, const GraphState& g,
                      const RecordingBarSink& sink)
{
    std::ostringstream out;
    out.precision(17);
    for (const EngineOutcome& o : outcomes) {
        if (!o) {
            out << o.error().line << o.error().reason << '\n';
            continue;
        }
        for (int day = 0; day < static_cast<int>(o->dayUnits.size()); ++day)
            out << o->dayUnits[day] << '/' << o->nightUnits[day] << ' ';
        out << o->dayTotal << ' ' << o->nightTotal << ' ' << o->fromText << '-' << o->toText << ' ' << o->calcMonth
            << '\n';
    }
    out << m.previousReading << ' ' << m.currentReading << ' ' << m.lastStep << ' ' << g.graphScale << ' '
        << g.graphBarWidth << ' ' << g.graphDayX << ' ' << g.graphNightX << ' ' << g.graphColourIndex << '\n';
    for (const auto& bar : sink.bars)
        out << bar.x1 << ',' << bar.y1 << ',' << bar.x2 << ',' << bar.y2 << ',' << bar.colour << ' ';
    return out.str();
}

}  // namespace

// The pre-scan and the engine in one walk end exactly as the pre-scan followed
// by the engine, file after file on one graph, with or without a surface to draw on.
TEST(TariffEngine, OneWalkEndsLikeThePreScanThenTheEngine)
{
    // Every committed meter log, then generated ones; a bad value early stops both part-way.
    std::vector<std::pair<std::string, std::string>> files = {{"empty", ""}};
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataDir() / "meterlogs"))
        files.emplace_back(entry.path().filename().string(), test::readFile(entry.path()));
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);
    for (unsigned seed = 1; seed <= 6; ++seed)
        files.emplace_back("generated", generatedLog(seed, 300 + int(seed) * 40, seed % 2 ? 0 : 150 + seed * 20));
    files.emplace_back("bad value early", generatedLog(9, 200, 40));

    // All days, one day of the small logs, or 40 days that cut the generated ones short.
    for (const int scopeDays : {0, 1, 40}) {
        for (const bool drawn : {false, true}) {
            const ScopeRule scope{scopeDays > 0, daysFromCivil(2012, 3, scopeDays == 1 ? 5 : 1), scopeDays};
            SettingsRecord settings;
            settings.settingsMultiplier = 2.5;
            settings.settingsFromHours = 7;
            settings.settingsToHours = 19;
            const GraphPalette palette = defaultGraphPalette();
            ReadingMemory memory[2];
            GraphState graph[2];
            RecordingBarSink sink[2];
            std::vector<EngineOutcome> outcomes[2];
            for (int i = 0; i < 2; ++i) {
                memory[i].currentReading = 77;
                memory[i].lastStep = 7;
                graph[i] = {.graphScale = 5, .graphBarWidth = 6, .graphColourIndex = 7};
            }
            std::vector<BookedStep> booked;
            for (const auto& [name, bytes] : files) {
                const std::string path = "/d/logs/" + name;
                outcomes[1].push_back(scanAndCalculateMeterLog(bytes, path, scope, settings, memory[1], graph[1],
                                                               palette, drawn ? &sink[1] : nullptr, &booked));
                // Bars of a pre-scan that stopped take the scale of their own steps (checked on its own).
                if (!scanMeterLog(bytes, &scope, graph[0], memory[0]) && drawn)
                    std::tie(graph[0].graphScale, graph[0].graphBarWidth) =
                        std::pair(graph[1].graphScale, graph[1].graphBarWidth);
                outcomes[0].push_back(calculateMeterLog(bytes, path, scope, settings, memory[0], graph[0], palette,
                                                        drawn ? &sink[0] : nullptr));
                ASSERT_EQ(walkState(outcomes[0], memory[0], graph[0], sink[0]),
                          walkState(outcomes[1], memory[1], graph[1], sink[1]))
                    << name << ", " << scopeDays << " days" << (drawn ? ", drawn" : "");
            }
            EXPECT_GE(sink[1].bars.size(), drawn ? (scopeDays == 1 ? 5u : 500u) : 0u);
        }
    }
}

// A pre-scan stopped by a long-form line would leave an earlier file's scale; the bars take their own.
TEST(TariffEngine, BarsOfAStoppedPreScanTakeTheScaleOfTheirOwnSteps)
{
    EngineRun e;
    e.graph = {.graphScale = 5, .graphBarWidth = 6};
    RecordingBarSink sink;
    const std::string path = (test::testDataDir() / "meterlogs" / "long_form.csv").string();
    ASSERT_TRUE(
        scanAndCalculateMeterLog(test::readFile(path), path, e.scope, e.settings, e.memory, e.graph, e.palette, &sink));
    ASSERT_EQ(sink.bars.size(), 2u);
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);  // the largest step, 2, reaches the top
    EXPECT_FLOAT_EQ(sink.bars[1].x2, 48 + 474);
}
