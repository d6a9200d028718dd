#pragma once
// One file's booked energy as the engine leaves it and the bill reads it.
#include <array>
#include <string>
#include <vector>

namespace lumivane {

// A register reading as the meter showed it (unmultiplied), with its timestamp text.
struct RegisterRead {
    bool present = false;
    double value = 0;
    std::string timestampText;
};

// The per-file working state of the engine after its walk.
struct FileFigures {
    std::array<double, 32> dayUnits{};  // kWh booked on day d of the month; index 0 unused
    std::array<double, 32> nightUnits{};
    double dayTotal = 0;
    double nightTotal = 0;
    std::string fromText;  // timestamp text of the first reading in scope
    std::string toText;    // timestamp text of the last reading in scope
    int calcMonth = -1;    // month of the first reading in scope
    int calcYear = -1;     // and its year: a month is booked in one year only
    std::size_t bookedSteps = 0;
    RegisterRead openingRead;        // the first reading booked in the period (its baseline)
    RegisterRead closingRead;        // the last reading booked in the period
    std::vector<std::string> notes;  // what the figures do not show, one sentence each
};

}  // namespace lumivane
