#include "core/gateway/alarm_monitor.h"

#include "core/text/number_text.h"
#include "core/gateway/pulse_document.h"

#include <algorithm>

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
        if (kind_ != AlarmKind::NoData)
            return result;
    } else {
        result.bannerVisible = false;
    }
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

void AlarmMonitor::watchFrom(Milliseconds now)
{
    watchedFrom_ = now;
    lastGoodAt_.reset();
}

void AlarmMonitor::raise(AlarmKind kind, std::string message, const std::string& stamp, const SettingsRecord& settings,
                         Milliseconds now, AlarmCheckOutcome& outcome)
{
    outcome.alarmRaised = true;
    outcome.message = std::move(message);
    outcome.raisedAt = stamp;
    alarmActive_ = true;
    kind_ = kind;
    if (settings.settingsAlarmLog == 1)
        outcome.records.push_back(outcome.message + "\r\n");
    if (settings.settingsSendSMS != 1)
        return;
    // One SMS per excursion: a current that never went back to normal is the same event.
    const auto repeat = std::chrono::minutes(std::max<std::int16_t>(settings.settingsSMSRepeatMinutes, 0));
    std::string heldBack;
    if (kind == AlarmKind::OverCurrent && !normalSinceLastSms_)
        heldBack = "the current has not been back to normal since the SMS of [" + lastSmsStamp_ + "]";
    else if (repeat.count() > 0 && lastSmsAt_ && now - *lastSmsAt_ < repeat)
        heldBack = "one alarm SMS per " + std::to_string(repeat.count()) +
                   " minutes (SMSRepeatMinutes); the last was sent at [" + lastSmsStamp_ + "]";
    if (!heldBack.empty()) {
        outcome.smsNotes.push_back("Alarm SMS held back: [" + stamp + "] " + heldBack + "\r\n");
        return;
    }
    outcome.sendSms = true;
    outcome.smsNumber = settings.settingsSMSNumber;
    lastSmsAt_ = now;
    lastSmsStamp_ = stamp;
    normalSinceLastSms_ = kind != AlarmKind::OverCurrent;
}

Expected<AlarmCheckOutcome> AlarmMonitor::checkResponse(std::string_view body, const SettingsRecord& settings,
                                                        const Clock& clock, Milliseconds now)
{
    AlarmCheckOutcome outcome;
    if (alarmActive_ && kind_ == AlarmKind::OverCurrent)
        return outcome;
    const auto reading = parseCurrentDocument(body);
    if (!reading)
        return reading.error();
    const auto limit = parseDecimal(settings.settingsAlarmHi);
    if (!limit)
        return failure("AlarmHi \"" + settings.settingsAlarmHi + "\" is not a number");

    const std::string stamp = clock.generalDateTimeText();
    lastGoodAt_ = now;
    health_ = {stamp, *reading, 0, {}};
    if (noDataRaised_) {
        noDataRaised_ = false;
        if (settings.settingsAlarmLog == 1)
            outcome.records.push_back("Gateway answering again: [" + stamp + "]\r\n");
    }
    const std::string reading_text = std::to_string(*reading) + " Amps => " + settings.settingsAlarmHi + " Amps.";
    if (!(*reading > *limit)) {
        if (overCurrentSeen_ && settings.settingsAlarmLog == 1)
            outcome.records.push_back("Current back to normal: [" + stamp + "] " + reading_text + "\r\n");
        overCurrentSeen_ = false;
        normalSinceLastSms_ = true;
        return outcome;
    }
    overCurrentSeen_ = true;
    raise(AlarmKind::OverCurrent, alarmMessage(settings.settingsSMSAlarmMsg, stamp, *reading, settings.settingsAlarmHi),
          stamp, settings, now, outcome);
    return outcome;
}

AlarmCheckOutcome AlarmMonitor::checkFailed(const SettingsRecord& settings, const Clock& clock, Milliseconds now)
{
    AlarmCheckOutcome outcome;
    const std::string stamp = clock.generalDateTimeText();
    if (health_.failedChecks++ == 0)
        health_.failingSince = stamp;
    const auto limit = std::chrono::minutes(settings.settingsNoDataMinutes);
    const Milliseconds since = lastGoodAt_.value_or(watchedFrom_);
    if (limit.count() <= 0 || noDataRaised_ || now - since < limit)
        return outcome;
    // An over-current alarm still waiting for its acknowledgement keeps the banner; the
    // outage is raised once that is done, if the gateway is still silent.
    if (alarmActive_ && kind_ == AlarmKind::OverCurrent)
        return outcome;
    noDataRaised_ = true;
    const std::string lastGood = health_.lastGoodAt.empty() ? "start-up" : "[" + health_.lastGoodAt + "]";
    raise(AlarmKind::NoData, std::string(kNoDataHeading) + ": [" + stamp + "] no good reading since " + lastGood, stamp,
          settings, now, outcome);
    return outcome;
}

std::optional<AlarmAcknowledgement> AlarmMonitor::acknowledge(std::int16_t alarmLog, const Clock& clock)
{
    if (!alarmActive_)
        return std::nullopt;
    alarmActive_ = false;
    kind_ = AlarmKind::None;
    // The tick count stays as it is: it was reset just before the check that raised the
    // alarm, so the next check comes a full interval after the acknowledgement.
    AlarmAcknowledgement ack;
    if (alarmLog == 1)
        ack.logRecord = acknowledgementRecord(clock.generalDateTimeText());
    return ack;
}

}  // namespace lumivane
