#include "core/settings/settings_record.h"

#include <gtest/gtest.h>

#include <map>

using namespace lumivane;

namespace {

StoredSettingText storeOf(std::map<std::string, std::string> texts)
{
    return [texts = std::move(texts)](std::string_view key) -> std::optional<std::string> {
        const auto it = texts.find(std::string(key));
        return it == texts.end() ? std::nullopt : std::optional(it->second);
    };
}

}  // namespace

// Every key in its stored-text form, so a changed default shows by its key.
TEST(SettingsRecord, FirstRunGivesTheDefaultRecord)
{
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

// Stored texts take the field's type; a text that does not convert gives the key's default.
TEST(SettingsRecord, ConvertsStoredTextsOrFallsBackToTheKeysDefault)
{
    const SettingsRecord r = loadSettingsRecord(storeOf({{"FromHour", "6.5"}, {"ToHour", "7.5"}, {"HTM", "True"},
                                                         {"CSV", "-1"}, {"DayCost", "0.2"}, {"S1Label", ""},
                                                         {"NightCost", "cheap"}, {"AlarmLog", "40000"},
                                                         {"Txt", "maybe"}, {"Export", ""}}));
    const std::pair<const char*, const char*> fields[] = {
        {"FromHour", "6"}, {"ToHour", "8"}, {"HTM", "True"}, {"CSV", "True"}, {"DayCost", "0.2"}, {"S1Label", ""},
        {"NightCost", "0.09"}, {"AlarmLog", "0"}, {"Txt", "False"}, {"Export", "0"}};
    for (const auto& [key, text] : fields)
        EXPECT_EQ(settingTextOf(r, key), text) << key;
}

TEST(SettingsRecordDeathTest, AnUnknownKeyIsAProgrammingError)
{
    const SettingsRecord r;
    EXPECT_EQ(settingTextOf(r, "SMSNumber"), "07700900123");
    EXPECT_DEATH(settingTextOf(r, "DayCosts"), "");
}
