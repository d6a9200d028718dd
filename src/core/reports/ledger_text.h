#pragma once
// The standing charge and VAT lines of the results text, under a file's block
// and under the grand totals.
#include <string>

#include "core/reports/ledger.h"
#include "core/settings/settings_record.h"

namespace lumivane {

// "    Standing charge: 31 days × £0.45, £13.95", "    Total before VAT: £…",
// "    VAT 5%: £…" and "    Total including VAT: £…", each ending CR LF; "" when
// the charges are not billed.
std::string billedLinesText(const LedgerCharges& charges, const SettingsRecord& settings);

// The same lines for the grand totals, the standing charge without its days
// (the files' periods differ); "" when no file was billed.
std::string grandBilledLinesText(const LedgerCharges& sum, const SettingsRecord& settings);

// The daily standing charge as a bill states it: pence as pence ("0.45"),
// finer prices in full ("0.4567").
std::string standingRateText(double rate);

}  // namespace lumivane
