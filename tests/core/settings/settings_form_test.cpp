#include "core/settings/settings_form.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace lumivane;

namespace {

std::map<std::string, std::string> asMap(const std::vector<std::pair<std::string_view, std::string>>& texts)
{
    std::map<std::string, std::string> m;
    for (const auto& [key, text] : texts)
        m[std::string(key)] = text;
    return m;
}

}  // namespace

// First-run texts, texts shown as stored and switches shown greyed or clear
// through the dialog are pinned in frm_settings_test.cpp; here the rules themselves.
TEST(SettingsForm, LastTrueFormatChoiceIsTheSelectedOne)
{
    SettingsRecord r;
    r.settingsHTMOutput = true;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{true, false, false, false}));
    r.settingsTxtOutput = true;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{false, true, false, false}));
    r.settingsCSVOutput = true;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{false, false, true, false}));
    r.settingsTxtOutput = false;
    EXPECT_EQ(settingsFormOf(r).optExport, (std::array<bool, 4>{false, false, true, false}));
}

TEST(SettingsForm, SwitchValuesOutsideZeroToTwoShowClear)
{
    EXPECT_EQ(switchStateOf(0), SwitchState::Clear);
    EXPECT_EQ(switchStateOf(1), SwitchState::Ticked);
    EXPECT_EQ(switchStateOf(2), SwitchState::Greyed);
    EXPECT_EQ(switchStateOf(5), SwitchState::Clear);
    EXPECT_EQ(switchStateOf(-1), SwitchState::Clear);
}

TEST(SettingsForm, ApplyTextsFollowTheControlOrderAndCoverEveryKey)
{
    const auto texts = storedTextsOf(SettingsForm{});
    const std::vector<std::string_view> expected = {
        "DayCost", "NightCost", "Multiplier", "FromHour", "ToHour", "PulseData", "PulseURL",
        "S1Label", "S2Label", "S1Multi", "S2Multi", "StoreLocal", "S1EGU", "S2EGU",
        "CommPort", "CommSettings", "SMSAlarmMsg", "SMSTestMsg", "SMSNumber", "AlarmHi",
        "AlarmInterval", "AlarmLog", "MonitorAlarm", "SendSMS", "HTM", "Txt", "CSV", "Export"};
    // 28 distinct known names: every key is written once.
    ASSERT_EQ(texts.size(), settingKeys().size());
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(texts[i].first, expected[i]) << "position " << i;
        EXPECT_NE(findSettingKey(expected[i]), nullptr) << expected[i];
    }
}

TEST(SettingsForm, ApplyTextsKeepTypedTextAndWriteSwitchesAndChoices)
{
    SettingsForm f;
    f.txtDayCost = " 0.20 ";
    f.txtS1Label = "";
    f.txtInterval = "fifteen";
    f.chkURL = SwitchState::Ticked;
    f.chkStore = SwitchState::Clear;
    f.chkAlarm = SwitchState::Greyed;
    f.optExport = {false, false, true, false};
    const auto m = asMap(storedTextsOf(f));
    EXPECT_EQ(m.at("DayCost"), " 0.20 ");
    EXPECT_EQ(m.at("S1Label"), "");
    EXPECT_EQ(m.at("AlarmInterval"), "fifteen");
    EXPECT_EQ(m.at("PulseData"), "1");
    EXPECT_EQ(m.at("StoreLocal"), "0");
    EXPECT_EQ(m.at("MonitorAlarm"), "2");
    EXPECT_EQ(m.at("HTM"), "False");
    EXPECT_EQ(m.at("Txt"), "False");
    EXPECT_EQ(m.at("CSV"), "True");
}

TEST(SettingsForm, ARecordShownAndAppliedLoadsBackUnchanged)
{
    SettingsRecord r;
    r.settingsDayCost = 0.1234;
    r.settingsMultiplier = 2.5;
    r.settingsFromHours = 7;
    r.settingsToHours = 22;
    r.settingsTxtOutput = true;
    r.settingsPulseData = 1;
    r.settingsAlarmLog = 2;
    r.settingsS2Label = "Steam";
    r.settingsCommSettings = "9600,e,7,2";
    const auto m = asMap(storedTextsOf(settingsFormOf(r)));
    const SettingsRecord back = loadSettingsRecord([&m](std::string_view key) -> std::optional<std::string> {
        return m.at(std::string(key));
    });
    for (const SettingKey& key : settingKeys())
        EXPECT_EQ(settingTextOf(back, key.key), settingTextOf(r, key.key)) << key.key;
}
