#include "core/tariff/data_notes.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "core/tariff/file_booking.h"

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

// One row per cause, the threshold of a gap from both sides; the same notes per
// month, where a month is booked on its own, unless the row says otherwise.
TEST(DataNotes, OneNotePerCause)
{
    const struct {
        const char* cause;
        std::string log;
        std::string notes;
        const char* eachMonth = nullptr;  // when the months' notes differ
    } cases[] = {
        {"a step of 4 times the usual is no gap", logAt(1, "03/2012", {0, 30, 60, 90, 210}), ""},
        {"a step just over it is", logAt(1, "03/2012", {0, 30, 60, 90, 211}),
         "1 gap in the readings (steps of more than 4 times the usual 30 min and at least 1 h); the longest, line 6, "
         "starts 01/03/2012 01:30, lasts 2 h 1 min and books 1.000 kWh"},
        {"a gap is at least an hour", logAt(1, "03/2012", {0, 1, 2, 3, 62}), ""},
        {"an hour is", logAt(1, "03/2012", {0, 1, 2, 3, 63}),
         "1 gap in the readings (steps of more than 4 times the usual 1 min and at least 1 h); the longest, line 6, "
         "starts 01/03/2012 00:03, lasts 1 h and books 1.000 kWh"},
        {"a step back, caught up without a gap", logAt(1, "03/2012", {600, 615, 630, 570, 645, 660}),
         "1 reading is earlier than the one before it, the first on line 5"},
        {"many steps back, counted in thousands", stepsBack(),
         "1,500 readings are earlier than the ones before them, the first on line 3"},
        {"repeated timestamps", logAt(1, "03/2012", {600, 615, 630, 630, 645, 660, 660}),
         "2 readings have the same timestamp as the ones before them, the first on line 5"},
        {"the hour skipped in spring", logAt(30, "03/2025", {0, 15, 30, 45, 120, 135}), ""},
        {"more than that hour", logAt(30, "03/2025", {0, 15, 30, 45, 181, 196}),
         "1 gap in the readings (steps of more than 4 times the usual 15 min and at least 1 h); the longest, line 6, "
         "starts 30/03/2025 00:45, lasts 2 h 16 min and books 1.000 kWh"},
        {"the hour repeated in autumn", logAt(26, "10/2025", {30, 45, 60, 75, 90, 105, 60, 75, 90, 105, 120}), ""},
        {"a second step back in that hour", logAt(26, "10/2025", {60, 75, 90, 105, 60, 75, 60, 120}),
         "1 reading is earlier than the one before it, the first on line 8"},
        {"a stray month",
         logAt(31, "03/2012", {1410, 1425}) + "0,01/02/2012 00:00,3\r\n" + logAt(1, "04/2012", {0, 15, 30, 45}, 3),
         "5 readings outside March 2012, the month of the first reading, were not booked: from 01/02/2012 00:00 to "
         "01/04/2012 00:45, the first on line 4",
         "1 reading is earlier than the one before it, the first on line 4"},
        {"a falling reading", "0,1/3/2012 10:00,5\r\n0,1/3/2012 11:00,3\r\n",
         "1 falling reading, booked as negative energy; the first on line 3 at 01/03/2012 11:00, a step of -2.000 kWh"},
        {"a line with no date", "0,1/3/2012 10:00,1\r\n0,x,2\r\n0,1/3/2012 11:00,3\r\n",
         "1 line skipped because the timestamp is no date; the first, line 3: \"x\""},
        {"nothing booked, no line dated", "0,x,1\r\n0,y,2\r\n",
         "no reading was booked: all 2 data lines were skipped; the first, line 2: its timestamp \"x\" is no date"},
        {"nothing booked in the first month", "0,1/3/2012 10:00,1\r\n0,1/4/2012 10:00,2\r\n",
         "no reading was booked: the first reading of March 2012 (line 2) only sets the baseline, and no later "
         "reading of that month follows; 1 reading of other months was not booked",
         "no step was booked in this month: its one reading only set the baseline"},
    };
    const SettingsRecord settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        const std::string log = "S,T,V\r\n" + c.log;
        const FileBooking booking = bookMeterLogFile(log, "notes.csv", DateScope{}, settings, false);
        ASSERT_TRUE(booking.figures);
        EXPECT_EQ(booking.figures->notes, (c.notes.empty() ? std::vector<std::string>{} : std::vector{c.notes}));
        const auto months = bookMeterLogFileByMonth(log, "notes.csv", DateScope{}, settings);
        std::string monthNotes;
        for (const MonthFigures& month : months.value())
            for (const std::string& note : month.figures.notes)
                monthNotes += note;
        EXPECT_EQ(monthNotes, c.eachMonth ? c.eachMonth : c.notes);
    }
}
