#include "core/reports/summary_csv.h"

#include "core/text/number_text.h"

namespace lumivane {
namespace {

std::string money(double value) { return formatUngrouped(value, 2); }
std::string energy(double value) { return formatUngrouped(value, 3); }

// The figure columns, from day_kwh to total.
std::string figureFields(double day, double night, const LedgerCharges& c)
{
    return energy(day) + "," + energy(night) + "," + money(c.dayCost) + "," + money(c.nightCost) + "," +
           money(c.standingCharge) + "," + money(c.vat) + "," + money(c.totalWithVat);
}

}  // namespace

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string summaryCsv(const std::vector<SummaryRow>& rows, const SummaryTotals& totals)
{
    std::string csv = "file,month,title,period_start,period_end,day_kwh,night_kwh,day_cost,night_cost,"
                      "standing_charge,vat,total,notes";
    std::size_t notes = 0;
    for (const SummaryRow& row : rows) {
        csv += "\r\n" + csvField(row.file) + "," + row.month + "," + csvField(row.title) + ",";
        // A file that could not be read has no figures: empty fields, not zeros that look booked.
        if (!row.calculated) {
            csv += ",,,,,,,,,,";
            continue;
        }
        csv += row.period.startIso + "," + row.period.endIso + "," +
               figureFields(row.dayUnits, row.nightUnits, row.charges) + "," + std::to_string(row.noteCount);
        notes += row.noteCount;
    }
    csv += "\r\nTOTAL,,,,," + figureFields(totals.dayUnits, totals.nightUnits, totals.charges) + "," +
           std::to_string(notes);
    return csv;
}

}  // namespace lumivane
