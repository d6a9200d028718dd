#include "core/reports/ledger_text.h"

#include "core/text/number_text.h"

namespace lumivane {
namespace {

constexpr const char* kPound = "\xC2\xA3";

std::string line(const char* indent, const std::string& caption, double money)
{
    return indent + caption + ": " + kPound + formatMoney(money) + "\r\n";
}

// The lines after the standing charge: they read the same in a block and in the grand totals.
std::string vatLines(const char* indent, const LedgerCharges& c, const SettingsRecord& s)
{
    return line(indent, "Total before VAT", c.totalBeforeVat) +
           line(indent, "VAT " + formatPlain(s.settingsVATRate) + "%", c.vat) +
           line(indent, "Total including VAT", c.totalWithVat);
}

}  // namespace

std::string standingRateText(double rate)
{
    return roundAsShown(rate, 2) == rate ? formatMoney(rate) : formatPlain(rate);
}

std::string billedLinesText(const LedgerCharges& c, const SettingsRecord& s)
{
    if (!c.billed)
        return {};
    const std::string days = std::to_string(c.standingDays) + (c.standingDays == 1 ? " day" : " days");
    return "    Standing charge: " + days + " \xC3\x97 " + kPound + standingRateText(s.settingsStandingCharge) + ", " +
           kPound + formatMoney(c.standingCharge) + "\r\n" + vatLines("    ", c, s);
}

std::string grandBilledLinesText(const LedgerCharges& sum, const SettingsRecord& s)
{
    if (!sum.billed)
        return {};
    return line("", "Standing charge", sum.standingCharge) + vatLines("", sum, s);
}

}  // namespace lumivane
