#include "core/tariff/data_notes.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "core/tariff/file_booking.h"
#include "support/temp_dir.h"

using namespace lumivane;

namespace {

// Readings counting up from `value` + 1, stamped `minutes` after midnight of day `day` of `monthYear`.
std::string logAt(int day, const char* monthYear, const std::vector<int>& minutes, int value = 0)
{
    std::string log;
    for (const int m : minutes) {
        char line[64];
        std::snprintf(line, sizeof line, "0,%02d/%s %02d:%02d,%d\r\n", day + m / 1440, monthYear, m % 1440 / 60, m % 60,
                      ++value);
        log += line;
    }
    return log;
}

// 1,500 steps back of 5 minutes, each caught up by the next reading.
std::string stepsBack()
{
    std::vector<int> minutes;
    for (int k = 1; k <= 1500; ++k)
        minutes.insert(minutes.end(), {10 * k, 10 * k - 5});
    return logAt(1, "03/2012", minutes);
}

}  // namespace

// One row per cause, the threshold of a gap from both sides: the notes of the
// file, then those of each month booked on its own, against the committed text.
TEST(DataNotes, OneNotePerCause)
{
    const std::pair<const char*, std::string> cases[] = {
        {"a step of 4 times the usual is no gap", logAt(1, "03/2012", {0, 30, 60, 90, 210})},
        {"a step just over it is", logAt(1, "03/2012", {0, 30, 60, 90, 211})},
        {"a gap is at least an hour", logAt(1, "03/2012", {0, 1, 2, 3, 62})},
        {"an hour is", logAt(1, "03/2012", {0, 1, 2, 3, 63})},
        {"a gap is the month's it ends in",
         logAt(30, "04/2012", {1380, 1395, 1410, 1425}) + logAt(1, "05/2012", {120, 135, 150, 165}, 4)},
        {"a step back, caught up without a gap", logAt(1, "03/2012", {600, 615, 630, 570, 645, 660})},
        {"many steps back, counted in thousands", stepsBack()},
        {"repeated timestamps", logAt(1, "03/2012", {600, 615, 630, 630, 645, 660, 660})},
        {"the hour skipped in spring", logAt(30, "03/2025", {0, 15, 30, 45, 120, 135})},
        {"more than that hour", logAt(30, "03/2025", {0, 15, 30, 45, 181, 196})},
        {"the hour repeated in autumn", logAt(26, "10/2025", {30, 45, 60, 75, 90, 105, 60, 75, 90, 105, 120})},
        {"a second step back in that hour", logAt(26, "10/2025", {60, 75, 90, 105, 60, 75, 60, 120})},
        {"a stray month",
         logAt(31, "03/2012", {1410, 1425}) + "0,01/02/2012 00:00,3\r\n" + logAt(1, "04/2012", {0, 15, 30, 45}, 3)},
        {"a falling reading", "0,1/3/2012 10:00,5\r\n0,1/3/2012 11:00,3\r\n"},
        {"a line with no date", "0,1/3/2012 10:00,1\r\n0,x,2\r\n0,1/3/2012 11:00,3\r\n"},
        {"nothing booked, no line dated", "0,x,1\r\n0,y,2\r\n"},
        {"nothing booked in the first month", "0,1/3/2012 10:00,1\r\n0,1/4/2012 10:00,2\r\n"},
        {"nothing booked, each reading afresh",
         "0,1/3/2012 10:00,5\r\n0,1/3/2012 11:00,-499999\r\n0,1/3/2012 12:00,7\r\n"},
    };
    const SettingsRecord settings;
    std::string text;
    for (const auto& [cause, rows] : cases) {
        const std::string log = "S,T,V\r\n" + rows;
        const FileBooking whole = bookMeterLogFile(log, "notes.csv", {}, settings, false);
        const auto months = bookMeterLogFileByMonth(log, "notes.csv", {}, settings);
        text.append(cause).append("\n");
        for (const std::string& note : whole.figures.value().notes)
            text.append("  ").append(note).append("\n");
        for (const MonthFigures& month : months.value())
            for (const std::string& note : month.figures.notes)
                text.append("  ").append(monthKeyText(month.year, month.month)).append(": ").append(note).append("\n");
    }
    EXPECT_EQ(text, test::readFile(test::testDataDir() / "run_text" / "note_causes.txt"));
}
