#pragma once
// What the settings dialog shows: one value per control, made from the
// settings record, and the texts the dialog's Apply stores from it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/settings/settings_record.h"

namespace lumivane {

// A check box's three states; the numbers are the stored switch texts.
enum class SwitchState { Clear = 0, Ticked = 1, Greyed = 2 };

struct SettingsForm {
    std::string txtDayCost;
    std::string txtNightCost;
    std::string txtMultiplier;
    std::string txtDayFrom;
    std::string txtDayTo;
    SwitchState chkURL = SwitchState::Clear;
    std::string txtURL;
    std::string txtS1Label;
    std::string txtS2Label;
    std::string txtS1Multi;
    std::string txtS2Multi;
    SwitchState chkStore = SwitchState::Clear;
    std::string txtS1Egu;
    std::string txtS2Egu;
    // Web page, text file, spreadsheet, PDF; at most one is selected.
    std::array<bool, 4> optExport{};
    SwitchState chkExport = SwitchState::Clear;
    SwitchState chkSMS = SwitchState::Clear;
    SwitchState chkAlarm = SwitchState::Clear;
    SwitchState chkAlarmLog = SwitchState::Clear;
    std::string txtCommPort;
    std::string txtCommSettings;
    std::string txtMobile;
    std::string txtAlarmSMS;
    std::string txtTestSMS;
    std::string txtAlarmHi;
    std::string txtInterval;
    std::string txtNoData;
    std::string txtRepeat;
    // The rows the dialog builds from the table of keys (number boxes and check
    // boxes), key and text as stored, in table order; a check box's text is "0"/"1"/"2".
    std::vector<std::pair<std::string_view, std::string>> tableRows;
};

// 0, 1 and 2 as clear, ticked and greyed; any other value shows as clear.
SwitchState switchStateOf(std::int16_t value);

// "0", "1" or "2".
std::string switchText(SwitchState state);

// The controls' contents for a record: doubles in plain decimal form, hours as
// whole numbers, texts unchanged; of the format choices the last true one is selected.
SettingsForm settingsFormOf(const SettingsRecord& record);

// The keys whose dialog rows are built from the table alone, in table order.
std::vector<const SettingKey*> tableBuiltKeys();

// The key texts Apply stores, in the order Apply saves them: texts exactly
// as typed, switches as "0"/"1"/"2", the three format choices as "True"/"False".
std::vector<std::pair<std::string_view, std::string>> storedTextsOf(const SettingsForm& form);

// Why Apply must not store the table-built rows (the first number box whose
// text is outside its key's range); "" when it may.
std::string tableRowsProblem(const SettingsForm& form);

}  // namespace lumivane
