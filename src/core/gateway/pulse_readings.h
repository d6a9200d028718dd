#pragma once
// What one pulse request shows and logs: the readings made from the counters
// with the configured multipliers, their display lines and the pulse log record.
#include <optional>
#include <string>
#include <string_view>

#include "core/gateway/pulse_document.h"
#include "core/settings/settings_record.h"
#include "core/text/clock.h"

namespace lumivane {

inline constexpr const char* kPulseLogName = "pulsedata.txt";
inline constexpr const char* kPulseWaitText = "\r\nPlease wait, retrieving pulse readings.";
inline constexpr const char* kPulseErrorLine = "ERROR retrieving data from server!";
inline constexpr const char* kPulseQueuedText =
    "\r\nWaiting for the current check to finish before asking the gateway.";
// Headings of faults of this computer, which the server is not to be blamed for.
inline constexpr const char* kSettingsFaultHeading = "ERROR in the settings:";
inline constexpr const char* kPulseLogFaultHeading = "ERROR writing the pulse log:";
inline constexpr const char* kAlarmLogFaultHeading = "ERROR writing the alarm log:";

struct PulseReadings {
    double reading1 = 0;
    double reading2 = 0;
};

// Counter x multiplier for both inputs; a multiplier text that is no number is an error.
Expected<PulseReadings> computePulseReadings(const PulseCounters& counters, std::string_view s1Multi,
                                             std::string_view s2Multi);

// CR LF, "<S1Label> Reading = <reading 1> <S1EGU>", CR LF, the same for input 2;
// readings in plain decimal form.
std::string pulseDisplayText(const PulseReadings& readings, const SettingsRecord& settings);

// "S1=<counter 1>, S2=<counter 2>, DT=<dateTime>" followed by CR LF.
std::string pulseLogRecord(const PulseCounters& counters, std::string_view dateTime);

// CR LF and the error line, then CR LF and the reason when there is one.
std::string pulseErrorText(std::string_view reason);

// CR LF and the heading of a fault of this computer, not the server's (a setting
// that cannot be used, a log that cannot be written), then CR LF and the reason.
std::string localFaultText(std::string_view heading, std::string_view reason);

// What the window does with one gateway answer, decided without touching anything.
struct PulseResponsePlan {
    std::optional<std::string> logRecord;  // to append to the pulse log first (StoreLocal 1)
    std::string displayText;               // to append to the text area after the record
};

// Reads the body with the settings of this moment; the record's date-time is taken
// from the clock now, so it is the time of recording, not of the request. An
// empty or refused answer, or a multiplier that is no number (a fault of this
// computer, under its own heading), is an error whose reason is the text to show.
Expected<PulseResponsePlan> planPulseResponse(std::string_view body, const SettingsRecord& settings,
                                              const Clock& clock);

}  // namespace lumivane
