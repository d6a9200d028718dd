#pragma once
// One table of every block of a run for spreadsheets: RFC 4180, UTF-8, a
// header row, "." as the decimal point and no thousands separators.
#include <string>
#include <vector>

#include "core/reports/ledger.h"

namespace lumivane {

inline constexpr const char* kSummaryCsvName = "summary.csv";

// One block of the run (a file, or one month of it) as the run booked it.
struct SummaryRow {
    std::string file;           // the path as given
    std::string month;          // "2012-03" for one month of a log, else ""
    std::string title;          // the bill's title
    bool calculated = false;    // false: the file could not be read; its figures stay empty
    BillPeriod period;          // its ISO dates
    double dayUnits = 0;        // kWh, unrounded
    double nightUnits = 0;      // kWh, unrounded
    LedgerCharges charges;      // what its bill charges
    std::size_t noteCount = 0;  // its data notes
};

// The run's totals as its results text shows them.
struct SummaryTotals {
    double dayUnits = 0;
    double nightUnits = 0;
    LedgerCharges charges;  // the sums of the blocks' shown charges
};

// "file,month,title,period_start,period_end,day_kwh,night_kwh,day_cost,
// night_cost,standing_charge,vat,total,notes", one row per block and a last
// row "TOTAL"; rows ended by CR LF but the last. The total is what the bill
// asks for, VAT included.
std::string summaryCsv(const std::vector<SummaryRow>& rows, const SummaryTotals& totals);

// A field quoted when it holds a comma, a quote or a line break (quotes doubled).
std::string csvField(const std::string& text);

}  // namespace lumivane
