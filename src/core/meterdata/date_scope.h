#pragma once
// The date scope as the window's fields hold it, handed to core as plain values.
#include <string>

namespace lumivane {

struct DateScope {
    bool enabled = false;           // "Select Dates" ticked
    std::string dayText = "1";      // txtDD, as typed
    std::string monthText = "1";    // txtMM
    std::string yearText = "2010";  // txtYY
    std::string daysText = "7";     // txtDays
};

}  // namespace lumivane
