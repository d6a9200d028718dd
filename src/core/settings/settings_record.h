#pragma once
// The 28 configuration values held by the main window, and their loading
// from the texts of the settings store.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumivane {

struct SettingsRecord {
    double settingsDayCost = 0.16;
    double settingsNightCost = 0.09;
    double settingsMultiplier = 1.0;
    std::int16_t settingsFromHours = 6;
    std::int16_t settingsToHours = 18;
    bool settingsHTMOutput = false;
    bool settingsTxtOutput = false;
    bool settingsCSVOutput = false;
    std::int16_t settingsExport = 0;
    std::int16_t settingsPulseData = 0;
    std::string settingsPulseURL = "10.10.10.10";
    std::string settingsS1Label = "Gas";
    std::string settingsS2Label = "Water";
    std::string settingsS1Multi = "1.0";
    std::string settingsS2Multi = "1.0";
    std::int16_t settingsStoreLocal = 0;
    std::string settingsS1EGU = "Ltr/Min";
    std::string settingsS2EGU = "M/3";
    std::string settingsCommPort = "3";
    std::string settingsCommSettings = "460800,n,8,1";
    std::string settingsSMSAlarmMsg = "OVER CURRENT ALARM";
    std::string settingsSMSTestMsg = "Brenvik Automation test SMS.";
    std::string settingsSMSNumber = "07700900123";
    std::string settingsAlarmHi = "240";
    std::string settingsAlarmInterval = "15";
    std::int16_t settingsMonitorAlarm = 0;
    std::int16_t settingsSendSMS = 0;
    std::int16_t settingsAlarmLog = 0;
};

enum class SettingType { Double, Int16, Boolean, Text };

struct SettingKey {
    std::string_view key;          // name in the section "Settings"
    std::string_view defaultText;  // what a missing key reads as
    SettingType type;
};

inline constexpr const char* kSettingsSection = "Settings";

// All 28 keys in load order.
const std::array<SettingKey, 28>& settingKeys();

// The key of that name (exact case), or nullptr.
const SettingKey* findSettingKey(std::string_view key);

// Whether a stored text converts to the type without falling back to the default.
bool settingTextFits(SettingType type, std::string_view text);

// The stored text of a key, or nullopt when the key is missing.
using StoredSettingText = std::function<std::optional<std::string>(std::string_view key)>;

// Fills a whole record, key by key in load order; a missing key, or a text that
// cannot be converted to its field's type, gives the key's default.
SettingsRecord loadSettingsRecord(const StoredSettingText& stored);

// The text a record field would be saved as (switches "0"/"1", choices
// "True"/"False", doubles and hours in plain decimal form, texts unchanged).
std::string settingTextOf(const SettingsRecord& record, std::string_view key);

}  // namespace lumivane
