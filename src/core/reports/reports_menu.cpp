#include "core/reports/reports_menu.h"

#include <filesystem>

#include "core/text/html_text.h"
#include "core/text/number_text.h"

namespace lumivane {

void ReportLinkLists::add(const BillFigures& bill)
{
    billPaths += bill.billPath + "|";
    totalCosts += bill.billTotalCost + "|";
    dayCosts += bill.billDayCost + "|";
    nightCosts += bill.billNightCost + "|";
    entries.push_back(bill);
}

namespace {

constexpr std::string_view kPound = "\xC2\xA3";

std::string cell(std::string_view cssClass, std::string_view html)
{
    return "<div class='" + std::string(cssClass) + "'>" + std::string(html) + "</div>";
}

// The bill's name: the file name of its path, cut before its first ".html".
std::string_view billName(std::string_view path)
{
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    const std::size_t slash = path.rfind(kSeparator);
    const std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    return name.substr(0, name.find(".html"));
}

}  // namespace

Expected<std::string> fillReportsMenu(std::string_view templateText, const ReportLinkLists& lists,
                                      std::string_view shortDate, std::string_view computerName)
{
    if (const std::string_view twice = repeatedPlaceholder(
            templateText, {"%numberofreports", "%listoflinks", "%daytotaloflinks", "%nighttotaloflinks",
                           "%totaltotaloflinks", "%todaysdate", "%listofperiods"});
        !twice.empty())
        return failure("the menu template has the placeholder " + std::string(twice) + " more than once");
    // The periods are an addition: a template without their placeholder shows none.
    const bool withPeriods = templateText.find("%listofperiods") != std::string_view::npos;
    // One row per bill holding its link and its costs side by side: with the
    // costs in columns of their own, a name that took two lines would shift
    // every later cost against the wrong bill.
    std::string rows;
    double daySum = 0;
    double nightSum = 0;
    double totalSum = 0;
    for (const BillFigures& entry : lists.entries) {
        if (entry.billPath.empty())
            continue;  // counted in %numberofreports, but no link and no costs
        const std::string name = htmlEscape(billName(entry.billPath));
        // Percent-encoding leaves no character that HTML would need escaped.
        std::string link = "<a href='" + fileUrl(entry.billPath) + "' title='";
        link += name;
        link += "'>";
        link += name;
        link += "</a>";
        for (const std::string& mark : entry.billMarks)
            link += "<span class='lMark'>" + htmlEscape(mark) + "</span>";
        rows += "<div class='lRow'>";
        rows += cell("lLeft", link);
        if (withPeriods)
            rows += cell("lPeriod", htmlEscape(entry.billPeriod));
        const double day = moneyTextValue(entry.billDayCost);
        const double night = moneyTextValue(entry.billNightCost);
        const double total = moneyTextValue(entry.billTotalCost);
        for (const double cost : {day, night, total})
            rows += cell("lMid", std::string(kPound) + formatMoney(cost));
        rows += "</div>";
        daySum += day;
        nightSum += night;
        totalSum += total;
    }

    const std::pair<std::string_view, std::string> table[] = {
        {"%numberofreports", std::to_string(lists.entries.size())},
        {"%listoflinks", rows},
        {"%daytotaloflinks", std::string(kPound) + formatMoney(daySum)},
        {"%nighttotaloflinks", std::string(kPound) + formatMoney(nightSum)},
        {"%totaltotaloflinks", std::string(kPound) + formatMoney(totalSum)},
        {"%todaysdate", "Reports Generated on " + htmlEscape(shortDate) + " from " + htmlEscape(computerName)},
    };
    std::string menu(templateText);
    for (const auto& [placeholder, value] : table) {
        if (!substitutePlaceholder(menu, placeholder, value))
            return failure("the menu template has no placeholder " + std::string(placeholder));
    }
    // Each period already stands in its bill's row.
    if (withPeriods)
        substitutePlaceholder(menu, "%listofperiods", "");
    return menu;
}

}  // namespace lumivane
