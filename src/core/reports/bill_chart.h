#pragma once
// The bill's chart: booked day and night kWh per day as stacked bars in an
// inline SVG that needs no script, no file and no colour to be read.
#include <string>
#include <string_view>
#include <vector>

#include "core/reports/file_figures.h"

namespace lumivane {

// A kWh axis with round ticks: `step` is 1, 2 or 5 times a power of ten, and
// bottom and top are whole multiples of it that enclose the values.
struct ChartAxis {
    double bottom = 0;
    double top = 0;
    double step = 0;
};

// The round axis for values from `low` to `high` (low <= 0 <= high); about five ticks.
ChartAxis roundChartAxis(double low, double high);

// One day's stacked bar in the plot's own units: y grows downwards, as in SVG.
struct ChartBar {
    int day = 0;
    double x = 0;
    double width = 0;
    double dayY = 0;  // the day part stands on (or, when negative, hangs from) the zero line
    double dayHeight = 0;
    double nightY = 0;  // the night part goes on from the day part when of its sign, else from zero
    double nightHeight = 0;
};

// The plot area of the chart, in SVG user units.
struct ChartFrame {
    double left = 56;
    double top = 34;
    double width = 650;
    double height = 190;
};

// The bars of days first..last (clamped to 1..31) on `axis` within `frame`.
std::vector<ChartBar> chartBars(const FileFigures& figures, int first, int last, const ChartAxis& axis,
                                const ChartFrame& frame);

// The whole <svg> element for days first..last; "" when none of them has a
// booked step. `caption` (plain text) names the chart for readers and tools.
std::string billChartSvg(const FileFigures& figures, int first, int last, std::string_view caption);

}  // namespace lumivane
