#pragma once
// The reports menu: a page linking every bill of a run with its costs.
#include <string>
#include <string_view>
#include <vector>

#include "core/reports/bill_report.h"
#include "core/text/expected.h"

namespace lumivane {

// The run's four link lists, each entry followed by "|".
struct ReportLinkLists {
    std::string billPaths;
    std::string totalCosts;
    std::string dayCosts;
    std::string nightCosts;
    // The same entries whole: "|" is an ordinary file-name character on most
    // systems, so a path may hold one, and the menu is built from these.
    std::vector<BillFigures> entries;

    // Appends one bill's path and costs to the four lists.
    void add(const BillFigures& bill);
};

// The menu template filled in table order from the run's bills, one row per
// bill with a path ("lRow": its link "lLeft", its period "lPeriod" when the
// template has "%listofperiods", which is then emptied, and its day, night and
// total costs "lMid"; the bill's marks follow its link as "lMark"); or the
// placeholder it lacks.
Expected<std::string> fillReportsMenu(std::string_view templateText, const ReportLinkLists& lists,
                                      std::string_view shortDate, std::string_view computerName);

}  // namespace lumivane
