#include "core/settings/settings_record.h"

#include <gtest/gtest.h>

#include <map>

using namespace lumivane;

namespace {

// A store holding "Key=text|Key=text|..."; other keys are missing.
StoredSettingText storeOf(std::string_view texts)
{
    std::map<std::string, std::string, std::less<>> stored;
    for (std::size_t start = 0; start < texts.size();) {
        const std::size_t end = std::min(texts.find('|', start), texts.size());
        const std::size_t equals = texts.find('=', start);
        stored[std::string(texts.substr(start, equals - start))] = texts.substr(equals + 1, end - equals - 1);
        start = end + 1;
    }
    return [stored](std::string_view key) -> std::optional<std::string> {
        const auto it = stored.find(key);
        return it == stored.end() ? std::nullopt : std::optional(it->second);
    };
}

// The named fields in their stored-text form, so a wrong value shows by its key.
std::string textsOf(const SettingsRecord& r, const std::vector<std::string_view>& keys)
{
    std::string texts;
    for (const std::string_view key : keys)
        texts += std::string(texts.empty() ? "" : "|") + std::string(key) + "=" + settingTextOf(r, key);
    return texts;
}

}  // namespace

// Stored texts take the field's type; a text that does not convert gives the key's
// default and is named, in load order.
TEST(SettingsRecord, ConvertsStoredTextsOrFallsBackToTheKeysDefault)
{
    const LoadedSettings loaded = loadSettingsNamingUnreadable(storeOf(
        "FromHour=6.5|ToHour=7.5|HTM=True|CSV=-1|DayCost=0.2|S1Label=|NightCost=0,18|AlarmLog=40000|Txt=may\nbe|Export="));
    const SettingsRecord& r = loaded.record;
    EXPECT_EQ(
        textsOf(r,
                {"FromHour", "ToHour", "HTM", "CSV", "DayCost", "S1Label", "NightCost", "AlarmLog", "Txt", "Export"}),
        "FromHour=6|ToHour=8|HTM=True|CSV=True|DayCost=0.2|S1Label=|NightCost=0.09|AlarmLog=0|Txt=False|Export=0");
    std::string named;
    for (const UnreadableSetting& setting : loaded.unreadable)
        named += unreadableSettingLine(setting) + "\n";
    EXPECT_EQ(named, "setting NightCost: the stored text \"0,18\" cannot be read; 0.09 is used\n"
                     "setting AlarmLog: the stored text \"40000\" cannot be read; 0 is used\n"
                     "setting Txt: the stored text \"may?be\" cannot be read; False is used\n"
                     "setting Export: the stored text \"\" cannot be read; 0 is used\n");
}
