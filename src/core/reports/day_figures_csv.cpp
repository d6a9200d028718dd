#include "core/reports/day_figures_csv.h"

#include <charconv>
#include <cmath>

#include "core/meterdata/date_scope_rules.h"

namespace lumivane {
namespace {

// Fixed decimals with "." whatever the C locale says; -0.000 is written 0.000.
std::string fixed(double value, int decimals)
{
    const double unit = std::pow(10.0, decimals);
    double rounded = std::round(value * unit) / unit;
    if (rounded == 0)
        rounded = 0;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

}  // namespace

std::string dayFiguresCsv(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings)
{
    // No field can hold a comma, a quote or a line break, so none needs quoting.
    std::string csv = "date,day_kwh,night_kwh,day_cost,night_cost,total_cost";
    const auto first = parseTimestamp(std::string_view(figures.fromText).substr(0, figures.fromText.find(' ')));
    if (!first)
        return csv;
    const int last = std::min(period.endDay, monthLength(first->year, first->month));
    const std::string month = std::to_string(first->year) + "-" + twoDigits(first->month) + "-";
    for (int d = period.startDay < 1 ? 1 : period.startDay; d <= last; ++d) {
        const double day = figures.dayUnits[static_cast<std::size_t>(d)];
        const double night = figures.nightUnits[static_cast<std::size_t>(d)];
        const double dayCost = day * settings.settingsDayCost;
        const double nightCost = night * settings.settingsNightCost;
        csv += "\r\n" + month + twoDigits(d) + "," + fixed(day, 3) + "," + fixed(night, 3) + "," + fixed(dayCost, 2) +
               "," + fixed(nightCost, 2) + "," + fixed(dayCost + nightCost, 2);
    }
    return csv;
}

}  // namespace lumivane
