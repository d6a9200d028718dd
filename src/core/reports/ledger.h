#pragma once
// The ledger of one file (or one month of it): the calendar dates of its
// period with the kWh booked on each. Every output that shows days, a period
// or charges takes them from here, so the text, bill, menu, CSV and JSON agree.
#include <string>
#include <vector>

#include "core/meterdata/date_scope.h"
#include "core/reports/file_figures.h"
#include "core/settings/settings_record.h"

namespace lumivane {

// The dates a ledger is shown for: the scope intersected with the booked
// month, or the booked month without a scope. `text` is "1/3/2012 - 5/3/2012";
// startDay..endDay are days of year/month (no days when endDay < startDay,
// and then year and month are 0). ISO dates are "" when there is no period.
struct BillPeriod {
    std::string text;
    int startDay = 1;
    int endDay = 0;
    int year = 0;
    int month = 0;
    std::string startIso = {};
    std::string endIso = {};
    int dayCount = 0;  // days from the first date to the last; 0 without a period
};

// The period of a file's booked month under `scope`. A file that booked no
// month has the scope's own dates (no days), or no period without a scope.
BillPeriod ledgerPeriodOf(const FileFigures& figures, const DateScope& scope);

// One calendar date of the ledger: kWh booked on it, multiplied.
struct LedgerDay {
    int year = 0;
    int month = 0;
    int day = 0;
    double dayUnits = 0;
    double nightUnits = 0;
};

// Every date of the period, in order, with its booked kWh.
std::vector<LedgerDay> ledgerDaysOf(const FileFigures& figures, const BillPeriod& period);

// Charges as every itemised output shows them: each cost rounded as shown,
// each total the sum of the shown lines above it. Without a standing charge
// and VAT the bill ends at totalCost, and totalWithVat equals it.
struct LedgerCharges {
    double dayCost = 0;
    double nightCost = 0;
    double totalCost = 0;
    bool billed = false;        // a standing charge or VAT is set: the lines below are shown
    int standingDays = 0;       // the days of the period charged
    double standingCharge = 0;  // days times the daily charge
    double totalBeforeVat = 0;  // totalCost and the standing charge
    double vat = 0;             // totalBeforeVat at the VAT rate
    double totalWithVat = 0;    // totalBeforeVat and VAT
};
LedgerCharges ledgerChargesOf(double dayUnits, double nightUnits, const SettingsRecord& settings);

// The charges of a whole bill: its energy, and the standing charge for every
// day of its period with VAT on the lot.
LedgerCharges ledgerBillOf(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings);

// Adds one bill's shown charges to a run's: totals of bills are the sums of
// what each bill shows, VAT included, so a run's total is the sum of its bills'.
void addLedgerCharges(LedgerCharges& sum, const LedgerCharges& bill);

// "2012-03-05".
std::string isoDateText(int year, int month, int day);

}  // namespace lumivane
