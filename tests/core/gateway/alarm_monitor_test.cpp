#include <gtest/gtest.h>

#include <string>

#include "core/gateway/alarm_monitor.h"
#include "support/fixed_clock.h"

using namespace lumivane;

namespace {

// The tick on which the first check falls due (0 when none within the limit).
int firstCheckTick(AlarmMonitor& monitor, std::string_view interval, int limit = 100)
{
    for (int tick = 1; tick <= limit; ++tick)
        if (monitor.tick(1, interval).checkDue)
            return tick;
    return 0;
}

SettingsRecord monitoringSettings()
{
    SettingsRecord settings;
    settings.settingsMonitorAlarm = 1;
    settings.settingsAlarmHi = "240";
    return settings;
}

}  // namespace

TEST(AlarmMonitorTicks, CheckFallsDueOnceTheCountPassesTheInterval)
{
    // An interval that is no number, or one a 16-bit count never passes, counts as 15.
    const std::pair<const char*, int> cases[] = {{"15", 16}, {"0", 1},      {"-3", 1},     {"abc", 16},
                                                 {"", 16},   {"40000", 16}, {"32767", 16}, {" 3 ", 4}};
    for (const auto& [interval, tick] : cases) {
        SCOPED_TRACE(interval);
        AlarmMonitor monitor;
        EXPECT_EQ(firstCheckTick(monitor, interval), tick);
        EXPECT_EQ(monitor.alarmTickCount(), 0);
        EXPECT_EQ(firstCheckTick(monitor, interval), tick);  // and as often again after each check
    }
    EXPECT_EQ(effectiveAlarmInterval("32766"), 32766);
}

TEST(AlarmMonitorTicks, MonitoringOffKeepsCountAtZeroAndHidesBanner)
{
    AlarmMonitor monitor;
    for (int i = 0; i < 10; ++i)
        monitor.tick(1, "15");
    EXPECT_EQ(monitor.alarmTickCount(), 10);
    const auto off = monitor.tick(2, "15");
    EXPECT_FALSE(off.bannerVisible);
    EXPECT_FALSE(off.checkDue);
    EXPECT_FALSE(off.bannerColour.has_value());
    EXPECT_EQ(monitor.alarmTickCount(), 0);
    // switched on again: the count starts from 0
    EXPECT_EQ(firstCheckTick(monitor, "15"), 16);
}

// The current, rounded halves to even, raises the alarm only above the limit;
// answers that are empty or cannot be read end the check without one.
TEST(AlarmMonitorCheck, OnlyACurrentAboveTheLimitRaisesTheAlarm)
{
    struct Case { const char* body; const char* limit; bool alarm; const char* failure; };
    const Case cases[] = {
        {"240", "240", false, ""},   {"241", "240", true, ""},  {"240.5", "240", false, ""},
        {"240.6", "240", true, ""},  {"239", "240", false, ""}, {"", "240", false, ""},
        {"high", "240", false, "current \"high\" is not a 16-bit number"},
        {"40000", "240", false, nullptr},  {"300", "lots", false, nullptr},
    };
    test::FixedClock clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.body) + " against " + c.limit);
        auto settings = monitoringSettings();
        settings.settingsAlarmHi = c.limit;
        AlarmMonitor monitor;
        const auto outcome = monitor.checkResponse(c.body, settings, clock);
        EXPECT_EQ(outcome.alarmRaised, c.alarm);
        EXPECT_EQ(monitor.alarmActive(), c.alarm);
        if (c.failure) {
            EXPECT_EQ(outcome.failure, c.failure);
        }
    }
}

TEST(AlarmMonitorCheck, MessageCarriesRoundedCurrentAndLimitAsStored)
{
    auto settings = monitoringSettings();
    settings.settingsAlarmHi = "240.0";
    test::FixedClock clock("05/12/2026", "14:03:27");
    AlarmMonitor monitor;
    const auto outcome = monitor.checkResponse("250.4\r\n", settings, clock);
    ASSERT_TRUE(outcome.alarmRaised);
    EXPECT_EQ(outcome.message, "OVER CURRENT ALARM: [05/12/2026 14:03:27] 250 Amps => 240.0 Amps.");
}

TEST(AlarmMonitorCheck, OnlySwitchesAtOneGiveSmsAndRecord)
{
    auto settings = monitoringSettings();
    settings.settingsSMSNumber = "07700900999";
    test::FixedClock clock("05/12/2026", "14:03:27");
    for (const std::int16_t on : {0, 1, 2}) {
        SCOPED_TRACE(on);
        settings.settingsSendSMS = on;
        settings.settingsAlarmLog = on;
        AlarmMonitor monitor;
        const auto outcome = monitor.checkResponse("300", settings, clock);
        EXPECT_TRUE(outcome.alarmRaised);
        EXPECT_EQ(outcome.sendSms, on == 1);
        EXPECT_EQ(outcome.smsNumber, on == 1 ? "07700900999" : "");
        EXPECT_EQ(outcome.logRecord.value_or("none"), on == 1 ? outcome.message + "\r\n" : "none");
    }
}

TEST(AlarmMonitorCheck, ActiveAlarmStopsCountingAndChecks)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    AlarmMonitor monitor;
    ASSERT_TRUE(monitor.checkResponse("300", settings, clock).alarmRaised);
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(monitor.tick(1, "0").checkDue);
    EXPECT_EQ(monitor.alarmTickCount(), 0);
    // a second answer cannot raise a second alarm while the first is active
    EXPECT_FALSE(monitor.checkResponse("400", settings, clock).alarmRaised);
}

TEST(AlarmMonitorBlink, ActiveAlarmShowsBannerAndAlternatesColours)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    AlarmMonitor monitor;
    monitor.checkResponse("300", settings, clock);
    const auto first = monitor.tick(1, "15");
    const auto second = monitor.tick(1, "15");
    const auto third = monitor.tick(0, "15");
    EXPECT_TRUE(first.bannerVisible);
    EXPECT_EQ(first.bannerColour, kAlarmBannerRed);
    EXPECT_EQ(second.bannerColour, kWindowTextColour);
    EXPECT_EQ(third.bannerColour, kAlarmBannerRed);
    EXPECT_TRUE(third.bannerVisible);  // switching monitoring off does not clear an alarm
}

TEST(AlarmMonitorAck, AcknowledgementEndsTheAlarmWithARecordOnlyWithAlarmLogOne)
{
    test::FixedClock clock("05/12/2026", "14:05:00");
    for (const std::int16_t alarmLog : {1, 0}) {
        SCOPED_TRACE(alarmLog);
        AlarmMonitor monitor;
        EXPECT_FALSE(monitor.acknowledge(alarmLog, clock).has_value()) << "no alarm, nothing to acknowledge";
        monitor.checkResponse("300", monitoringSettings(), clock);
        monitor.tick(1, "15");  // flash now true
        const auto ack = monitor.acknowledge(alarmLog, clock);
        ASSERT_TRUE(ack.has_value());
        EXPECT_EQ(ack->caption, "Acknowledged");
        EXPECT_EQ(ack->bannerColour, kWindowTextColour);
        EXPECT_EQ(ack->logRecord.value_or("none"), alarmLog == 1 ? "Acknowledged: [05/12/2026 14:05:00]\r\n" : "none");
        EXPECT_FALSE(monitor.alarmActive());
        EXPECT_TRUE(monitor.alarmFlash());             // not reset by the acknowledgement
        EXPECT_EQ(firstCheckTick(monitor, "15"), 16);  // monitoring resumes after the full interval
    }
}

TEST(AlarmMonitorState, WorksOnTheOwnersStateAcrossMonitors)
{
    bool active = false;
    std::int16_t count = 0;
    bool flash = false;
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    for (int i = 0; i < 15; ++i) {
        AlarmMonitor monitor(active, count, flash);
        EXPECT_FALSE(monitor.tick(1, "15").checkDue);
    }
    EXPECT_EQ(count, 15);
    {
        AlarmMonitor monitor(active, count, flash);
        EXPECT_TRUE(monitor.tick(1, "15").checkDue);
        EXPECT_TRUE(monitor.checkResponse("300", settings, clock).alarmRaised);
    }
    EXPECT_TRUE(active);
    EXPECT_EQ(count, 0);
    {
        AlarmMonitor monitor(active, count, flash);
        EXPECT_EQ(monitor.tick(1, "15").bannerColour, kAlarmBannerRed);
    }
    EXPECT_TRUE(flash);
    AlarmMonitor monitor(active, count, flash);
    EXPECT_TRUE(monitor.acknowledge(0, clock).has_value());
    EXPECT_FALSE(active);
}
