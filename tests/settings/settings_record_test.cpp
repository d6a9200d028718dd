#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <map>

using namespace lumivane;

namespace {
StoredSettingText storeOf(std::map<std::string, std::string> texts)
{
    return [texts = std::move(texts)](std::string_view key) -> std::optional<std::string> {
        const auto it = texts.find(std::string(key));
        if (it == texts.end())
            return std::nullopt;
        return it->second;
    };
}
}  // namespace

TEST(SettingsRecord, FirstRunGivesTheDefaultRecord)
{
    const SettingsRecord r = loadSettingsRecord(storeOf({}));
    EXPECT_EQ(r.settingsDayCost, 0.16);
    EXPECT_EQ(r.settingsNightCost, 0.09);
    EXPECT_EQ(r.settingsMultiplier, 1.0);
    EXPECT_EQ(r.settingsFromHours, 6);
    EXPECT_EQ(r.settingsToHours, 18);
    EXPECT_FALSE(r.settingsHTMOutput || r.settingsTxtOutput || r.settingsCSVOutput);
    EXPECT_EQ(r.settingsExport, 0);
    EXPECT_EQ(r.settingsPulseData, 0);
    EXPECT_EQ(r.settingsPulseURL, "10.10.10.10");
    EXPECT_EQ(r.settingsS1Label, "Gas");
    EXPECT_EQ(r.settingsS2Label, "Water");
    EXPECT_EQ(r.settingsS1Multi, "1.0");
    EXPECT_EQ(r.settingsS2Multi, "1.0");
    EXPECT_EQ(r.settingsS1EGU, "Ltr/Min");
    EXPECT_EQ(r.settingsS2EGU, "M/3");
    EXPECT_EQ(r.settingsCommPort, "3");
    EXPECT_EQ(r.settingsCommSettings, "460800,n,8,1");
    EXPECT_EQ(r.settingsSMSAlarmMsg, "OVER CURRENT ALARM");
    EXPECT_EQ(r.settingsSMSTestMsg, "Brenvik Automation test SMS.");
    EXPECT_EQ(r.settingsSMSNumber.size(), 11u);
    EXPECT_EQ(r.settingsSMSNumber.rfind("07700900", 0), 0u);
    EXPECT_EQ(r.settingsAlarmHi, "240");
    EXPECT_EQ(r.settingsAlarmInterval, "15");
    EXPECT_EQ(r.settingsMonitorAlarm + r.settingsSendSMS + r.settingsAlarmLog + r.settingsStoreLocal, 0);
    EXPECT_EQ(settingKeys().size(), 28u);
}

TEST(SettingsRecord, ConvertsStoredTextsToTheFieldTypes)
{
    const SettingsRecord r = loadSettingsRecord(storeOf({{"FromHour", "6.5"},
                                                         {"ToHour", "7.5"},
                                                         {"HTM", "True"},
                                                         {"Txt", "0"},
                                                         {"CSV", "-1"},
                                                         {"DayCost", "0.2"},
                                                         {"PulseData", "1"},
                                                         {"S1Label", ""}}));
    EXPECT_EQ(r.settingsFromHours, 6);
    EXPECT_EQ(r.settingsToHours, 8);
    EXPECT_TRUE(r.settingsHTMOutput);
    EXPECT_FALSE(r.settingsTxtOutput);
    EXPECT_TRUE(r.settingsCSVOutput);
    EXPECT_EQ(r.settingsDayCost, 0.2);
    EXPECT_EQ(r.settingsPulseData, 1);
    EXPECT_EQ(r.settingsS1Label, "") << "an empty stored text is present, not missing";
}

TEST(SettingsRecord, UnconvertibleTextsFallBackToTheKeysDefault)
{
    const SettingsRecord r = loadSettingsRecord(storeOf({{"DayCost", ""},
                                                         {"NightCost", "cheap"},
                                                         {"FromHour", "40000"},
                                                         {"ToHour", "x"},
                                                         {"HTM", "maybe"},
                                                         {"Export", ""},
                                                         {"Multiplier", "2.5"}}));
    EXPECT_EQ(r.settingsDayCost, 0.16);
    EXPECT_EQ(r.settingsNightCost, 0.09);
    EXPECT_EQ(r.settingsFromHours, 6);
    EXPECT_EQ(r.settingsToHours, 18);
    EXPECT_FALSE(r.settingsHTMOutput);
    EXPECT_EQ(r.settingsExport, 0);
    EXPECT_EQ(r.settingsMultiplier, 2.5);
}

TEST(SettingsRecord, KeyLookupAndTypeChecks)
{
    ASSERT_NE(findSettingKey("AlarmHi"), nullptr);
    EXPECT_EQ(findSettingKey("alarmhi"), nullptr);
    EXPECT_TRUE(settingTextFits(SettingType::Int16, "1"));
    EXPECT_FALSE(settingTextFits(SettingType::Int16, "99999"));
    EXPECT_FALSE(settingTextFits(SettingType::Double, "abc"));
    EXPECT_TRUE(settingTextFits(SettingType::Boolean, "False"));
    EXPECT_TRUE(settingTextFits(SettingType::Text, ""));
    const SettingsRecord r;
    EXPECT_EQ(settingTextOf(r, "Multiplier"), "1");
    EXPECT_EQ(settingTextOf(r, "HTM"), "False");
    EXPECT_EQ(settingTextOf(r, "FromHour"), "6");
    EXPECT_EQ(settingTextOf(r, "PulseURL"), "10.10.10.10");
}
