#include "core/reports/bill_chart.h"

#include <charconv>
#include <cmath>

#include "core/text/html_text.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

// Coordinates with one decimal, always with "." whatever the C locale says.
std::string svgNumber(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

std::string attr(std::string_view name, double value)
{
    return " " + std::string(name) + "='" + svgNumber(value) + "'";
}

// Greys and a hatch keep day and night apart on a black-and-white print.
constexpr std::string_view kDefinitions =
    "<defs><pattern id='lvNightHatch' width='6' height='6' patternUnits='userSpaceOnUse' "
    "patternTransform='rotate(45)'><rect width='6' height='6' fill='#ffffff'/>"
    "<line x1='0' y1='0' x2='0' y2='6' stroke='#000000' stroke-width='2.2'/></pattern></defs>";
constexpr std::string_view kDayFill = "#595959";
constexpr std::string_view kNightFill = "url(#lvNightHatch)";

std::string rect(double x, double y, double width, double height, std::string_view fill)
{
    return "<rect" + attr("x", x) + attr("y", y) + attr("width", width) + attr("height", height) + " fill='" +
           std::string(fill) + "' stroke='#000000' stroke-width='0.6'/>";
}

std::string text(double x, double y, std::string_view anchor, std::string_view body, int size = 11)
{
    return "<text" + attr("x", x) + attr("y", y) + " text-anchor='" + std::string(anchor) + "' font-size='" +
           std::to_string(size) + "'>" + std::string(body) + "</text>";
}

}  // namespace

ChartAxis roundChartAxis(double low, double high)
{
    ChartAxis axis;
    if (!(high > low))
        return axis;
    const double raw = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    axis.step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * magnitude;
    // A hair of slack, so a value that is a tick already does not gain one more.
    axis.top = std::ceil(high / axis.step - 1e-9) * axis.step;
    axis.bottom = std::floor(low / axis.step + 1e-9) * axis.step;
    return axis;
}

std::vector<ChartBar> chartBars(const FileFigures& figures, int first, int last, const ChartAxis& axis,
                                const ChartFrame& frame)
{
    std::vector<ChartBar> bars;
    first = first < 1 ? 1 : first;
    last = last > 31 ? 31 : last;
    if (last < first || !(axis.top > axis.bottom))
        return bars;
    const double slot = frame.width / (last - first + 1);
    const double scale = frame.height / (axis.top - axis.bottom);
    const double zeroY = frame.top + axis.top * scale;
    for (int d = first; d <= last; ++d) {
        const double day = figures.dayUnits[static_cast<std::size_t>(d)];
        const double night = figures.nightUnits[static_cast<std::size_t>(d)];
        ChartBar bar;
        bar.day = d;
        bar.width = slot * 0.7;
        bar.x = frame.left + (d - first) * slot + (slot - bar.width) / 2;
        // Positive parts stack up from the zero line and negative ones down from
        // it, so a day and a night of opposite signs never cover each other.
        double upTop = zeroY;
        double downBottom = zeroY;
        const auto place = [&](double value, double& y, double& height) {
            height = std::abs(value) * scale;
            if (value >= 0) {
                upTop -= height;
                y = upTop;
            } else {
                y = downBottom;
                downBottom += height;
            }
        };
        place(day, bar.dayY, bar.dayHeight);
        place(night, bar.nightY, bar.nightHeight);
        bars.push_back(bar);
    }
    return bars;
}

std::string billChartSvg(const FileFigures& figures, int first, int last, std::string_view caption)
{
    double low = 0;
    double high = 0;
    bool any = false;
    for (int d = first < 1 ? 1 : first; d <= last && d <= 31; ++d) {
        const double day = figures.dayUnits[static_cast<std::size_t>(d)];
        const double night = figures.nightUnits[static_cast<std::size_t>(d)];
        any = any || day != 0 || night != 0;
        high = std::max(high, std::max(day, 0.0) + std::max(night, 0.0));
        low = std::min(low, std::min(day, 0.0) + std::min(night, 0.0));
    }
    if (!any)
        return {};
    const ChartAxis axis = roundChartAxis(low, high);
    const ChartFrame frame;
    const double scale = frame.height / (axis.top - axis.bottom);
    const std::string label = htmlEscape(caption);

    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' class='chart' viewBox='0 0 720 262' role='img' "
                      "aria-label='" +
                      label + "' font-family='DejaVu Sans, Arial, sans-serif'><title>" + label + "</title>";
    svg += kDefinitions;
    // Ticks and grid lines first, so the bars stand in front of them.
    const int ticks = static_cast<int>(std::lround((axis.top - axis.bottom) / axis.step));
    for (int i = 0; i <= ticks; ++i) {
        const double value = axis.bottom + i * axis.step;
        const double y = frame.top + (axis.top - value) * scale;
        svg += "<line" + attr("x1", frame.left) + attr("y1", y) + attr("x2", frame.left + frame.width) + attr("y2", y) +
               (std::abs(value) < axis.step / 2 ? " stroke='#000000'" : " stroke='#b0b0b0' stroke-dasharray='3 3'") +
               " stroke-width='0.8'/>";
        svg += text(frame.left - 6, y + 4, "end", formatPlain(std::abs(value) < axis.step / 2 ? 0 : value));
    }
    svg += text(14, frame.top - 14, "start", "kWh", 12);
    svg += "<line" + attr("x1", frame.left) + attr("y1", frame.top) + attr("x2", frame.left) +
           attr("y2", frame.top + frame.height) + " stroke='#000000' stroke-width='1'/>";
    for (const ChartBar& bar : chartBars(figures, first, last, axis, frame)) {
        if (bar.dayHeight > 0)
            svg += rect(bar.x, bar.dayY, bar.width, bar.dayHeight, kDayFill);
        if (bar.nightHeight > 0)
            svg += rect(bar.x, bar.nightY, bar.width, bar.nightHeight, kNightFill);
        svg += text(bar.x + bar.width / 2, frame.top + frame.height + 15, "middle", std::to_string(bar.day), 10);
    }
    svg += text(frame.left + frame.width / 2, frame.top + frame.height + 34, "middle", "Day of month", 11);
    // The legend names both fills, so the chart reads without colour.
    const double legendX = frame.left + frame.width - 170;
    svg += rect(legendX, 8, 14, 14, kDayFill) + text(legendX + 20, 19, "start", "Day kWh");
    svg += rect(legendX + 90, 8, 14, 14, kNightFill) + text(legendX + 110, 19, "start", "Night kWh");
    svg += "</svg>";
    return svg;
}

}  // namespace lumivane
