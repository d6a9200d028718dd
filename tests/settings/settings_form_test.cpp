#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
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

TEST(SettingsForm, FirstRunShowsPlainNumbersAndNoFormatChoice)
{
    const SettingsForm f = settingsFormOf(SettingsRecord{});
    EXPECT_EQ(f.txtMultiplier, "1");
    EXPECT_EQ(f.txtDayCost, "0.16");
    EXPECT_EQ(f.txtNightCost, "0.09");
    EXPECT_EQ(f.txtDayFrom, "6");
    EXPECT_EQ(f.txtDayTo, "18");
    EXPECT_EQ(f.txtS1Multi, "1.0");
    EXPECT_EQ(f.chkURL, SwitchState::Clear);
    for (bool selected : f.optExport)
        EXPECT_FALSE(selected);
}

TEST(SettingsForm, TextFieldsAreShownUnchanged)
{
    SettingsRecord r;
    r.settingsS1Label = "  Gas  ";
    r.settingsAlarmInterval = "abc";
    r.settingsSMSTestMsg = "";
    const SettingsForm f = settingsFormOf(r);
    EXPECT_EQ(f.txtS1Label, "  Gas  ");
    EXPECT_EQ(f.txtInterval, "abc");
    EXPECT_EQ(f.txtTestSMS, "");
}

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
    SettingsRecord r;
    r.settingsStoreLocal = 2;
    r.settingsMonitorAlarm = 5;
    r.settingsSendSMS = 1;
    const SettingsForm f = settingsFormOf(r);
    EXPECT_EQ(f.chkStore, SwitchState::Greyed);
    EXPECT_EQ(f.chkAlarm, SwitchState::Clear);
    EXPECT_EQ(f.chkSMS, SwitchState::Ticked);
}

TEST(SettingsForm, ApplyTextsFollowTheControlOrderAndCoverEveryKey)
{
    const auto texts = storedTextsOf(SettingsForm{});
    const std::vector<std::string_view> expected = {
        "DayCost", "NightCost", "Multiplier", "FromHour", "ToHour", "PulseData", "PulseURL",
        "S1Label", "S2Label", "S1Multi", "S2Multi", "StoreLocal", "S1EGU", "S2EGU",
        "CommPort", "CommSettings", "SMSAlarmMsg", "SMSTestMsg", "SMSNumber", "AlarmHi",
        "AlarmInterval", "AlarmLog", "MonitorAlarm", "SendSMS", "HTM", "Txt", "CSV", "Export"};
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(texts[i].first, expected[i]) << "position " << i;
    std::set<std::string_view> known;
    for (const SettingKey& key : settingKeys())
        known.insert(key.key);
    std::set<std::string_view> written;
    for (const auto& [key, text] : texts)
        written.insert(key);
    EXPECT_EQ(written, known);
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
