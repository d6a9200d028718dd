#include <gtest/gtest.h>

#include <string>

#include "gateway/alarm_monitor.h"
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

TEST(AlarmMonitorTicks, FirstCheckOnSixteenthTickWithFifteen)
{
    AlarmMonitor monitor;
    EXPECT_EQ(firstCheckTick(monitor, "15"), 16);
    EXPECT_EQ(monitor.alarmTickCount(), 0);
    // and every 16 ticks afterwards
    EXPECT_EQ(firstCheckTick(monitor, "15"), 16);
}

TEST(AlarmMonitorTicks, ZeroOrNegativeIntervalChecksEveryTick)
{
    AlarmMonitor monitor;
    EXPECT_EQ(firstCheckTick(monitor, "0"), 1);
    EXPECT_EQ(firstCheckTick(monitor, "0"), 1);
    EXPECT_EQ(firstCheckTick(monitor, "-3"), 1);
}

TEST(AlarmMonitorTicks, IntervalThatIsNoNumberCountsAsFifteen)
{
    AlarmMonitor monitor;
    EXPECT_EQ(firstCheckTick(monitor, "abc"), 16);
    EXPECT_EQ(firstCheckTick(monitor, ""), 16);
}

TEST(AlarmMonitorTicks, UnreachableIntervalCountsAsFifteen)
{
    AlarmMonitor monitor;
    EXPECT_EQ(firstCheckTick(monitor, "40000"), 16);
    EXPECT_EQ(firstCheckTick(monitor, "32767"), 16);
    EXPECT_EQ(effectiveAlarmInterval("32766"), 32766);
    EXPECT_EQ(effectiveAlarmInterval(" 3 "), 3);
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

TEST(AlarmMonitorCheck, CurrentAboveLimitRaisesAlarmEqualDoesNot)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    struct Case { const char* body; bool alarm; };
    for (const Case c : {Case{"240", false}, Case{"241", true}, Case{"240.5", false},
                         Case{"240.6", true}, Case{"239", false}}) {
        AlarmMonitor monitor;
        const auto outcome = monitor.checkResponse(c.body, settings, clock);
        EXPECT_EQ(outcome.alarmRaised, c.alarm) << c.body;
        EXPECT_EQ(monitor.alarmActive(), c.alarm) << c.body;
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

TEST(AlarmMonitorCheck, SwitchesDecideSmsAndRecord)
{
    auto settings = monitoringSettings();
    test::FixedClock clock("05/12/2026", "14:03:27");
    {
        AlarmMonitor monitor;
        const auto quiet = monitor.checkResponse("300", settings, clock);
        EXPECT_TRUE(quiet.alarmRaised);
        EXPECT_FALSE(quiet.sendSms);
        EXPECT_FALSE(quiet.logRecord.has_value());
    }
    settings.settingsSendSMS = 1;
    settings.settingsAlarmLog = 1;
    settings.settingsSMSNumber = "07700900999";
    AlarmMonitor monitor;
    const auto loud = monitor.checkResponse("300", settings, clock);
    EXPECT_TRUE(loud.sendSms);
    EXPECT_EQ(loud.smsNumber, "07700900999");
    ASSERT_TRUE(loud.logRecord.has_value());
    EXPECT_EQ(*loud.logRecord, loud.message + "\r\n");
    settings.settingsSendSMS = 2;
    settings.settingsAlarmLog = 2;
    AlarmMonitor other;
    const auto offAgain = other.checkResponse("300", settings, clock);
    EXPECT_FALSE(offAgain.sendSms);
    EXPECT_FALSE(offAgain.logRecord.has_value());
}

TEST(AlarmMonitorCheck, EmptyOrBadAnswersEndSilently)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    AlarmMonitor monitor;
    EXPECT_FALSE(monitor.checkResponse("", settings, clock).alarmRaised);
    EXPECT_TRUE(monitor.checkResponse("", settings, clock).failure.empty());
    const auto junk = monitor.checkResponse("high", settings, clock);
    EXPECT_FALSE(junk.alarmRaised);
    EXPECT_EQ(junk.failure, "current \"high\" is not a 16-bit number");
    EXPECT_FALSE(monitor.checkResponse("40000", settings, clock).alarmRaised);
    auto badLimit = settings;
    badLimit.settingsAlarmHi = "lots";
    EXPECT_FALSE(monitor.checkResponse("300", badLimit, clock).alarmRaised);
    EXPECT_FALSE(monitor.alarmActive());
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

TEST(AlarmMonitorAck, AcknowledgementEndsAlarmAndGivesRecordWithAlarmLogOne)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock("05/12/2026", "14:05:00");
    AlarmMonitor monitor;
    monitor.checkResponse("300", settings, clock);
    monitor.tick(1, "15");  // flash now true
    const auto ack = monitor.acknowledge(1, clock);
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->caption, "Acknowledged");
    EXPECT_EQ(ack->bannerColour, kWindowTextColour);
    ASSERT_TRUE(ack->logRecord.has_value());
    EXPECT_EQ(*ack->logRecord, "Acknowledged: [05/12/2026 14:05:00]\r\n");
    EXPECT_FALSE(monitor.alarmActive());
    EXPECT_TRUE(monitor.alarmFlash());  // not reset by the acknowledgement
    // monitoring resumes after the full interval
    EXPECT_EQ(firstCheckTick(monitor, "15"), 16);
}

TEST(AlarmMonitorAck, NoRecordWithAlarmLogZeroAndNothingWithoutAlarm)
{
    const auto settings = monitoringSettings();
    test::FixedClock clock;
    AlarmMonitor monitor;
    EXPECT_FALSE(monitor.acknowledge(1, clock).has_value());
    monitor.checkResponse("300", settings, clock);
    const auto ack = monitor.acknowledge(0, clock);
    ASSERT_TRUE(ack.has_value());
    EXPECT_FALSE(ack->logRecord.has_value());
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
