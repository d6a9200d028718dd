#pragma once
// The over-current monitor: counts timer ticks, says when a check is due, reads
// the gateway's current document, raises and acknowledges the alarm. It does no
// I/O; the window shows, sends and writes what it is told.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// What one timer tick asks of the window.
struct AlarmTick {
    bool bannerVisible = false;                 // show (true) or hide (false) the banner
    std::optional<std::uint32_t> bannerColour;  // text colour to set, while an alarm is active
    bool checkDue = false;                      // run one current check now
};

// What one current check asks of the window, in this order: caption, SMS, log record.
struct AlarmCheckOutcome {
    bool alarmRaised = false;
    std::string failure;                   // why the check ended early ("" for no alarm or an empty answer)
    std::string message;                   // banner caption and SMS text, when raised
    bool sendSms = false;                  // SendSMS 1
    std::string smsNumber;                 // recipient, when sendSms
    std::optional<std::string> logRecord;  // alarm record with CR LF (AlarmLog 1)
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

// The monitor's rules over the alarm state. The state itself belongs to whoever owns
// the alarm (the main window keeps alarmActive, alarmTickCount and alarmFlash as its
// own members); the monitor works on it through references, or on its own copy.
class AlarmMonitor {
public:
    // Works on a state of its own: no alarm, count 0, flash false.
    AlarmMonitor();
    // Works on the owner's state, which must outlive the monitor.
    AlarmMonitor(bool& alarmActive, std::int16_t& alarmTickCount, bool& alarmFlash);
    AlarmMonitor(const AlarmMonitor&) = delete;
    AlarmMonitor& operator=(const AlarmMonitor&) = delete;

    // One tick: blinks while an alarm is active, otherwise counts (MonitorAlarm 1) and
    // says when the count has passed the interval, resetting it.
    AlarmTick tick(std::int16_t monitorAlarm, std::string_view alarmInterval);

    // Judges the gateway's answer; above AlarmHi raises the alarm (once: while one is
    // active, nothing further is raised).
    AlarmCheckOutcome checkResponse(std::string_view body, const SettingsRecord& settings, const Clock& clock);

    // Ends an active alarm; nullopt when none is active, so no stray record is written.
    std::optional<AlarmAcknowledgement> acknowledge(std::int16_t alarmLog, const Clock& clock);

    bool alarmActive() const { return alarmActive_; }
    std::int16_t alarmTickCount() const { return alarmTickCount_; }
    bool alarmFlash() const { return alarmFlash_; }

private:
    bool ownActive_ = false;
    std::int16_t ownTickCount_ = 0;
    bool ownFlash_ = false;
    bool& alarmActive_;
    std::int16_t& alarmTickCount_;
    bool& alarmFlash_;
};

}  // namespace lumivane
