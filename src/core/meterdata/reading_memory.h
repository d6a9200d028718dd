#pragma once
// The reading memory shared by the pre-scan and the tariff engine.

namespace lumivane {

// previousReading holds this while a file has no baseline yet.
inline constexpr double kNoBaselineMarker = -499999.0;

struct ReadingMemory {
    double previousReading = kNoBaselineMarker;
    double currentReading = 0;
    double lastStep = 0;
};

}  // namespace lumivane
