#include "core/gateway/alarm_monitor.h"

#include <gtest/gtest.h>

#include <string>

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
// SMS and log record only with their switches at 1; bad answers end the check quietly.
TEST(AlarmMonitor, OnlyACurrentAboveTheLimitRaisesTheAlarm)
{
    const test::FixedClock clock("05/12/2026", "14:03:27");
    const struct {
        std::string body;
        SettingsRecord settings;
        const char* message;  // "" when no alarm
        const char* failure;
    } cases[] = {
        {"240", monitoring(), "", ""},
        {"240.5", monitoring(), "", ""},
        {"250.4\r\n", monitoring("240.0"), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 250 Amps => 240.0 Amps.", ""},
        {"240.6", monitoring("240", 1), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 241 Amps => 240 Amps.", ""},
        {"300", monitoring("240", 2), "OVER CURRENT ALARM: [05/12/2026 14:03:27] 300 Amps => 240 Amps.", ""},
        {"", monitoring(), "", ""},
        {"high", monitoring(), "", "current \"high\" is not a 16-bit number"},
        {"300", monitoring("lots"), "", "lots"},
    };
    for (const auto& c : cases) {
        AlarmMonitor monitor;
        const auto outcome = monitor.checkResponse(c.body, c.settings, clock);
        EXPECT_EQ(outcome.alarmRaised, *c.message != 0) << c.body;
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_NE(outcome.failure.find(c.failure), std::string::npos) << outcome.failure;
        const bool switched = outcome.alarmRaised && c.settings.settingsSendSMS == 1;
        EXPECT_EQ(outcome.sendSms, switched);
        EXPECT_EQ(outcome.smsNumber, switched ? "07700900999" : "");
        EXPECT_EQ(outcome.logRecord.value_or("none"), switched ? outcome.message + "\r\n" : "none");
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
        ASSERT_TRUE(monitor.checkResponse("300", monitoring(), clock).alarmRaised);
        const auto off = monitor.tick(0, "0");  // switching monitoring off does not clear an alarm
        EXPECT_TRUE(off.bannerVisible && !off.checkDue);
        const auto ack = monitor.acknowledge(alarmLog, clock);
        ASSERT_TRUE(ack);
        EXPECT_EQ(ack->logRecord.value_or("none"), alarmLog == 1 ? "Acknowledged: [05/12/2026 14:05:00]\r\n" : "none");
        EXPECT_EQ(nextCheckTick(monitor, "15"), 16);
    }
}
