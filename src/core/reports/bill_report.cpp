#include "core/reports/bill_report.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/reports/bill_chart.h"
#include "core/reports/ledger_text.h"
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

std::string readRow(const char* caption, const RegisterRead& read)
{
    if (!read.present)
        return {};
    return "<tr><td>" + std::string(caption) + "</td><td>" + htmlEscape(read.timestampText) +
           "</td><td class='values'>" + formatPlain(read.value) + "</td></tr>";
}

// The register reads the period opens and closes with, so a tenant can check
// the units; nothing when the engine kept neither.
std::string readsTable(const FileFigures& f)
{
    const std::string rows = readRow("Opening read", f.openingRead) + readRow("Closing read", f.closingRead);
    if (rows.empty())
        return {};
    return "<table class='reads'><thead><tr><th>Meter read</th><th>Taken</th><th>Register</th></tr></thead><tbody>" +
           rows + "</tbody></table>";
}

std::string chargeRow(const std::string& caption, double money, const char* rowClass = nullptr)
{
    std::string row = rowClass ? "<tr class='" + std::string(rowClass) + "'>" : std::string("<tr>");
    return row + "<td colspan=\"4\">" + caption + "</td><td>&pound;" + formatMoney(money) + "</td></tr>";
}

// The rows after the energy charges when a standing charge or VAT is set.
std::string billingRows(const LedgerCharges& c, const SettingsRecord& s)
{
    if (!c.billed)
        return {};
    const std::string standing = "Standing charge: " + std::to_string(c.standingDays) +
                                 (c.standingDays == 1 ? " day" : " days") + " &times; &pound;" +
                                 standingRateText(s.settingsStandingCharge);
    return chargeRow(standing, c.standingCharge) + chargeRow("Total before VAT", c.totalBeforeVat) +
           chargeRow("VAT " + formatPlain(s.settingsVATRate) + "%", c.vat) +
           chargeRow("Total including VAT", c.totalWithVat, "total");
}

std::vector<std::string> billMarksOf(const FileFigures& f, const LedgerCharges& c)
{
    std::vector<std::string> marks;
    if (f.bookedSteps == 0)
        marks.emplace_back("nothing booked");
    // Negative energy stays a mark when the standing charge lifts the total above zero.
    else if (c.totalWithVat < 0 || f.dayTotal + f.nightTotal < 0)
        marks.emplace_back("negative");
    if (!f.notes.empty())
        marks.emplace_back("see notes");
    return marks;
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
    const BillPeriod period = ledgerPeriodOf(f, *in.scope);

    // Rows are the ledger's dates; the totals are the ledger's, as the results text shows them.
    std::string rows;
    for (const LedgerDay& d : ledgerDaysOf(f, period)) {
        rows += "<tr><td class='days'>" + std::to_string(d.day) + "</td>";
        if (d.dayUnits != 0 || d.nightUnits != 0)
            rows += valueCell(d.dayUnits) + valueCell(d.nightUnits) + valueCell(d.dayUnits + d.nightUnits);
        else
            rows += "<td class='values'></td><td class='values'></td><td class='values'></td>";
        rows += "</tr>";
    }
    const double dayUnits = f.dayTotal;
    const double nightUnits = f.nightTotal;
    const int lastRow = period.year == 0 ? 0 : period.endDay;
    const std::string totals = valueCell(dayUnits) + valueCell(nightUnits) + valueCell(dayUnits + nightUnits);
    // The bill's total is the sum of its two rounded costs.
    const LedgerCharges charges = ledgerBillOf(f, period, s);
    const std::string dayCostText = formatMoney(charges.dayCost);
    const std::string nightCostText = formatMoney(charges.nightCost);
    const std::string totalCostText = formatMoney(charges.totalCost);
    const std::string generation =
        "Report Generated on " + htmlEscape(in.shortDate) + " from " + htmlEscape(in.computerName);
    const std::string from = formatTwoDigits(s.settingsFromHours);
    const std::string to = formatTwoDigits(s.settingsToHours);
    const std::string escapedTitle = htmlEscape(title);

    const std::array<std::pair<std::string_view, std::string>, 15> table = {{
        {"%title", escapedTitle},
        // A month's bill names the premises alone; its month stands in the period.
        {"%premises", htmlEscape(billTitleOf(in.fileLabel))},
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
                           "%totaltotal", "%todaysdate", "%chart", "%notes", "%reads", "%billing"});
        !twice.empty())
        return failure("the bill template has the placeholder " + std::string(twice) + " more than once");
    bill.text.assign(templateText);
    for (const auto& [placeholder, value] : table) {
        if (!substitutePlaceholder(bill.text, placeholder, value))
            return failure("the bill template has no placeholder " + std::string(placeholder));
    }
    // The additions go in from the template's end to its start, so that no text
    // put in (a title or a note may hold "%notes") is taken for a later placeholder.
    // A bill that left out its standing charge and VAT would ask for less than the menu says.
    if (!substitutePlaceholder(bill.text, "%billing", billingRows(charges, s)) && charges.billed)
        return failure("the bill template has no placeholder %billing for the standing charge and VAT");
    // The others are optional: a template without one simply shows none.
    substitutePlaceholder(bill.text, "%reads", readsTable(f));
    if (bill.text.find("%chart") != std::string::npos)
        substitutePlaceholder(bill.text, "%chart",
                              billChartSvg(f, period.startDay, lastRow, "Daily kWh, " + title + ", " + period.text));
    substitutePlaceholder(bill.text, "%notes", notesList(in.notes));
    bill.figures.billPeriod = period.text;
    bill.figures.billPath =
        std::string(in.reportsFolder) +
        (in.fileName.empty() ? billFileNameOf(title, bill.figures.renamedFromMenu) : std::string(in.fileName));
    bill.figures.billTotalCost = formatMoney(charges.totalWithVat);
    bill.figures.billMarks = billMarksOf(f, charges);
    bill.figures.billDayCost = dayCostText;
    bill.figures.billNightCost = nightCostText;
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
