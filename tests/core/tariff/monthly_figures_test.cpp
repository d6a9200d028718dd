#include "core/tariff/monthly_figures.h"

#include <gtest/gtest.h>

using namespace lumivane;

namespace {

Expected<std::vector<MonthFigures>> byMonth(const std::string& log, const SettingsRecord& settings = {})
{
    return calculateMeterLogByMonth(log, "site1.csv", ScopeRule{}, settings);
}

}  // namespace

TEST(MonthlyFigures, StepAcrossMonthEndIsBookedOnTheLaterReadingsDay)
{
    SettingsRecord settings;
    settings.settingsMultiplier = 2;
    const auto out = byMonth("Status,Timestamp,Value\n"
                             "0,30/03/2012 10:00,100\n"
                             "0,31/03/2012 23:00,103\n"
                             "0,01/04/2012 01:00,110\n"
                             "0,01/04/2012 12:00,111\n"
                             "0,03/05/2013 12:00,112\n",
                             settings);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 3u);
    const MonthFigures& march = (*out)[0];
    EXPECT_EQ(monthKeyText(march.year, march.month), "2012-03");
    EXPECT_DOUBLE_EQ(march.figures.nightUnits[31], 6);
    EXPECT_EQ(march.figures.fromText, "30/03/2012 10:00");
    EXPECT_EQ(march.figures.toText, "31/03/2012 23:00");
    const MonthFigures& april = (*out)[1];
    EXPECT_DOUBLE_EQ(april.figures.nightUnits[1], 14);
    EXPECT_DOUBLE_EQ(april.figures.dayUnits[1], 2);
    EXPECT_EQ(monthKeyText((*out)[2].year, (*out)[2].month), "2013-05");
    double sum = 0;
    for (const MonthFigures& m : *out)
        sum += m.figures.dayTotal + m.figures.nightTotal;
    EXPECT_DOUBLE_EQ(sum, (112 - 100) * 2);
}

TEST(MonthlyFigures, MonthsComeInCalendarOrderAndBadValuesStopTheFile)
{
    const auto out = byMonth("Status,Timestamp,Value\n0,01/05/2012 10:00,1\n0,01/04/2012 10:00,2\n"
                             "0,02/05/2012 10:00,4\n");
    ASSERT_EQ(out->size(), 2u);
    EXPECT_EQ((*out)[0].month, 4);
    EXPECT_DOUBLE_EQ((*out)[0].figures.dayTotal, 1);
    EXPECT_DOUBLE_EQ((*out)[1].figures.dayTotal, 2);
    const auto bad = byMonth("Status,Timestamp,Value\n0,01/05/2012 10:00,1\n0,01/05/2012 11:00,x\n");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().line, 3u);
}
