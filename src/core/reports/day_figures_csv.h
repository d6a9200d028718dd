#pragma once
// The per-day figures of one bill as CSV for spreadsheets: RFC 4180, UTF-8,
// a header row, "." as the decimal point and no thousands separators.
#include <string>

#include "core/reports/bill_report.h"

namespace lumivane {

// "date,day_kwh,night_kwh,day_cost,night_cost,total_cost" and one row per
// calendar day of the period (ISO date; kWh with three decimals, money with
// two), rows ended by CR LF but the last, which the file write ends. Days past
// the month's end have no date and no row; a period without a month gives the
// header alone. With a standing charge or VAT set, three more columns
// "standing_charge,vat,total_with_vat", empty in the day rows, and a last row
// "total" with the bill's figures.
std::string dayFiguresCsv(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings);

}  // namespace lumivane
