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

Expected<std::string> fillReportsMenu(std::string_view templateText, const ReportLinkLists& lists,
                                      std::string_view shortDate, std::string_view computerName)
{
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    static constexpr std::string_view kPound = "\xC2\xA3";
    const std::size_t count = lists.entries.size();

    std::string links = "<div class='lLeft'>";
    std::string dayColumn = "<div class='lMid'>";
    std::string nightColumn = "<div class='lMid'>";
    std::string totalColumn = "<div class='lMid'>";
    double daySum = 0;
    double nightSum = 0;
    double totalSum = 0;
    for (const BillFigures& entry : lists.entries) {
        const std::string_view path = entry.billPath;
        if (path.empty())
            continue;  // counted in %numberofreports, but no link and no costs
        std::string_view name =
            path.substr(path.rfind(kSeparator) == std::string_view::npos ? 0 : path.rfind(kSeparator) + 1);
        name = name.substr(0, name.find(".html"));
        // Percent-encoding leaves no character that HTML would need escaped.
        links += "<a href='" + fileUrl(path) + "'>" + htmlEscape(name) + "</a><br>";
        const double day = moneyTextValue(entry.billDayCost);
        const double night = moneyTextValue(entry.billNightCost);
        const double total = moneyTextValue(entry.billTotalCost);
        dayColumn += std::string(kPound) + formatMoney(day) + "<br>";
        nightColumn += std::string(kPound) + formatMoney(night) + "<br>";
        totalColumn += std::string(kPound) + formatMoney(total) + "<br>";
        daySum += day;
        nightSum += night;
        totalSum += total;
    }
    links += "</div>";
    dayColumn += "</div>";
    nightColumn += "</div>";
    totalColumn += "</div>";

    const std::pair<std::string_view, std::string> table[] = {
        {"%numberofreports", std::to_string(count)},
        {"%listoflinks", links + dayColumn + nightColumn + totalColumn},
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
    // The periods are an addition: a template without their placeholder shows none.
    if (menu.find("%listofperiods") != std::string::npos) {
        std::string periods = "<div class='lPeriod'>";
        for (const BillFigures& entry : lists.entries)
            if (!entry.billPath.empty())
                periods += htmlEscape(entry.billPeriod) + "<br>";
        substitutePlaceholder(menu, "%listofperiods", periods + "</div>");
    }
    return menu;
}

}  // namespace lumivane
