#include "core/tariff/monthly_figures.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

using namespace lumivane;

namespace {

Expected<std::vector<MonthFigures>> byMonth(const std::string& log, const SettingsRecord& settings = {})
{
    return calculateMeterLogByMonth(log, "site1.csv", ScopeRule{}, settings);
}

}  // namespace

// March 2012 and March 2013 are months of their own; a step across a month end
// is booked on the later reading's day.
TEST(MonthlyFigures, EachMonthOfEachYearBooksTheStepsOfItsOwnDays)
{
    SettingsRecord settings;
    settings.settingsMultiplier = 2;
    const auto out = byMonth(test::readFile(test::testDataDir() / "meterlogs" / "thirteen_months.csv"), settings);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 13u);
    const MonthFigures &first = out->front(), &last = out->back();
    EXPECT_EQ(monthKeyText(first.year, first.month), "2012-03");
    EXPECT_DOUBLE_EQ(first.figures.dayTotal, 10 * 2);
    EXPECT_EQ(first.figures.toText, "15/03/2012 08:00");
    EXPECT_DOUBLE_EQ((*out)[1].figures.dayUnits[1], 120 * 2);
    EXPECT_EQ(monthKeyText(last.year, last.month), "2013-03");
    EXPECT_DOUBLE_EQ(last.figures.dayTotal, (120 + 10) * 2);
}

TEST(MonthlyFigures, MonthsComeInCalendarOrder)
{
    const auto out = byMonth("Status,Timestamp,Value\n0,01/05/2012 10:00,1\n0,01/04/2012 10:00,2\n"
                             "0,02/05/2012 10:00,4\n");
    ASSERT_EQ(out->size(), 2u);
    EXPECT_EQ((*out)[0].month, 4);
    EXPECT_DOUBLE_EQ((*out)[0].figures.dayTotal, 1);
    EXPECT_DOUBLE_EQ((*out)[1].figures.dayTotal, 2);
}
