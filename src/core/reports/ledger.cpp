#include "core/reports/ledger.h"

#include <algorithm>

#include "core/meterdata/date_scope_rules.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

std::string dateText(const CalendarStamp& d)
{
    return std::to_string(d.day) + "/" + std::to_string(d.month) + "/" + std::to_string(d.year);
}

std::string isoOf(const CalendarStamp& d) { return isoDateText(d.year, d.month, d.day); }

void setText(BillPeriod& period, std::int64_t first, std::int64_t last)
{
    const CalendarStamp a = civilFromDays(first);
    const CalendarStamp b = civilFromDays(last);
    period.text = dateText(a) + " - " + dateText(b);
    period.startIso = isoOf(a);
    period.endIso = isoOf(b);
    period.dayCount = static_cast<int>(last - first + 1);
}

}  // namespace

std::string isoDateText(int year, int month, int day)
{
    std::string text = std::to_string(year);
    for (const int part : {month, day})
        text += (part < 10 ? "-0" : "-") + std::to_string(part);
    return text;
}

BillPeriod ledgerPeriodOf(const FileFigures& figures, const DateScope& scope)
{
    BillPeriod period;
    const auto rule = scopeRuleOf(scope);
    const bool scoped = rule && rule->enabled && rule->days > 0;
    const bool booked = figures.calcYear > 0 && figures.calcMonth >= 1 && figures.calcMonth <= 12;
    if (!booked) {
        // Nothing booked: the scope's own dates, but no rows.
        if (scoped)
            setText(period, rule->startDay, rule->startDay + rule->days - 1);
        return period;
    }
    const int year = figures.calcYear;
    const int month = figures.calcMonth;
    std::int64_t first = daysFromCivil(year, month, 1);
    std::int64_t last = daysFromCivil(year, month, monthLength(year, month));
    // A booked month always has a reading in scope, so the two overlap.
    if (scoped) {
        first = std::max(first, rule->startDay);
        last = std::min<std::int64_t>(last, rule->startDay + rule->days - 1);
    }
    if (last < first)
        return period;
    setText(period, first, last);
    period.year = year;
    period.month = month;
    period.startDay = civilFromDays(first).day;
    period.endDay = civilFromDays(last).day;
    return period;
}

std::vector<LedgerDay> ledgerDaysOf(const FileFigures& figures, const BillPeriod& period)
{
    std::vector<LedgerDay> days;
    if (period.year == 0)
        return days;
    const int last = std::min(period.endDay, 31);
    for (int d = std::max(period.startDay, 1); d <= last; ++d) {
        const auto i = static_cast<std::size_t>(d);
        days.push_back({period.year, period.month, d, figures.dayUnits[i], figures.nightUnits[i]});
    }
    return days;
}

LedgerCharges ledgerChargesOf(double dayUnits, double nightUnits, const SettingsRecord& settings)
{
    LedgerCharges charges;
    charges.dayCost = roundAsShown(dayUnits * settings.settingsDayCost, 2);
    charges.nightCost = roundAsShown(nightUnits * settings.settingsNightCost, 2);
    charges.totalCost = roundAsShown(charges.dayCost + charges.nightCost, 2);
    charges.totalBeforeVat = charges.totalCost;
    charges.totalWithVat = charges.totalCost;
    return charges;
}

LedgerCharges ledgerBillOf(const FileFigures& figures, const BillPeriod& period, const SettingsRecord& settings)
{
    LedgerCharges charges = ledgerChargesOf(figures.dayTotal, figures.nightTotal, settings);
    charges.billed = settings.settingsStandingCharge != 0 || settings.settingsVATRate != 0;
    if (!charges.billed)
        return charges;
    charges.standingDays = period.dayCount;
    charges.standingCharge = roundAsShown(period.dayCount * settings.settingsStandingCharge, 2);
    charges.totalBeforeVat = roundAsShown(charges.totalCost + charges.standingCharge, 2);
    charges.vat = roundAsShown(charges.totalBeforeVat * settings.settingsVATRate / 100, 2);
    charges.totalWithVat = roundAsShown(charges.totalBeforeVat + charges.vat, 2);
    return charges;
}

void addLedgerCharges(LedgerCharges& sum, const LedgerCharges& bill)
{
    // Each sum is rounded again, so that adding many pennies leaves no binary dust.
    const auto add = [](double& to, double value) { to = roundAsShown(to + value, 2); };
    add(sum.dayCost, bill.dayCost);
    add(sum.nightCost, bill.nightCost);
    add(sum.totalCost, bill.totalCost);
    add(sum.standingCharge, bill.standingCharge);
    add(sum.totalBeforeVat, bill.totalBeforeVat);
    add(sum.vat, bill.vat);
    add(sum.totalWithVat, bill.totalWithVat);
    sum.standingDays += bill.standingDays;
    sum.billed = sum.billed || bill.billed;
}

}  // namespace lumivane
