#include "core/gateway/alarm_monitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fixed_clock.h"

using namespace lumivane;

namespace {

// The tick on which the next check falls due (0 when none within 100).
int nextCheckTick(AlarmMonitor& monitor, std::string_view interval, std::int16_t monitoring = 1)
{
    for (int tick = 1; tick <= 100; ++tick)
        if (monitor.tick(monitoring, interval).checkDue)
            return tick;
    return 0;
}

SettingsRecord monitoring(const char* limit = "240", std::int16_t switches = 0)
{
    SettingsRecord settings;
    settings.settingsAlarmHi = limit;
    settings.settingsSendSMS = settings.settingsAlarmLog = switches;
    settings.settingsSMSNumber = "07700900999";
    return settings;
}

}  // namespace

// An interval that is no number, or one a 16-bit count never passes, counts as 15;
// monitoring switched off keeps the count at 0 and the banner hidden.
TEST(AlarmMonitor, CheckFallsDueOnceTheCountPassesTheInterval)
{
    for (const auto& [interval, tick] :
         {std::pair{"15", 16}, {"0", 1}, {"-3", 1}, {"abc", 16}, {"40000", 16}, {"32767", 16}, {" 3 ", 4}}) {
        AlarmMonitor monitor;
        EXPECT_EQ(nextCheckTick(monitor, interval), tick) << interval;
        EXPECT_EQ(nextCheckTick(monitor, interval), tick) << interval;  // as often again after each check
    }
    AlarmMonitor monitor;
    EXPECT_EQ(nextCheckTick(monitor, "15", 2), 0);
    EXPECT_FALSE(monitor.tick(0, "15").bannerVisible);
    EXPECT_EQ(monitor.alarmTickCount(), 0);
}

// The current, rounded halves to even, raises the alarm only above the limit;
// SMS and log record only with their switches at 1; a bad answer is an error.
TEST(AlarmMonitor, OnlyACurrentAboveTheLimitRaisesTheAlarm)
{
    const test::FixedClock clock("05/12/2026", "14:03:27");
    const struct {
        std::string body;
        SettingsRecord settings;
        const char* message;  // "" when no alarm
        const char* failure;  // "" when the answer was judged
    } cases[] = {
        {"240.5", monitoring(), "", ""},
        {"250.4\r\n", monitoring("240.0"), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 250 Amps => 240.0 Amps.", ""},
        {"240.6", monitoring("240", 1), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 241 Amps => 240 Amps.", ""},
        {"300", monitoring("240", 2), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 300 Amps => 240 Amps.", ""},
        {"", monitoring(), "", "is not a 16-bit number"},
        {"high", monitoring(), "", "current \"high\" is not a 16-bit number"},
        {"300", monitoring("lots"), "", "AlarmHi \"lots\" is not a number"},
    };
    for (const auto& c : cases) {
        AlarmMonitor monitor;
        const auto outcome = monitor.checkResponse(c.body, c.settings, clock);
        ASSERT_EQ(bool(outcome), *c.failure == 0) << c.body;
        if (!outcome) {
            EXPECT_NE(outcome.error().reason.find(c.failure), std::string::npos) << outcome.error().reason;
            continue;
        }
        EXPECT_EQ(outcome->alarmRaised, *c.message != 0) << c.body;
        EXPECT_EQ(outcome->message, c.message);
        const bool switched = outcome->alarmRaised && c.settings.settingsSendSMS == 1;
        EXPECT_EQ(outcome->sendSms, switched);
        EXPECT_EQ(outcome->smsNumber, switched ? "07700900999" : "");
        EXPECT_EQ(outcome->records,
                  switched ? std::vector<std::string>{outcome->message + "\r\n"} : std::vector<std::string>{});
    }
}

// An active alarm stops the checks until it is acknowledged (the window test pins
// the blinking and the caption); monitoring then resumes after the full interval.
TEST(AlarmMonitor, ActiveAlarmBlinksUntilAcknowledged)
{
    const test::FixedClock clock("05/12/2026", "14:05:00");
    for (const std::int16_t alarmLog : {1, 0}) {
        AlarmMonitor monitor;
        EXPECT_FALSE(monitor.acknowledge(alarmLog, clock)) << "no alarm, nothing to acknowledge";
        ASSERT_TRUE(monitor.checkResponse("300", monitoring(), clock)->alarmRaised);
        const auto off = monitor.tick(0, "0");  // switching monitoring off does not clear an alarm
        EXPECT_TRUE(off.bannerVisible && !off.checkDue);
        EXPECT_EQ(nextCheckTick(monitor, "15"), 0) << "no check while an over-current alarm waits";
        const auto ack = monitor.acknowledge(alarmLog, clock);
        ASSERT_TRUE(ack);
        EXPECT_EQ(ack->logRecord.value_or("none"), alarmLog == 1 ? "Acknowledged: [05/12/2026 14:05:00]\r\n" : "none");
        EXPECT_EQ(nextCheckTick(monitor, "15"), 16);
    }
}

namespace {

// One check of a played session: at `minute`, the current read ("" for no answer),
// then an acknowledgement when `acknowledged`.
struct Check {
    double minute;
    const char* current;
    bool acknowledged = true;
};

// Plays the checks and returns every record and note, one per line, "SMS" for each SMS sent.
std::vector<std::string> played(const std::vector<Check>& checks, std::int16_t repeatMinutes, std::int16_t noData = 5)
{
    SettingsRecord settings = monitoring("240", 1);
    settings.settingsSMSRepeatMinutes = repeatMinutes;
    settings.settingsNoDataMinutes = noData;
    test::FixedClock clock;
    AlarmMonitor monitor;
    monitor.watchFrom(std::chrono::milliseconds(0));
    std::vector<std::string> lines;
    for (const Check& check : checks) {
        const auto now = std::chrono::milliseconds(static_cast<long>(check.minute * 60000));
        clock.set("07/12/2026", "m" + std::to_string(static_cast<int>(check.minute * 10)));
        const AlarmCheckOutcome outcome = *check.current
                                              ? monitor.checkResponse(check.current, settings, clock, now).value()
                                              : monitor.checkFailed(settings, clock, now);
        for (const auto* list : {&outcome.records, &outcome.smsNotes})
            for (const std::string& line : *list)
                lines.push_back(line.substr(0, line.size() - 2));
        if (outcome.sendSms)
            lines.emplace_back("SMS");
        if (check.acknowledged)
            monitor.acknowledge(0, clock);
    }
    return lines;
}

}  // namespace

// A current hovering at the limit: one SMS per excursion, and with SMSRepeatMinutes
// at most one per that many minutes; each SMS held back says why.
TEST(AlarmMonitor, OneSmsPerExcursionAndPerRepeatInterval)
{
    const std::vector<Check> hovering = {{0.1, "241"}, {0.2, "250"}, {0.3, "239"},
                                         {0.4, "250"}, {12, "238"},  {13, "260"}};
    EXPECT_EQ(played(hovering, 10),
              (std::vector<std::string>{
                  "OVER CURRENT ALARM: [07/12/2026 m1] 241 Amps => 240 Amps.", "SMS",
                  "OVER CURRENT ALARM: [07/12/2026 m2] 250 Amps => 240 Amps.",
                  "Alarm SMS held back: [07/12/2026 m2] the current has not been back to normal since the SMS of "
                  "[07/12/2026 m1]",
                  "Current back to normal: [07/12/2026 m3] 239 Amps => 240 Amps.",
                  "OVER CURRENT ALARM: [07/12/2026 m4] 250 Amps => 240 Amps.",
                  "Alarm SMS held back: [07/12/2026 m4] one alarm SMS per 10 minutes (SMSRepeatMinutes); the last was "
                  "sent at [07/12/2026 m1]",
                  "Current back to normal: [07/12/2026 m120] 238 Amps => 240 Amps.",
                  "OVER CURRENT ALARM: [07/12/2026 m130] 260 Amps => 240 Amps.", "SMS"}));
    const auto lines = played(hovering, 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SMS"), 3) << "no limit: one per excursion";
}

// No good reading for NoDataMinutes raises the no-data alarm once per outage; checks
// go on during it, and the first good reading ends it. 0 turns it off.
TEST(AlarmMonitor, SilentGatewayRaisesTheNoDataAlarm)
{
    // The first answer comes while the no-data alarm still waits for its acknowledgement.
    const std::vector<Check> outage = {{0.5, ""},         {0.9, ""},    {1.1, "", false}, {1.5, "", false},
                                       {2, "231", false}, {2.5, "231"}, {3, ""},          {4.5, ""}};
    EXPECT_EQ(played(outage, 0, 1),
              (std::vector<std::string>{"NO DATA FROM GATEWAY: [07/12/2026 m11] no good reading since start-up", "SMS",
                                        "Gateway answering again: [07/12/2026 m20]",
                                        "NO DATA FROM GATEWAY: [07/12/2026 m45] no good reading since [07/12/2026 m25]",
                                        "SMS"}));
    EXPECT_TRUE(played(outage, 0, 0).size() == 0);

    AlarmMonitor monitor;
    const test::FixedClock clock;
    EXPECT_TRUE(monitor.checkFailed(monitoring(), clock, std::chrono::minutes(5)).alarmRaised);
    EXPECT_EQ(nextCheckTick(monitor, "3"), 4) << "checks go on during a no-data alarm";
    EXPECT_TRUE(monitor.checkResponse("300", monitoring(), clock, std::chrono::minutes(6))->alarmRaised);
    EXPECT_EQ(monitor.alarmKind(), AlarmKind::OverCurrent);
}
