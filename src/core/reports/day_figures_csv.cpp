#include "core/reports/day_figures_csv.h"

#include "core/reports/ledger.h"
#include "core/text/number_text.h"

namespace lumivane {

std::string dayFiguresCsv(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings)
{
    // No field can hold a comma, a quote or a line break, so none needs quoting.
    std::string csv = "date,day_kwh,night_kwh,day_cost,night_cost,total_cost";
    for (const LedgerDay& d : ledgerDaysOf(figures, period)) {
        const LedgerCharges charges = ledgerChargesOf(d.dayUnits, d.nightUnits, settings);
        csv += "\r\n" + isoDateText(d.year, d.month, d.day) + "," + formatUngrouped(d.dayUnits, 3) + "," +
               formatUngrouped(d.nightUnits, 3) + "," + formatUngrouped(charges.dayCost, 2) + "," +
               formatUngrouped(charges.nightCost, 2) + "," + formatUngrouped(charges.totalCost, 2);
    }
    return csv;
}

}  // namespace lumivane
