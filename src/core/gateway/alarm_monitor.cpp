#include "core/gateway/alarm_monitor.h"

#include "core/text/number_text.h"
#include "core/gateway/pulse_document.h"

namespace lumivane {

Expected<std::int16_t> parseCurrentDocument(std::string_view body)
{
    const std::string_view text = stripTrailingLineEnd(body);
    const auto current = parseInt16HalfEven(text);
    if (!current)
        return failure("current \"" + std::string(text) + "\" is not a 16-bit number");
    return *current;
}

double effectiveAlarmInterval(std::string_view text)
{
    const auto interval = parseDecimal(text);
    // A count that cannot pass the interval would silence the monitor for good.
    if (!interval || *interval >= 32767)
        return kDefaultAlarmInterval;
    return *interval;
}

std::string alarmMessage(std::string_view smsAlarmMsg, std::string_view dateTime, std::int16_t current,
                         std::string_view alarmHi)
{
    // Control characters are replaced here, once, so the banner, the alarm record and
    // the SMS all carry the same one-line text.
    std::string first(smsAlarmMsg);
    for (char& c : first)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return first + ": [" + std::string(dateTime) + "] " + std::to_string(current) + " Amps => " + std::string(alarmHi) +
           " Amps.";
}

std::string acknowledgementRecord(std::string_view dateTime)
{
    return "Acknowledged: [" + std::string(dateTime) + "]\r\n";
}

AlarmMonitor::AlarmMonitor() : alarmActive_(ownActive_), alarmTickCount_(ownTickCount_), alarmFlash_(ownFlash_) {}

AlarmMonitor::AlarmMonitor(bool& alarmActive, std::int16_t& alarmTickCount, bool& alarmFlash)
    : alarmActive_(alarmActive), alarmTickCount_(alarmTickCount), alarmFlash_(alarmFlash)
{
}

AlarmTick AlarmMonitor::tick(std::int16_t monitorAlarm, std::string_view alarmInterval)
{
    AlarmTick result;
    if (alarmActive_) {
        result.bannerVisible = true;
        result.bannerColour = alarmFlash_ ? kWindowTextColour : kAlarmBannerRed;
        alarmFlash_ = !alarmFlash_;
        return result;
    }
    result.bannerVisible = false;
    if (monitorAlarm != 1) {
        alarmTickCount_ = 0;
        return result;
    }
    // The interval is below 32767, so the count is reset before it could overflow; an
    // owner's count that arrives at the top anyway starts again rather than wrapping.
    if (alarmTickCount_ < 0 || alarmTickCount_ == 32767)
        alarmTickCount_ = 0;
    ++alarmTickCount_;
    if (effectiveAlarmInterval(alarmInterval) < alarmTickCount_) {
        alarmTickCount_ = 0;
        result.checkDue = true;
    }
    return result;
}

AlarmCheckOutcome AlarmMonitor::checkResponse(std::string_view body, const SettingsRecord& settings, const Clock& clock)
{
    AlarmCheckOutcome outcome;
    if (alarmActive_ || body.empty())
        return outcome;
    const auto reading = parseCurrentDocument(body);
    if (!reading) {
        outcome.failure = reading.error().reason;
        return outcome;
    }
    const auto limit = parseDecimal(settings.settingsAlarmHi);
    if (!limit) {
        outcome.failure = "AlarmHi \"" + settings.settingsAlarmHi + "\" is not a number";
        return outcome;
    }
    if (!(*reading > *limit))
        return outcome;

    outcome.alarmRaised = true;
    outcome.message =
        alarmMessage(settings.settingsSMSAlarmMsg, clock.generalDateTimeText(), *reading, settings.settingsAlarmHi);
    alarmActive_ = true;
    if (settings.settingsSendSMS == 1) {
        outcome.sendSms = true;
        outcome.smsNumber = settings.settingsSMSNumber;
    }
    if (settings.settingsAlarmLog == 1)
        outcome.logRecord = outcome.message + "\r\n";
    return outcome;
}

std::optional<AlarmAcknowledgement> AlarmMonitor::acknowledge(std::int16_t alarmLog, const Clock& clock)
{
    if (!alarmActive_)
        return std::nullopt;
    alarmActive_ = false;
    // The tick count stays as it is: it was reset just before the check that raised the
    // alarm, so the next check comes a full interval after the acknowledgement.
    AlarmAcknowledgement ack;
    if (alarmLog == 1)
        ack.logRecord = acknowledgementRecord(clock.generalDateTimeText());
    return ack;
}

}  // namespace lumivane
