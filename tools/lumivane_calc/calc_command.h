#pragma once
// One headless calculation run: the window's results text for the given files,
// with the settings of the window's store and this run's overrides.
#include <string>
#include <string_view>
#include <vector>

#include "lumivane_calc/calc_options.h"

namespace lumivane {

struct CalcCommandOutcome {
    std::string output;                 // the results text, lines ended by "\n"
    std::vector<std::string> problems;  // one line each, without the program name
    std::vector<std::string> warnings;  // one line each: what went on in spite of them
    int exitStatus = 0;                 // 0 all calculated, 1 something could not be done
};

// Runs the calculation; with --export it needs a QCoreApplication to find the templates.
CalcCommandOutcome runCalcCommand(const CalcOptions& options);

// The text with every CR LF turned into "\n" and every other control byte
// (a lone CR or LF, ESC, DEL, ...) into "?": bytes of logs and file names
// never steer the terminal or split a line.
std::string withLineFeeds(std::string_view text);

// The text as one line for the terminal: every control byte turned into "?".
std::string terminalLine(std::string_view text);

}  // namespace lumivane
