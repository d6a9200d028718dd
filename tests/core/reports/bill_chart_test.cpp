#include "core/reports/bill_chart.h"

#include <gtest/gtest.h>

#include "core/reports/day_figures_csv.h"

using namespace lumivane;

namespace {

struct AxisCase {
    double low, high;
    double bottom, top, step;
};

TEST(BillChart, AxisTicksAreRoundAndEncloseTheValues)
{
    const AxisCase cases[] = {
        {0, 7.3, 0, 8, 2},   {0, 10, 0, 10, 2},   {0, 0.42, 0, 0.5, 0.1}, {0, 1234, 0, 1500, 500},
        {-3, 12, -5, 15, 5}, {0, 96, 0, 100, 20}, {0, 0, 0, 0, 0},
    };
    for (const AxisCase& c : cases) {
        const ChartAxis axis = roundChartAxis(c.low, c.high);
        EXPECT_DOUBLE_EQ(axis.bottom, c.bottom) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(axis.top, c.top) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(axis.step, c.step) << c.low << ".." << c.high;
    }
}

struct StackCase {
    double day, night;
    double dayTop, dayBottom, nightTop, nightBottom;  // in axis units, up is positive
};

// Positive parts stack up from zero, negative ones down from it: opposite signs never overlap.
TEST(BillChart, PositivePartsStackUpAndNegativeOnesDownFromZero)
{
    const StackCase cases[] = {
        {6, 2, 6, 0, 8, 6}, {-2, 0, 0, -2, 0, 0}, {4, -3, 4, 0, 0, -3}, {-3, 4, 0, -3, 4, 0}, {-1, -2, 0, -1, -1, -3},
    };
    const ChartFrame frame{0, 0, 100, 150};
    const ChartAxis axis{-5, 10, 5};
    const double scale = 150.0 / 15;
    const auto y = [&](double value) { return (axis.top - value) * scale; };
    for (const StackCase& c : cases) {
        FileFigures f;
        f.dayUnits[3] = c.day;
        f.nightUnits[3] = c.night;
        const auto bars = chartBars(f, 3, 4, axis, frame);
        ASSERT_EQ(bars.size(), 2u);
        const ChartBar& b = bars[0];
        EXPECT_DOUBLE_EQ(b.dayY, y(c.dayTop)) << c.day << " " << c.night;
        EXPECT_DOUBLE_EQ(b.dayY + b.dayHeight, y(c.dayBottom)) << c.day << " " << c.night;
        EXPECT_DOUBLE_EQ(b.nightY, y(c.nightTop)) << c.day << " " << c.night;
        EXPECT_DOUBLE_EQ(b.nightY + b.nightHeight, y(c.nightBottom)) << c.day << " " << c.night;
        EXPECT_LT(b.x + b.width, bars[1].x);
    }
}

// No booked step in the period: no chart. The caption is escaped; nothing is fetched or run.
TEST(BillChart, OnlyBookedStepsGiveAChartWithAnEscapedCaption)
{
    FileFigures f;
    EXPECT_EQ(billChartSvg(f, 1, 31, "x"), "");
    f.dayUnits[20] = 5;
    EXPECT_EQ(billChartSvg(f, 1, 19, "x"), "");
    const std::string svg = billChartSvg(f, 1, 20, "<A&B> 100%");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("&lt;A&amp;B&gt; 100&#37;"), std::string::npos);
    EXPECT_EQ(svg.find("<A&B>"), std::string::npos);
}

TEST(DayFiguresCsv, OneRowPerDayOfThePeriodWithPlainDecimals)
{
    FileFigures f;
    f.dayUnits[2] = 1234.5;
    f.nightUnits[2] = 0.0004;
    f.nightUnits[29] = -1;
    const std::string csv =
        dayFiguresCsv(f, BillPeriod{"", 1, 29, 2012, 2}, SettingsRecord{});  // 0.16 by day, 0.09 by night
    EXPECT_EQ(csv.substr(0, csv.find("\r\n2012-02-03")), "date,day_kwh,night_kwh,day_cost,night_cost,total_cost\r\n"
                                                         "2012-02-01,0.000,0.000,0.00,0.00,0.00\r\n"
                                                         "2012-02-02,1234.500,0.000,197.52,0.00,197.52");
    EXPECT_EQ(csv.substr(csv.rfind("\r\n") + 2), "2012-02-29,0.000,-1.000,0.00,-0.09,-0.09");
}

}  // namespace
