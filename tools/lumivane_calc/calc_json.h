#pragma once
// The --json document of lumivane-calc: settings, per-file figures, grand
// totals and the reports written, for scripts (schema in docs/json-output.md).
#include <string>
#include <vector>

#include "core/settings/settings_record.h"
#include "core/tariff/calculation_run.h"
#include "lumivane_calc/calc_options.h"

namespace lumivane {

struct CalcJsonFile {
    std::string path;  // as given on the command line
    FileOutcome outcome;
    std::string csvPath;   // the CSV written for it, "" when none
    std::string csvError;  // why its CSV was not written, "" when it was or none was asked for
};

struct CalcJsonRun {
    std::vector<CalcJsonFile> files;
    double grandDayUnits = 0;
    double grandNightUnits = 0;
    LedgerCharges grandCharges;         // the sums of the files' shown charges
    std::string menuPath;               // "" when no menu was written
    std::vector<std::string> problems;  // the lines also written to standard error
};

// One JSON document ending with "\n"; costs are the values the results text shows (pennies).
std::string calcJsonDocument(const CalcOptions& options, const SettingsRecord& settings, const CalcJsonRun& run);

}  // namespace lumivane
