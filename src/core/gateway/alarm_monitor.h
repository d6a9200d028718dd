#pragma once
// The over-current monitor: counts timer ticks, says when a check is due, reads
// the gateway's current document, raises and acknowledges the alarm. It does no
// I/O; the window shows, sends and writes what it is told.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <chrono>

#include "core/settings/settings_record.h"
#include "core/text/clock.h"
#include "core/text/expected.h"

namespace lumivane {

inline constexpr const char* kAlarmLogName = "alarmdata.txt";
inline constexpr const char* kAcknowledgedCaption = "Acknowledged";
inline constexpr const char* kAlarmBannerTip = "Double-Click this Legend to Acknowledge Alarm.";
// Colours with red in the low byte; the second one stands for the window-text colour.
inline constexpr std::uint32_t kAlarmBannerRed = 0x0000C0;
inline constexpr std::uint32_t kWindowTextColour = 0x80000008;
// The interval a tick count can use when the stored one is no number or unreachable.
inline constexpr double kDefaultAlarmInterval = 15;
inline constexpr const char* kNoDataHeading = "NO DATA FROM GATEWAY";

// What one timer tick asks of the window.
struct AlarmTick {
    bool bannerVisible = false;                 // show (true) or hide (false) the banner
    std::optional<std::uint32_t> bannerColour;  // text colour to set, while an alarm is active
    bool checkDue = false;                      // run one current check now
};

// What one current check asks of the window, in this order: caption, records, SMS.
struct AlarmCheckOutcome {
    bool alarmRaised = false;
    std::string message;                // banner caption and SMS text, when raised
    std::string raisedAt;               // the alarm's time stamp, which its SMS outcomes name
    bool sendSms = false;               // SendSMS 1 and not held back
    std::string smsNumber;              // recipients, when sendSms
    std::vector<std::string> records;   // alarm log records with CR LF, for AlarmLog 1
    std::vector<std::string> smsNotes;  // records about the SMS with CR LF, kept whatever AlarmLog says
};

// What the acknowledgement asks of the window: caption, colour, hide, optional record.
struct AlarmAcknowledgement {
    std::string caption = kAcknowledgedCaption;
    std::uint32_t bannerColour = kWindowTextColour;
    std::optional<std::string> logRecord;  // acknowledgement record with CR LF (AlarmLog 1)
};

// The whole body as one number rounded halves to even within -32768..32767.
Expected<std::int16_t> parseCurrentDocument(std::string_view body);

// The interval text as a number; no number, or 32767 and more (which a 16-bit
// count never exceeds), gives the default 15.
double effectiveAlarmInterval(std::string_view text);

// "<SMSAlarmMsg, control characters as blanks>: [<dateTime>] <current> Amps => <AlarmHi as stored> Amps."
std::string alarmMessage(std::string_view smsAlarmMsg, std::string_view dateTime, std::int16_t current,
                         std::string_view alarmHi);

// "Acknowledged: [<dateTime>]" followed by CR LF.
std::string acknowledgementRecord(std::string_view dateTime);

// Which alarm the banner stands for: during a no-data alarm checks go on, since
// only an answer can end it; an over-current alarm holds them until acknowledged.
enum class AlarmKind { None, OverCurrent, NoData };

// What the status line says about the gateway.
struct GatewayHealth {
    std::string lastGoodAt;  // time stamp of the last good reading; empty before the first
    std::int16_t lastAmps = 0;
    int failedChecks = 0;      // checks without a good reading since then
    std::string failingSince;  // time stamp of the first of them
};

// The monitor's rules over the alarm state. The state itself belongs to whoever owns
// the alarm (the main window keeps alarmActive, alarmTickCount and alarmFlash as its
// own members); the monitor works on it through references, or on its own copy.
// Times named `now` are of any steady clock, in milliseconds.
class AlarmMonitor {
public:
    using Milliseconds = std::chrono::milliseconds;
    // Works on a state of its own: no alarm, count 0, flash false.
    AlarmMonitor();
    // Works on the owner's state, which must outlive the monitor.
    AlarmMonitor(bool& alarmActive, std::int16_t& alarmTickCount, bool& alarmFlash);
    AlarmMonitor(const AlarmMonitor&) = delete;
    AlarmMonitor& operator=(const AlarmMonitor&) = delete;

    // One tick: blinks while an alarm is active, otherwise counts (MonitorAlarm 1) and
    // says when the count has passed the interval, resetting it. During a no-data
    // alarm it both blinks and counts.
    AlarmTick tick(std::int16_t monitorAlarm, std::string_view alarmInterval);

    // Starts the wait for a good reading at `now` ("since start-up"): monitoring began.
    void watchFrom(Milliseconds now);

    // Judges the gateway's answer at `now`: a good reading ends a no-data state, marks the
    // current back to normal after an excursion, and above AlarmHi raises the alarm (once:
    // while an over-current alarm is active, nothing further is raised). An answer that
    // is no current, or a limit that is no number, is an error naming it.
    Expected<AlarmCheckOutcome> checkResponse(std::string_view body, const SettingsRecord& settings, const Clock& clock,
                                              Milliseconds now = Milliseconds{0});

    // A check at `now` that brought no good reading: after NoDataMinutes without one
    // (0 turns this off) the no-data alarm is raised, once per outage.
    AlarmCheckOutcome checkFailed(const SettingsRecord& settings, const Clock& clock, Milliseconds now);

    // Ends an active alarm; nullopt when none is active, so no stray record is written.
    std::optional<AlarmAcknowledgement> acknowledge(std::int16_t alarmLog, const Clock& clock);

    bool alarmActive() const { return alarmActive_; }
    AlarmKind alarmKind() const { return alarmActive_ ? kind_ : AlarmKind::None; }
    std::int16_t alarmTickCount() const { return alarmTickCount_; }
    bool alarmFlash() const { return alarmFlash_; }
    const GatewayHealth& health() const { return health_; }

private:
    void raise(AlarmKind kind, std::string message, const std::string& stamp, const SettingsRecord& settings,
               Milliseconds now, AlarmCheckOutcome& outcome);

    bool ownActive_ = false;
    std::int16_t ownTickCount_ = 0;
    bool ownFlash_ = false;
    bool& alarmActive_;
    std::int16_t& alarmTickCount_;
    bool& alarmFlash_;
    AlarmKind kind_ = AlarmKind::None;
    GatewayHealth health_;
    std::optional<Milliseconds> lastGoodAt_;
    Milliseconds watchedFrom_{0};
    bool noDataRaised_ = false;       // this outage has had its alarm
    bool overCurrentSeen_ = false;    // an excursion that has not yet been back to normal
    bool normalSinceLastSms_ = true;  // the current was at or below the limit after the last alarm SMS
    std::optional<Milliseconds> lastSmsAt_;
    std::string lastSmsStamp_;
};

}  // namespace lumivane
