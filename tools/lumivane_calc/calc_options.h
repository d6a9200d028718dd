#pragma once
// The command line of lumivane-calc, checked before anything is read or run.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/meterdata/date_scope.h"
#include "core/text/expected.h"

namespace lumivane {

inline constexpr int kMaxCalcFiles = 36;  // the window's selection holds no more
inline constexpr int kMaxScopeDays = 99;  // the window's days field holds two digits

struct CalcOptions {
    DateScope scope;                                             // enabled by --from
    std::vector<std::pair<std::string, std::string>> overrides;  // --set, in order given
    bool exportReports = false;                                  // --export
    std::string reportsDir;                                      // --reports-dir, as given
    std::vector<std::string> files;                              // in order given
    bool eachMonth = false;                                      // --each-month
    std::string csvDir;                                          // --csv, as given; "" for none
    bool json = false;                                           // --json
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program name. --help or --version anywhere wins
// over every other argument; otherwise any misuse gives one line without the
// program name, and no options.
Expected<CalcOptions> parseCalcOptions(const std::vector<std::string_view>& args);

// With --export and no --reports-dir, the per-user reports folder must be
// known: fails with one line when neither HOME nor XDG_DATA_HOME (as given,
// null or empty when unset) names a folder, rather than writing under "/".
Expected<void> checkReportsFolderKnown(const CalcOptions& options, const char* home, const char* xdgDataHome);

// The text --help prints.
std::string calcUsageText();

// The text of an override if one was given for `key` (the last one wins), else nullptr.
const std::string* findOverride(const CalcOptions& options, std::string_view key);

}  // namespace lumivane
