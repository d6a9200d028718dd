#include "core/settings/settings_record.h"

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
    // Every field in its stored-text form, so a changed default shows by its key.
    const std::map<std::string_view, std::string_view> expected = {
        {"DayCost", "0.16"}, {"NightCost", "0.09"}, {"Multiplier", "1"}, {"FromHour", "6"}, {"ToHour", "18"},
        {"PulseData", "0"}, {"PulseURL", "10.10.10.10"}, {"S1Label", "Gas"}, {"S2Label", "Water"},
        {"S1Multi", "1.0"}, {"S2Multi", "1.0"}, {"StoreLocal", "0"}, {"S1EGU", "Ltr/Min"}, {"S2EGU", "M/3"},
        {"CommPort", "3"}, {"CommSettings", "460800,n,8,1"}, {"SMSAlarmMsg", "OVER CURRENT ALARM"},
        {"SMSTestMsg", "Brenvik Automation test SMS."}, {"SMSNumber", "07700900123"}, {"AlarmHi", "240"},
        {"AlarmInterval", "15"}, {"AlarmLog", "0"}, {"MonitorAlarm", "0"}, {"SendSMS", "0"},
        {"HTM", "False"}, {"Txt", "False"}, {"CSV", "False"}, {"Export", "0"}};
    const SettingsRecord r = loadSettingsRecord(storeOf({}));
    ASSERT_EQ(settingKeys().size(), expected.size());
    for (const SettingKey& key : settingKeys())
        EXPECT_EQ(settingTextOf(r, key.key), expected.at(key.key)) << key.key;
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
}

TEST(SettingsRecordDeathTest, AnUnknownKeyIsAProgrammingError)
{
    const SettingsRecord r;
    EXPECT_EQ(settingTextOf(r, "SMSNumber"), "07700900123");
    EXPECT_DEATH(settingTextOf(r, "DayCosts"), "");
}
