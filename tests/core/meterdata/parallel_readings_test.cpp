#include "core/meterdata/parallel_readings.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "core/graph/recording_bar_sink.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/tariff/tariff_engine.h"
#include "core/tariff/walk_state.h"
#include "support/temp_dir.h"

namespace lumivane {
namespace {

using test::withThreads;

// A damaged log of one layout: skipped statuses, long forms, bare dates,
// dates that are none, short and empty lines, odd values, then at `badAt` a
// status that is no number. Time stamps day first, or as ISO 8601 twins;
// line ends "mixed": CR LF with a bare LF at every fifth line.
std::string damagedLog(unsigned seed, const std::string& layout, std::string lineEnd, int lines, int badAt,
                       bool iso = false)
{
    const bool tab = layout == "tab", mixed = lineEnd == "mixed";
    const auto endOf = [&](int line) { return mixed ? (line % 5 == 2 ? "\n" : "\r\n") : lineEnd; };
    std::string text;
    const int headers = layout == "gateway" ? 7 : tab ? 8 : 1;
    for (int h = 1; h <= headers; ++h)
        text +=
            (h == 1 && layout == "gateway" ? "Gateway Name,Gateway SN,x" : "Head,er " + std::to_string(h)) + endOf(h);
    std::mt19937 random(seed);
    double value = 500;
    const char* months[] = {"Feb", "Mar", "Apr", "Mar"};
    for (int i = 1; i <= lines; ++i) {
        const int minutes = i * 53, day = 1 + minutes / 1440 % 28;
        char stamp[64];
        const unsigned roll = random() % 40;
        if (!tab && roll == 0)
            std::snprintf(stamp, sizeof stamp, "%02d-%s-2012 %02d:%02d:07.250", day, months[random() % 4],
                          minutes % 1440 / 60, minutes % 60);
        else if (roll == 1)
            std::snprintf(stamp, sizeof stamp, iso ? "2012-03-%02d" : "%02d/03/2012", day);
        else if (roll == 2)
            std::snprintf(stamp, sizeof stamp, iso ? "2012-13-%02dT01:00" : "%d/13/2012 1:00", day);
        else if (iso)
            std::snprintf(stamp, sizeof stamp, "2012-03-%02d%c%02d:%02d%s", day, "T "[i % 2], minutes % 1440 / 60,
                          minutes % 60, std::array{"", "Z", "+01:00", ":00"}[i % 4]);
        else
            std::snprintf(stamp, sizeof stamp, "%02d/03/2012 %02d:%02d", day, minutes % 1440 / 60, minutes % 60);
        value += (random() % 90) / 8.0 - (roll == 3 ? 40 : 0);
        const std::string number = roll == 4 ? " 1e2" : roll == 5 ? "0x1" : std::to_string(value);
        const std::string status = i == badAt ? "s" : roll == 0 ? "LONGFORM" : roll == 6 ? "1" : "0";
        if (roll == 7)
            text += "lonely";
        else if (tab)
            text += std::string(stamp) + "\t" + number + "\textra";
        else if (layout == "gateway")
            text += status + ",GW," + stamp + ",kWh," + number + ",x,y";
        else
            text += status + "," + stamp + "," + number;
        text += endOf(headers + i);
    }
    return text;
}

struct Log {
    std::string name, path, bytes;
    std::string twin;  // of an ISO 8601 log: the same log day first
};

std::vector<Log> logsOfAllKinds()
{
    std::vector<Log> logs;
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataDir() / "meterlogs"))
        logs.push_back({entry.path().filename().string(), entry.path().string(), test::readFile(entry.path())});
    const char* ends[] = {"\r\n", "\n", "\r", "mixed"};
    unsigned seed = 1;
    for (const std::string layout : {"plain", "gateway", "tab"})
        for (const char* end : ends) {
            const std::string path = "/d/" + layout + (layout == "tab" ? ".IRIO.txt" : ".csv");
            logs.push_back({layout + " " + std::to_string(seed), path, damagedLog(seed, layout, end, 900, 0)});
            logs.push_back({layout + " bad", path, damagedLog(seed + 50, layout, end, 900, 700)});
            logs.push_back({layout + " iso", path, damagedLog(seed, layout, end, 900, 0, true), logs.end()[-2].bytes});
            ++seed;
        }
    return logs;
}

// Every reading, the lines without a date and the end of a walk, as text.
std::string walkTranscript(const Log& log, bool longForm)
{
    const auto engineShape = engineLayoutOf(log.path, firstLineOf(log.bytes));
    const LayoutShape shape =
        longForm ? (engineShape ? *engineShape : shapeOf(MeterLayout::Plain)) : scanLayoutOf(firstLineOf(log.bytes));
    const ScopeRule scope{true, daysFromCivil(2012, 3, 3), 20};
    ReadingFilter filter(shape, longForm, scope);
    std::ostringstream out;
    out.precision(17);
    const auto walked = walkMeterReadings(log.bytes, filter, [&](const MeterReading& r) -> Expected<void> {
        const auto value = meterValueOf(r);
        out << r.lineNumber << ' ' << r.timestampText << ' ' << r.valueText << ' ' << (value ? *value : -1.0) << ' '
            << r.stamp.dayNumber << ' ' << r.stamp.secondOfDay << ' ' << r.stamp.hour << r.stamp.hasTime << '\n';
        if (r.valueText == "0x1")
            return failure("stop", r.lineNumber);
        return {};
    });
    out << filter.noDateLines().count << ' ' << filter.noDateLines().firstLine << ' ' << filter.noDateLines().firstText
        << ' ' << filter.bareLineFeeds().count << ' ' << filter.bareLineFeeds().firstLine << '\n';
    if (!walked)
        out << walked.error().line << ": " << walked.error().reason;
    return out.str();
}

// What the one-walk engine leaves, notes and bars included; `texts` false
// leaves out the time stamp texts, which are shown as they stand in the
// file; `drawn` false draws no bars, so the pre-scan alone scales the graph.
std::string engineTranscript(const Log& log, bool texts = true, bool drawn = true,
                             const ScopeRule& scope = {true, daysFromCivil(2012, 3, 2), 25})
{
    SettingsRecord settings;
    settings.settingsMultiplier = 1.5;
    ReadingMemory memory;
    GraphState graph;
    test::RecordingBarSink sink;
    EngineOutcome outcome = scanAndCalculateMeterLog(log.bytes, log.path, scope, settings, memory, graph,
                                                     defaultGraphPalette(), drawn ? &sink : nullptr);
    if (outcome && !texts)
        outcome->fromText = outcome->toText = "";
    std::ostringstream bars;
    for (const test::RecordedBar& bar : sink.bars)
        bars << ' ' << bar;
    std::string text = test::walkState(outcome, memory, graph) + " bars" + bars.str();
    if (outcome)
        for (const std::string& note : outcome->notes)
            text += "\n" + (texts ? note : note.substr(0, note.find_first_of("\":")));
    return text;
}

// A log of four months, hourly, with what breaks a run of one month: a
// step back into the first month, values that are no number, negative or
// the no-reading value, skipped statuses, short lines, lines without a date,
// bare dates, bare LFs in a CR LF file; at `badAt` a status that is no number.
std::string monthsLog(unsigned seed, const std::string& lineEnd, int badAt)
{
    std::mt19937 random(seed);
    std::string text = "Status,Timestamp,Value" + lineEnd;
    double value = 100;
    for (int i = 1; i <= 2900; ++i) {
        // Hours from 1 January 2012; around line 1500 the log steps back into January for a day.
        const int hour = (i > 1500 && i <= 1524) ? 300 + i - 1500 : i;
        const int day = hour / 24;
        const int month = day < 31 ? 1 : day < 60 ? 2 : day < 91 ? 3 : 4;
        const int dayOfMonth = day - (month == 1 ? 0 : month == 2 ? 31 : month == 3 ? 60 : 91) + 1;
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/2012 %02d:%02d", dayOfMonth, month, hour % 24, (i * 7) % 60);
        value += (random() % 50) / 4.0;
        const unsigned roll = random() % 60;
        const std::string number = roll == 0   ? "N/A"
                                   : roll == 1 ? "-3.5"
                                   : roll == 2 ? "-499999"
                                   : roll == 3 ? "123456789.5"
                                               : std::to_string(value);
        if (i == badAt)
            text += "x," + std::string(stamp) + "," + number;
        else if (roll == 4)
            text += "1," + std::string(stamp) + ",7";
        else if (roll == 5)
            text += "lonely";
        else if (roll == 6)
            text += "0,31/02/2012 10:00," + number;
        else if (roll == 7)
            text += "0," + std::string(stamp).substr(0, 10) + "," + number;
        else
            text += "0," + std::string(stamp) + "," + number;
        text += lineEnd == "mixed" ? (roll == 8 ? "\n" : "\r\n") : lineEnd;
    }
    return text;
}

// The engine alone (no pre-scan, as lumivane-calc books): figures, reading
// memory, register reads and every data note, time stamp texts included.
std::string bookingTranscript(const Log& log, const ScopeRule& scope, int meterDigits = 0)
{
    SettingsRecord settings;
    settings.settingsMultiplier = 1.5;
    settings.settingsMeterDigits = static_cast<std::int16_t>(meterDigits);
    ReadingMemory memory;
    GraphState graph;
    const EngineOutcome outcome =
        calculateMeterLog(log.bytes, log.path, scope, settings, memory, graph, defaultGraphPalette(), nullptr);
    std::string text = test::walkState(outcome, memory, graph);
    if (outcome) {
        std::ostringstream reads;
        reads.precision(17);
        for (const RegisterRead& read : {outcome->openingRead, outcome->closingRead})
            reads << ' ' << read.present << ' ' << read.value << ' ' << read.timestampText;
        text += " from " + outcome->fromText + " to " + outcome->toText + reads.str() + " steps " +
                std::to_string(outcome->bookedSteps);
        for (const std::string& note : outcome->notes)
            text += "\n" + note;
    }
    return text;
}

// Three months of readings every few minutes across the day and night
// hours, with what ends a stretch of usual lines: another interval, a
// repeated or earlier time, a gap, a fall, a register going round past
// 99999, values that are no number, the no-reading value, values of other
// shapes, skipped statuses and lines without a date. `numbersOnly` leaves
// out the values that are no number, which end the pre-scan.
std::string usualLinesLog(unsigned seed, const std::string& lineEnd, bool numbersOnly = false)
{
    std::mt19937 random(seed);
    std::string text = "Status,Timestamp,Value" + lineEnd;
    long long minute = daysFromCivil(2012, 1, 29) * 1440;
    int interval = 5;
    double value = 99000;
    for (int i = 1; i <= 12000; ++i) {
        const unsigned roll = random() % 400;
        if (roll < 4)
            interval = std::array{1, 5, 7, 30}[roll];
        minute += roll == 4 ? 95 : roll == 5 ? 0 : roll == 6 ? -20 : interval;
        value += (random() % 40) / 1000.0 - (roll == 7 ? 2 : 0);
        if (value >= 100000)
            value -= 100000;
        const CalendarStamp date = civilFromDays(minute / 1440);
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d", date.day, date.month, date.year,
                      static_cast<int>(minute % 1440 / 60), static_cast<int>(minute % 60));
        char number[40];
        std::snprintf(number, sizeof number, roll == 8 ? "%.8f" : roll == 9 ? "%.0f" : "%.3f", value);
        const std::string shown = roll == 10 && !numbersOnly ? "N/A"
                                  : roll == 11               ? "-499999"
                                  : roll == 12               ? "1e3"
                                                             : number;
        if (roll == 13)
            text += "1," + std::string(stamp) + "," + shown;
        else if (roll == 14)
            text += "0,30/02/2012 10:00," + shown;
        else
            text += "0," + std::string(stamp) + "," + shown;
        text += lineEnd;
    }
    return text;
}

// The same log with a field after the value on every line that has one,
// which the general rules read as they read the usual line.
std::string withFieldAfterValue(const std::string& log)
{
    std::string text;
    for (std::size_t from = 0; from < log.size();) {
        const std::size_t end = log.find_first_of("\r\n", from);
        text += log.substr(from, end - from) + ",x";
        from = log.find_first_not_of("\r\n", end);
        text += log.substr(end, from - end);
    }
    return text;
}

}  // namespace

// Parts cut anywhere (lines split between threads at every few bytes) give
// the walk of one thread: line numbers, readings, lines without a date, errors.
TEST(ParallelReadings, PartsOfAnySizeWalkLikeOneThread)
{
    for (const Log& log : logsOfAllKinds()) {
        for (const bool longForm : {true, false}) {
            const auto walk = [&] { return walkTranscript(log, longForm); };
            const std::string one = withThreads("1", nullptr, walk);
            for (const char* partBytes : {"1", "9", "64", "700"})
                ASSERT_EQ(one, withThreads("3", partBytes, walk)) << log.name << ", parts of " << partBytes;
        }
    }
}

// The pre-scan and the engine read in parts end as on one thread: figures,
// reading memory, graph scale, bars and data notes. A log with ISO 8601 time
// stamps (T or blank, seconds, Z or an offset) books what its day-first twin books.
TEST(ParallelReadings, EngineOnPartsEndsLikeOnOneThread)
{
    for (const Log& log : logsOfAllKinds()) {
        const auto calculate = [&] { return engineTranscript(log); };
        const std::string one = withThreads("1", nullptr, calculate);
        for (const char* partBytes : {"1", "50", "1000"})
            ASSERT_EQ(one, withThreads("2", partBytes, calculate)) << log.name << ", parts of " << partBytes;
        if (!log.twin.empty()) {
            ASSERT_EQ(engineTranscript(log, false), engineTranscript({log.name, log.path, log.twin}, false))
                << log.name;
        }
    }
}

// A booking that takes the runs of other months whole, read ahead on other
// threads, books and notes what the walk of one thread does, wherever the
// parts are cut: runs of the booked month after a step back are booked, and
// whatever breaks a run is walked in order.
TEST(ParallelReadings, MonthRunsReadAheadBookLikeOneThread)
{
    std::vector<Log> logs = logsOfAllKinds();
    for (const char* end : {"\r\n", "\n", "mixed"})
        for (const int badAt : {0, 2700})
            logs.push_back({std::string("months ") + std::to_string(badAt), "/d/months.csv", monthsLog(7, end, badAt)});
    const ScopeRule none;
    const ScopeRule march{true, daysFromCivil(2012, 2, 27), 40};
    for (const Log& log : logs) {
        for (const ScopeRule& scope : {none, march}) {
            const auto book = [&] { return bookingTranscript(log, scope); };
            const std::string one = withThreads("1", nullptr, book);
            for (const char* threads : {"2", "3"})
                for (const char* partBytes : {"1", "300", "7000"})
                    ASSERT_EQ(one, withThreads(threads, partBytes, book))
                        << log.name << ", " << threads << " threads, parts of " << partBytes;
        }
    }
}

// The plain layout's usual line is read in place; lines that nearly have its
// shape read as the general rules read them, which a field after the value
// brings every line to.
TEST(ParallelReadings, UsualLinesReadInPlaceLikeEveryOtherLine)
{
    std::string usual = "Status,Timestamp,Value\r\n", general = usual;
    for (const char* line :
         {"0,05/03/2012 00:00,100", "0,05/03/2012 12:60,101", "0,05/03/2012 24:00,102", "1,05/03/2012 10:00,103",
          "00,05/03/2012 10:00,5", "0,05/03/2012 1a:00,5", "0,05/03/2012T10:00,5", "0,05/03/2012 10:00:30,5",
          "0,05/03/2012 10:01,12345678901234567", "0,05/03/2012 10:02,", "0,06/03/2012 10:00,7", "0,06/03/2012 11:00,8",
          "0,30/03/2012 10:00,9", "0,30/03/2012 11:00,10", "0,06/03/2012 12:00,11",
          "1,------------------------------"}) {
        usual += line + std::string("\r\n");
        general += line + std::string(",x\r\n");
    }
    EXPECT_EQ(walkTranscript({"usual", "/d/u.csv", usual}, true),
              walkTranscript({"general", "/d/u.csv", general}, true));
}

// Usual lines booked, counted as another month's or surveyed ahead in
// stretches book, note and draw what the same lines read one by one by the
// general rules book, note and draw: on one thread, in month runs and with
// the pre-scan.
TEST(ParallelReadings, UsualLinesBookInStretchesLikeOneByOne)
{
    const ScopeRule none;
    const ScopeRule february{true, daysFromCivil(2012, 2, 3), 40};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        const std::string usual = usualLinesLog(3, end);
        const Log general{"general", "/d/u.csv", withFieldAfterValue(usual)};
        // With the pre-scan and the bars of the booked steps, as the window books.
        const std::string numbers = usualLinesLog(3, end, true);
        for (const ScopeRule& scope : {none, february}) {
            for (const bool drawn : {true, false})
                EXPECT_EQ(engineTranscript({"usual", "/d/u.csv", numbers}, true, drawn, scope),
                          engineTranscript({"general", "/d/u.csv", withFieldAfterValue(numbers)}, true, drawn, scope));
            for (const int digits : {0, 5}) {
                const std::string expected =
                    withThreads("1", nullptr, [&] { return bookingTranscript(general, scope, digits); });
                EXPECT_GT(expected.size(), 1000u);
                for (const char* threads : {"1", "2"})
                    EXPECT_EQ(withThreads(threads, "9000",
                                          [&] {
                                              return bookingTranscript({"usual", "/d/u.csv", usual}, scope, digits);
                                          }),
                              expected)
                        << threads << " threads, scope " << scope.enabled << ", digits " << digits;
            }
        }
    }
}

TEST(ParallelReadings, ThreadSwitchAndSmallFiles)
{
    EXPECT_FALSE(withThreads("1", nullptr, ParallelPlan::fromEnvironment).splits(std::size_t{1} << 30));
    const ParallelPlan plan = withThreads("2", nullptr, ParallelPlan::fromEnvironment);
    EXPECT_EQ(plan.threads, 2u);
    EXPECT_FALSE(plan.splits(1000));
    EXPECT_TRUE(plan.splits(std::size_t{8} << 20));
    // A booking that takes month runs splits a large file on two processors too, in two even parts.
    const ParallelPlan runs = withThreads("2", nullptr, ParallelPlan::forMonthRuns);
    EXPECT_EQ(runs.threads, 2u);
    EXPECT_EQ(runs.partBytes, 0u);
    EXPECT_FALSE(runs.splits(1000));
    EXPECT_TRUE(runs.splits(std::size_t{8} << 20));
}

}  // namespace lumivane
