#include "core/reports/day_figures_csv.h"

#include "core/reports/ledger.h"
#include "core/text/number_text.h"

namespace lumivane {

namespace {

std::string money(double value) { return formatUngrouped(value, 2); }

std::string energyFields(double day, double night, const LedgerCharges& c)
{
    return formatUngrouped(day, 3) + "," + formatUngrouped(night, 3) + "," + money(c.dayCost) + "," +
           money(c.nightCost) + "," + money(c.totalCost);
}

}  // namespace

std::string dayFiguresCsv(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings)
{
    // The standing charge and VAT belong to the whole period, not to a day:
    // they stand in a last row of bill totals, and the day rows leave them empty.
    const LedgerCharges bill = ledgerBillOf(figures, period, settings);
    const std::string billedColumns = bill.billed ? ",standing_charge,vat,total_with_vat" : "";
    const std::string emptyFields = bill.billed ? ",,," : "";
    // No field can hold a comma, a quote or a line break, so none needs quoting.
    std::string csv = "date,day_kwh,night_kwh,day_cost,night_cost,total_cost" + billedColumns;
    for (const LedgerDay& d : ledgerDaysOf(figures, period)) {
        const LedgerCharges charges = ledgerChargesOf(d.dayUnits, d.nightUnits, settings);
        csv += "\r\n" + isoDateText(d.year, d.month, d.day) + "," + energyFields(d.dayUnits, d.nightUnits, charges) +
               emptyFields;
    }
    if (bill.billed)
        csv += "\r\ntotal," + energyFields(figures.dayTotal, figures.nightTotal, bill) + "," +
               money(bill.standingCharge) + "," + money(bill.vat) + "," + money(bill.totalWithVat);
    return csv;
}

}  // namespace lumivane
