#include "core/tariff/tariff_engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "core/graph/recording_bar_sink.h"
#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/file_booking.h"
#include "core/text/number_text.h"
#include "core/tariff/walk_state.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::RecordingBarSink;
using lumivane::test::withThreads;

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

// The committed logs with day hours 6 to 18: which readings count, each step booked
// by the hour of its later reading, or the line that stops the log and why.
TEST(TariffEngine, BooksEachLayoutAndLineRuleOrNamesTheLineThatStopsIt)
{
    const struct {
        const char* file;
        const char* from;
        const char* to;
        double day, night;
        const char* error;  // "line N: reason", when the log cannot be read
        const char* note = "";
    } cases[] = {
        {"baseline.csv", "05/03/2012 08:00", "05/03/2012 10:00", 10, 0, ""},  // the first reading sets the baseline
        // -499999 books nothing; 50 is then a new baseline; 50 -> 53 books 3.
        {"marker.csv", "05/03/2012 08:00", "05/03/2012 11:00", 3, 0, ""},
        // Values that are no number are skipped, also the first: 100 -> 104 is booked.
        {"unreadable_values.csv", "05/03/2012 08:00", "05/03/2012 12:00", 4, 0, ""},
        {"rollover.csv", "05/03/2012 08:00", "05/03/2012 12:00", 10 - 99980 + 10 - 5, 0, ""},  // falls as they are
        // 05:59 and 19:00 by night, 06:00 and 18:59 by day.
        {"day_bounds.csv", "05/03/2012 04:00", "05/03/2012 19:00", 2 + 4, 1 + 8, ""},
        {"skipped_status.csv", "05/03/2012 08:00", "07/03/2012 20:00", 0, 12, ""},  // the next reading books it all
        // Only the month of the first reading is booked; the April "abc" is skipped.
        {"later_month.csv", "28/03/2012 08:00", "02/04/2012 08:00", 10, 0, ""},
        {"plain_site1.csv", "01/03/2012 00:00", "02/03/2012 06:30", 17, 3, ""},  // status 1 skips its line
        {"plain_site1_lf.csv", "01/03/2012 00:00", "02/03/2012 06:30", 17, 3, ""},
        {"cr_only.csv", "05/03/2012 08:00", "05/03/2012 09:00", 2, 0, ""},  // the last line needs no end
        // CR LF with two bare LFs: no line is joined to the next.
        {"mixed_line_ends.csv", "05/03/2012 08:00", "05/03/2012 20:00", 5, 1, "",
         "2 lines end in a bare LF instead of CR LF, the first line 2; each was read as a line of its own"},
        // 0 uses, other whole numbers skip; a status longer than 5 characters is the long form.
        {"status_rules.csv", "01/03/2012 01:00", "2012/03/01 03:00:00", 0, 2, ""},
        {"bare_dates.csv", "05/03/2012 00:00", "05/03/2012 00:00", 0, 1, ""},
        {"unit4.IRIO.txt", "05/03/2012 06:00", "05/03/2012 22:00", 1.5, 0.5, ""},      // tabs, eight header lines
        {"gateway_export.csv", "05/03/2012 06:00", "05/03/2012 20:00", 2.5, 1.5, ""},  // "Gateway SN": data at line 8
        {"long_form.csv", "2012/03/05 06:00:00", "2012/03/05 23:00:00", 2, 1, ""},
        {"bad_status.csv", "", "", 0, 0, "line 3: the status \"x\""},
        {"missing_value.csv", "", "", 0, 0, "line 3: "},
        {"lower_case_month.csv", "", "", 0, 0, "line 2: the month \"mar\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const EngineOutcome out = EngineRun().run(c.file);
        const std::string error = out ? "" : "line " + std::to_string(out.error().line) + ": " + out.error().reason;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(error.empty(), !*c.error) << error;
        if (!out)
            continue;
        EXPECT_EQ(out->fromText, c.from);
        EXPECT_EQ(out->toText, c.to);
        EXPECT_DOUBLE_EQ(out->dayTotal, c.day);
        EXPECT_DOUBLE_EQ(out->nightTotal, c.night);
        EXPECT_EQ(std::count(out->notes.begin(), out->notes.end(), c.note), *c.note ? 1 : 0) << out->notes.size();
    }
    EngineRun noDayHours;  // a from hour after the to hour leaves no day hours
    noDayHours.settings.settingsFromHours = 19;
    noDayHours.settings.settingsToHours = 6;
    EXPECT_DOUBLE_EQ(noDayHours.run("day_bounds.csv")->nightTotal, 15);
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
            settings.settingsJoinPeriods = 1;  // a scope's baseline from before it, in both walks
            const GraphPalette palette = defaultGraphPalette();
            // Both walks start from what an earlier run left.
            const ReadingMemory memoryLeft{.currentReading = 77, .lastStep = 7};
            const GraphState graphLeft{.graphScale = 5, .graphBarWidth = 6, .graphColourIndex = 7};
            ReadingMemory memory[2] = {memoryLeft, memoryLeft};
            GraphState graph[2] = {graphLeft, graphLeft};
            RecordingBarSink sink[2];
            std::vector<BookedStep> booked;
            for (const auto& [name, bytes] : files) {
                const std::string path = "/d/logs/" + name;
                const EngineOutcome one = scanAndCalculateMeterLog(bytes, path, scope, settings, memory[1], graph[1],
                                                                   palette, drawn ? &sink[1] : nullptr, &booked);
                // Drawn bars take the scale of their own steps (checked on its own).
                if (!scanMeterLog(bytes, &scope, graph[0], memory[0]) || drawn)
                    std::tie(graph[0].graphScale, graph[0].graphBarWidth) =
                        std::pair(graph[1].graphScale, graph[1].graphBarWidth);
                const EngineOutcome two = calculateMeterLog(bytes, path, scope, settings, memory[0], graph[0], palette,
                                                            drawn ? &sink[0] : nullptr);
                const std::string where = name + ", " + std::to_string(scopeDays) + " days" + (drawn ? ", drawn" : "");
                ASSERT_EQ(test::walkState(two, memory[0], graph[0]), test::walkState(one, memory[1], graph[1]))
                    << where;
                ASSERT_EQ(sink[0].bars, sink[1].bars) << where;
            }
            EXPECT_GE(sink[1].bars.size(), drawn ? (scopeDays == 1 ? 5u : 500u) : 0u);
        }
    }
}

// Bars span the graph whatever the pre-scan counted: a pre-scan stopped by a
// long-form line would leave an earlier file's scale, and one over a log of
// thirteen months would squeeze the booked month into a thirteenth of it.
TEST(TariffEngine, BarsTakeTheScaleOfTheStepsBooked)
{
    for (const char* name : {"long_form.csv", "thirteen_months.csv"}) {
        EngineRun e;
        e.graph = {.graphScale = 5, .graphBarWidth = 6};
        RecordingBarSink sink;
        const std::string path = (test::testDataDir() / "meterlogs" / name).string();
        ASSERT_TRUE(scanAndCalculateMeterLog(test::readFile(path), path, e.scope, e.settings, e.memory, e.graph,
                                             e.palette, &sink));
        ASSERT_FALSE(sink.bars.empty()) << name;
        EXPECT_FLOAT_EQ(sink.bars.back().x2, 48 + 474) << name;
        if (name == std::string_view("long_form.csv")) {
            EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);  // the largest step, 2, reaches the top
        }
    }
}

namespace {

std::string readText(const RegisterRead& read)
{
    return read.present ? formatPlain(read.value) + " at " + read.timestampText : "none";
}

std::string figuresText(const FileFigures& f)
{
    std::string text = formatPlain(f.dayTotal + f.nightTotal) + " kWh from " + readText(f.openingRead) + " to " +
                       readText(f.closingRead) + "\n";
    for (const std::string& note : f.notes)
        text += note + "\n";
    return text;
}

// A one-month log's booking as text (totals, register reads, notes), the same
// for the whole file and for --each-month.
std::string bookedText(const std::string& bytes, const DateScope& scope, const SettingsRecord& settings)
{
    const FileBooking file = bookMeterLogFile(bytes, "/d/x.csv", scope, settings, false);
    const auto months = bookMeterLogFileByMonth(bytes, "/d/x.csv", scope, settings);
    if (!file.figures || !months || months->size() != 1)
        return "not booked as one month";
    EXPECT_EQ(figuresText(months->front().figures), figuresText(*file.figures)) << "the month";
    return figuresText(*file.figures);
}

}  // namespace

// The file and --each-month book each reading alike, read whole or in parts on
// threads: what is booked, the register reads between which it is, and one note per cause.
TEST(TariffEngine, ReadingRulesBookAlikeEverywhereAndNoteEachCause)
{
    const struct {
        const char* file;
        int digits;
        const char* booked;  // the first line of bookedText
        const char* note;
    } cases[] = {
        {"marker.csv", 0, "3 kWh from 50 at 05/03/2012 10:00 to 53 at 05/03/2012 11:00",
         "line 3: the no-reading value \u2212"
         "499999; the next reading starts afresh"},
        {"markers.csv", 0, "4 kWh from 50 at 05/03/2012 10:00 to 61 at 05/03/2012 15:00",
         "3 no-reading values \u2212"
         "499999, the first on line 3; the reading after each starts afresh"},
        {"unreadable_values.csv", 0, "4 kWh from 100 at 05/03/2012 08:00 to 104 at 05/03/2012 12:00",
         "4 readings were skipped because their value is not a number; the first, line 2: the value \"N/A\""},
        {"empty_value.csv", 0, "3 kWh from 100 at 05/03/2012 08:00 to 103 at 05/03/2012 10:00",
         "line 3: the value \"\" is not a number; that reading was skipped"},
        {"all_unreadable.csv", 0, "0 kWh from none to none",
         "no reading was booked: all 2 data lines were skipped; the first, line 2: its value \"N/A\" is not a number"},
        // A fall of more than half of 10^5 goes round; one of 5 is still a fall.
        {"rollover.csv", 5, "35 kWh from 99980 at 05/03/2012 08:00 to 15 at 05/03/2012 12:00",
         "line 4: the 5-digit register went round from 99990 to 10, booked as reading + 100000 \u2212 previous"},
        {"rollovers.csv", 2, "112 kWh from 90 at 05/03/2012 08:00 to 2 at 05/03/2012 12:00",
         "2 falls of the 2-digit register were booked as going round (reading + 100 \u2212 previous); the first, line 3: "
         "from 90 to 5"},
        {"rollover.csv", 6, "-99965 kWh from 99980 at 05/03/2012 08:00 to 15 at 05/03/2012 12:00",
         "2 falling readings"},
        {"rollover.csv", 0, "-99965 kWh from 99980 at 05/03/2012 08:00 to 15 at 05/03/2012 12:00",
         "2 falling readings"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ", " + std::to_string(c.digits) + " digits");
        SettingsRecord settings;
        settings.settingsMeterDigits = static_cast<std::int16_t>(c.digits);
        const std::string bytes = test::readFile(test::testDataDir() / "meterlogs" / c.file);
        const auto book = [&] { return bookedText(bytes, DateScope{}, settings); };
        const std::string text = withThreads("1", nullptr, book);
        EXPECT_EQ(withThreads("2", "64", book), text);
        EXPECT_EQ(text.rfind(std::string(c.booked) + "\n", 0), 0u) << text;
        EXPECT_NE(text.find("\n" + std::string(c.note)), std::string::npos) << text;
    }
}

// Scoped bills that join up take the last reading before the scope as their
// baseline, so consecutive ones add up to the whole log; else each loses the step into it.
TEST(TariffEngine, JoinedScopesAddUpToTheWholeLog)
{
    const std::string bytes = test::readFile(test::testDataDir() / "meterlogs" / "fortnight.csv");  // d*d on day d
    for (const int join : {1, 0}) {
        SettingsRecord settings;
        settings.settingsJoinPeriods = static_cast<std::int16_t>(join);
        const auto book = [&] {
            return bookedText(bytes, {true, "1", "3", "2012", "7"}, settings) + "+" +
                   bookedText(bytes, {true, "8", "3", "2012", "7"}, settings) + "=" +
                   bookedText(bytes, DateScope{}, settings);
        };
        const std::string text = withThreads("1", nullptr, book);
        EXPECT_EQ(withThreads("2", "64", book), text);
        // The whole log books 196 - 1; without joining, the second week loses 64 - 49.
        EXPECT_EQ(text, join ? "48 kWh from 1 at 01/03/2012 12:00 to 49 at 07/03/2012 12:00\n+"
                               "147 kWh from 49 at 07/03/2012 12:00 to 196 at 14/03/2012 12:00\n="
                               "195 kWh from 1 at 01/03/2012 12:00 to 196 at 14/03/2012 12:00\n"
                             : "48 kWh from 1 at 01/03/2012 12:00 to 49 at 07/03/2012 12:00\n+"
                               "132 kWh from 64 at 08/03/2012 12:00 to 196 at 14/03/2012 12:00\n="
                               "195 kWh from 1 at 01/03/2012 12:00 to 196 at 14/03/2012 12:00\n");
    }
    // A no-reading value just before the scope leaves it to start afresh.
    SettingsRecord joined;
    joined.settingsJoinPeriods = 1;
    EXPECT_EQ(bookedText(test::readFile(test::testDataDir() / "meterlogs" / "marker_before_scope.csv"),
                         {true, "5", "3", "2012", "1"}, joined)
                  .rfind("3 kWh from 50 at 05/03/2012 10:00 to 53", 0),
              0u);
}
