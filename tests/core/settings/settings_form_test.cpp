#include "core/settings/settings_form.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

using namespace lumivane;

// The last true format choice is the selected one; switches outside 0 to 2 show clear.
TEST(SettingsForm, ShowsTheLastTrueFormatChoiceAndClearsUnknownSwitches)
{
    SettingsRecord r;
    r.settingsHTMOutput = true;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{true, false, false, false}));
    r.settingsCSVOutput = true;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{false, false, true, false}));
    for (const auto& [value, state] : {std::pair{std::int16_t(1), SwitchState::Ticked},
                                       {2, SwitchState::Greyed},
                                       {5, SwitchState::Clear},
                                       {-1, SwitchState::Clear}})
        EXPECT_EQ(switchStateOf(value), state) << value;
}

// Applying writes every key once; a record shown and applied loads back unchanged.
// (Typed texts stored as they stand: the settings dialog's test.)
TEST(SettingsForm, ARecordShownAndAppliedLoadsBackUnchanged)
{
    SettingsRecord r;
    r.settingsDayCost = 0.1234;
    r.settingsToHours = 22;
    r.settingsTxtOutput = true;
    r.settingsAlarmLog = 2;
    r.settingsS2Label = "Steam";
    r.settingsStandingCharge = 0.4512;
    r.settingsJoinPeriods = 1;
    const SettingsForm form = settingsFormOf(r);
    std::map<std::string, std::string> stored;
    for (const auto& [key, text] : storedTextsOf(form))
        stored[std::string(key)] = text;
    ASSERT_EQ(stored.size(), settingKeys().size());
    const SettingsRecord back = loadSettingsRecord([&](std::string_view key) { return stored.at(std::string(key)); });
    for (const SettingKey& key : settingKeys())
        EXPECT_EQ(settingTextOf(back, key.key), settingTextOf(r, key.key)) << key.key;
}
