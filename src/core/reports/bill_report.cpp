#include "core/reports/bill_report.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/reports/bill_chart.h"
#include "core/text/file_label.h"
#include "core/text/html_text.h"
#include "core/text/number_text.h"
#include "core/text/upper_case.h"
#include "core/reports/report_files.h"
#include "core/meterdata/date_scope_rules.h"

namespace lumivane {
namespace {

std::string valueCell(double value) { return "<td class='values'>" + formatEnergy(value) + "</td>"; }

// The data notes as a list; nothing for a file without notes.
std::string notesList(const std::vector<std::string>* notes)
{
    if (!notes || notes->empty())
        return {};
    std::string list = "<section class='notes'><h2>Data notes</h2><ul>";
    for (const std::string& note : *notes)
        list += "<li>" + htmlEscape(note) + "</li>";
    return list + "</ul></section>";
}

}  // namespace

double moneyTextValue(std::string_view text)
{
    // Money texts carry thousands groups ("1,234.50"); they are read back without them.
    std::string digits;
    for (const char c : text)
        if (c != ',')
            digits.push_back(c);
    return parseDecimal(digits).value_or(0.0);
}

std::string billTitleOf(std::string_view fileLabel)
{
    const std::string name = fileNameOfLabel(fileLabel);
    const std::size_t csv = name.find(".csv");
    // A log named ".csv" has nothing before it: its name is the title.
    return upperCaseText(csv == 0 ? name : name.substr(0, csv));
}

BillPeriod billPeriodOf(const FileFigures& figures, const DateScope& scope)
{
    BillPeriod period;
    if (scope.enabled) {
        // The field texts as they stand; the end day may pass the month's end.
        const long long start = parseWholeNumber(scope.dayText).value_or(1);  // checked by scopeRuleOf
        const long long days = parseWholeNumber(scope.daysText).value_or(0);
        const long long end = start + days - 1;
        period.startDay = static_cast<int>(start);
        period.endDay = static_cast<int>(end < 0 ? 0 : (end > 1000 ? 1000 : end));
        period.text = scope.dayText + "/" + scope.monthText + "/" + scope.yearText + " - " + std::to_string(end) + "/" +
                      scope.monthText + "/" + scope.yearText;
        return period;
    }
    // Without a scope the bill covers the month of the first reading; a file
    // with no reading in scope has no month, so its bill has no period and no rows.
    const auto first = parseTimestamp(std::string_view(figures.fromText).substr(0, figures.fromText.find(' ')));
    if (!first) {
        period.startDay = 1;
        period.endDay = 0;
        return period;
    }
    const std::string month = std::to_string(first->month);
    const std::string year = std::to_string(first->year);
    const std::string end = daysInMonth(first->year, first->month);
    period.startDay = 1;
    period.endDay = monthLength(first->year, first->month);
    period.text = "1/" + month + "/" + year + " - " + end + "/" + month + "/" + year;
    return period;
}

std::string billFileNameOf(std::string_view title, bool& renamed)
{
    title.remove_prefix(std::min(title.find_first_not_of('.'), title.size()));
    std::string name = std::string(title) + ".html";
    const std::string_view menu = kReportsMenuName;
    renamed = name.size() == menu.size() && std::equal(name.begin(), name.end(), menu.begin(), [](char a, char b) {
                  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
              });
    return renamed ? std::string(title) + "-bill.html" : name;
}

Expected<BillText> fillBill(std::string_view templateText, const BillInputs& in)
{
    BillText bill;
    const FileFigures& f = *in.figures;
    const SettingsRecord& s = *in.settings;
    const std::string title = billTitleOf(in.fileLabel) + std::string(in.titleSuffix);
    const BillPeriod period = billPeriodOf(f, *in.scope);

    std::string rows;
    double dayUnits = 0;
    double nightUnits = 0;
    // The per-day arrays end at day 31: a longer scope keeps its end day in
    // the period text, but the table stops at 31.
    const int lastRow = period.endDay < 31 ? period.endDay : 31;
    for (int d = period.startDay < 0 ? 0 : period.startDay; d <= lastRow; ++d) {
        const double day = f.dayUnits[static_cast<std::size_t>(d)];
        const double night = f.nightUnits[static_cast<std::size_t>(d)];
        rows += "<tr><td class='days'>" + std::to_string(d) + "</td>";
        if (day != 0 || night != 0) {
            rows += valueCell(day) + valueCell(night) + valueCell(day + night);
            dayUnits += day;
            nightUnits += night;
        } else {
            rows += "<td class='values'></td><td class='values'></td><td class='values'></td>";
        }
        rows += "</tr>";
    }
    const std::string totals = valueCell(dayUnits) + valueCell(nightUnits) + valueCell(dayUnits + nightUnits);
    const std::string dayCostText = formatMoney(dayUnits * s.settingsDayCost);
    const std::string nightCostText = formatMoney(nightUnits * s.settingsNightCost);
    // The bill's total is the sum of its two rounded costs.
    const std::string totalCostText = formatMoney(moneyTextValue(dayCostText) + moneyTextValue(nightCostText));
    const std::string generation =
        "Report Generated on " + htmlEscape(in.shortDate) + " from " + htmlEscape(in.computerName);
    const std::string from = formatTwoDigits(s.settingsFromHours);
    const std::string to = formatTwoDigits(s.settingsToHours);
    const std::string escapedTitle = htmlEscape(title);

    const std::array<std::pair<std::string_view, std::string>, 15> table = {{
        {"%title", escapedTitle},
        {"%premises", escapedTitle},
        {"%period", htmlEscape(period.text)},
        {"%calc", rows},
        {"%totals", totals},
        {"%dayhours", from + "00 - " + to + "00"},
        {"%nighthours", to + "00 - " + from + "00"},
        {"%dayunits", formatEnergy(dayUnits)},
        {"%daycost", formatUnitPrice(s.settingsDayCost)},
        {"%daytotal", dayCostText},
        {"%nightunits", formatEnergy(nightUnits)},
        {"%nightcost", formatUnitPrice(s.settingsNightCost)},
        {"%nighttotal", nightCostText},
        {"%totaltotal", totalCostText},
        {"%todaysdate", generation},
    }};
    if (const std::string_view twice = repeatedPlaceholder(
            templateText, {"%title", "%premises", "%period", "%calc", "%totals", "%dayhours", "%nighthours",
                           "%dayunits", "%daycost", "%daytotal", "%nightunits", "%nightcost", "%nighttotal",
                           "%totaltotal", "%todaysdate", "%chart", "%notes"});
        !twice.empty())
        return failure("the bill template has the placeholder " + std::string(twice) + " more than once");
    bill.text.assign(templateText);
    for (const auto& [placeholder, value] : table) {
        if (!substitutePlaceholder(bill.text, placeholder, value))
            return failure("the bill template has no placeholder " + std::string(placeholder));
    }
    // The chart is an addition: a template without its placeholder simply shows none.
    if (bill.text.find("%chart") != std::string::npos)
        substitutePlaceholder(bill.text, "%chart",
                              billChartSvg(f, period.startDay, lastRow, "Daily kWh, " + title + ", " + period.text));
    if (bill.text.find("%notes") != std::string::npos)
        substitutePlaceholder(bill.text, "%notes", notesList(in.notes));
    bill.figures.billPeriod = period.text;
    bill.figures.billPath = std::string(in.reportsFolder) + billFileNameOf(title, bill.figures.renamedFromMenu);
    bill.figures.billTotalCost = totalCostText;
    bill.figures.billDayCost = formatMoney(moneyTextValue(dayCostText));
    bill.figures.billNightCost = formatMoney(moneyTextValue(nightCostText));
    return bill;
}

Expected<BillFigures> writeBill(const std::string& templatePath, const BillInputs& inputs)
{
    const auto templ = importInput(templatePath);
    if (!templ)
        return failure("the bill template " + templ.error().reason);
    auto bill = fillBill(*templ, inputs);
    if (!bill)
        return failure(bill.error().reason + " (" + templatePath + ")");
    if (inputs.runInputs) {
        if (const auto refused = refuseInputAsTarget(bill->figures.billPath, *inputs.runInputs); !refused)
            return failure("the bill " + refused.error().reason);
    }
    const auto written = exportOutput(bill->text, bill->figures.billPath);
    if (!written)
        return failure("the bill " + written.error().reason);
    return std::move(bill->figures);
}

}  // namespace lumivane
