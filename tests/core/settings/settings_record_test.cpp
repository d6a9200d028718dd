#include "core/settings/settings_record.h"

#include <gtest/gtest.h>

#include <map>

using namespace lumivane;

// Stored texts take the field's type; a text that does not convert gives the key's
// default and is named, in load order.
TEST(SettingsRecord, ConvertsStoredTextsOrFallsBackToTheKeysDefault)
{
    const std::map<std::string_view, std::string> stored = {
        {"FromHour", "6.5"}, {"ToHour", "7.5"},     {"HTM", "True"},       {"CSV", "-1"},      {"DayCost", "0.2"},
        {"S1Label", ""},     {"NightCost", "0,18"}, {"AlarmLog", "40000"}, {"Txt", "may\nbe"}, {"Export", ""}};
    const LoadedSettings loaded = loadSettingsNamingUnreadable([&](std::string_view key) -> std::optional<std::string> {
        const auto it = stored.find(key);
        return it == stored.end() ? std::nullopt : std::optional(it->second);
    });
    // The named fields in their stored-text form, so a wrong value shows by its key.
    std::string texts;
    for (const auto& [key, text] : stored)
        texts += std::string(key) + "=" + settingTextOf(loaded.record, key) + "|";
    EXPECT_EQ(
        texts,
        "AlarmLog=0|CSV=True|DayCost=0.2|Export=0|FromHour=6|HTM=True|NightCost=0.09|S1Label=|ToHour=8|Txt=False|");
    std::string named;
    for (const UnreadableSetting& setting : loaded.unreadable)
        named += unreadableSettingLine(setting) + "\n";
    EXPECT_EQ(named, "setting NightCost: the stored text \"0,18\" cannot be read; 0.09 is used\n"
                     "setting AlarmLog: the stored text \"40000\" cannot be read; 0 is used\n"
                     "setting Txt: the stored text \"may?be\" cannot be read; False is used\n"
                     "setting Export: the stored text \"\" cannot be read; 0 is used\n");
}

// Messages about a stored setting name it as the dialog does. Texts are taken as stored,
// so only numbers and switches can be unreadable, and only they need a caption.
TEST(SettingsRecord, EveryKeyThatCanBeUnreadableHasTheDialogsCaption)
{
    EXPECT_EQ(settingLabel("DayCost"), "Day Time Cost per kWh \xC2\xA3");
    for (const SettingKey& key : settingKeys())
        EXPECT_TRUE(key.type == SettingType::Text || settingLabel(key.key) != key.key) << key.key;
    EXPECT_EQ(settingLabel("S1Label"), "S1Label");
}
