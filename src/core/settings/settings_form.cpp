#include "core/settings/settings_form.h"

#include "core/text/number_text.h"

namespace lumivane {

SwitchState switchStateOf(std::int16_t value)
{
    switch (value) {
    case 1: return SwitchState::Ticked;
    case 2: return SwitchState::Greyed;
    default: return SwitchState::Clear;  // a check box has no state for other values
    }
}

std::string switchText(SwitchState state) { return std::to_string(static_cast<int>(state)); }

SettingsForm settingsFormOf(const SettingsRecord& r)
{
    SettingsForm f;
    f.txtDayCost = formatPlain(r.settingsDayCost);
    f.txtNightCost = formatPlain(r.settingsNightCost);
    f.txtMultiplier = formatPlain(r.settingsMultiplier);
    f.txtDayFrom = std::to_string(r.settingsFromHours);
    f.txtDayTo = std::to_string(r.settingsToHours);
    f.chkURL = switchStateOf(r.settingsPulseData);
    f.txtURL = r.settingsPulseURL;
    f.txtS1Label = r.settingsS1Label;
    f.txtS2Label = r.settingsS2Label;
    f.txtS1Multi = r.settingsS1Multi;
    f.txtS2Multi = r.settingsS2Multi;
    f.chkStore = switchStateOf(r.settingsStoreLocal);
    f.txtS1Egu = r.settingsS1EGU;
    f.txtS2Egu = r.settingsS2EGU;
    // The choices are set one after another like option buttons of one group:
    // selecting one clears the others, so the last true one stays selected.
    const bool choices[3] = {r.settingsHTMOutput, r.settingsTxtOutput, r.settingsCSVOutput};
    for (std::size_t i = 0; i < 3; ++i) {
        if (choices[i]) {
            f.optExport.fill(false);
            f.optExport[i] = true;
        } else {
            f.optExport[i] = false;
        }
    }
    f.chkExport = switchStateOf(r.settingsExport);
    f.chkSMS = switchStateOf(r.settingsSendSMS);
    f.chkAlarm = switchStateOf(r.settingsMonitorAlarm);
    f.chkAlarmLog = switchStateOf(r.settingsAlarmLog);
    f.txtCommPort = r.settingsCommPort;
    f.txtCommSettings = r.settingsCommSettings;
    f.txtMobile = r.settingsSMSNumber;
    f.txtAlarmSMS = r.settingsSMSAlarmMsg;
    f.txtTestSMS = r.settingsSMSTestMsg;
    f.txtAlarmHi = r.settingsAlarmHi;
    f.txtInterval = r.settingsAlarmInterval;
    f.txtNoData = std::to_string(r.settingsNoDataMinutes);
    f.txtRepeat = std::to_string(r.settingsSMSRepeatMinutes);
    for (const SettingKey* key : tableBuiltKeys())
        f.tableRows.emplace_back(key->key, settingTextOf(r, key->key));
    return f;
}

std::vector<const SettingKey*> tableBuiltKeys()
{
    std::vector<const SettingKey*> keys;
    for (const SettingKey& key : settingKeys())
        if (key.control != SettingControl::Other)
            keys.push_back(&key);
    return keys;
}

std::string tableRowsProblem(const SettingsForm& form)
{
    for (const auto& [name, text] : form.tableRows) {
        const SettingKey* key = findSettingKey(name);
        if (key && key->control == SettingControl::NumberBox)
            if (std::string problem = settingRangeProblem(*key, text); !problem.empty())
                return problem;
    }
    return {};
}

std::vector<std::pair<std::string_view, std::string>> storedTextsOf(const SettingsForm& f)
{
    const auto choice = [](bool selected) { return std::string(selected ? "True" : "False"); };
    std::vector<std::pair<std::string_view, std::string>> texts = {
        {"DayCost", f.txtDayCost},
        {"NightCost", f.txtNightCost},
        {"Multiplier", f.txtMultiplier},
        {"FromHour", f.txtDayFrom},
        {"ToHour", f.txtDayTo},
        {"PulseData", switchText(f.chkURL)},
        {"PulseURL", f.txtURL},
        {"S1Label", f.txtS1Label},
        {"S2Label", f.txtS2Label},
        {"S1Multi", f.txtS1Multi},
        {"S2Multi", f.txtS2Multi},
        {"StoreLocal", switchText(f.chkStore)},
        {"S1EGU", f.txtS1Egu},
        {"S2EGU", f.txtS2Egu},
        {"CommPort", f.txtCommPort},
        {"CommSettings", f.txtCommSettings},
        {"SMSAlarmMsg", f.txtAlarmSMS},
        {"SMSTestMsg", f.txtTestSMS},
        {"SMSNumber", f.txtMobile},
        {"AlarmHi", f.txtAlarmHi},
        {"AlarmInterval", f.txtInterval},
        {"AlarmLog", switchText(f.chkAlarmLog)},
        {"MonitorAlarm", switchText(f.chkAlarm)},
        {"SendSMS", switchText(f.chkSMS)},
        {"HTM", choice(f.optExport[0])},
        {"Txt", choice(f.optExport[1])},
        {"CSV", choice(f.optExport[2])},
        {"Export", switchText(f.chkExport)},
        {"NoDataMinutes", f.txtNoData},
        {"SMSRepeatMinutes", f.txtRepeat},
    };
    // Rows built from the table follow, so a stored file keeps its order of keys.
    texts.insert(texts.end(), f.tableRows.begin(), f.tableRows.end());
    return texts;
}

}  // namespace lumivane
