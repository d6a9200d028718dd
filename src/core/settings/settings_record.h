#pragma once
// The 34 configuration values held by the main window, and their loading
// from the texts of the settings store.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumivane {

struct SettingsRecord {
    // Every field starts at its key's default from the table of keys.
    SettingsRecord();

    double settingsDayCost;
    double settingsNightCost;
    double settingsMultiplier;
    std::int16_t settingsFromHours;
    std::int16_t settingsToHours;
    bool settingsHTMOutput;
    bool settingsTxtOutput;
    bool settingsCSVOutput;
    std::int16_t settingsExport;
    std::int16_t settingsPulseData;
    std::string settingsPulseURL;
    std::string settingsS1Label;
    std::string settingsS2Label;
    std::string settingsS1Multi;
    std::string settingsS2Multi;
    std::int16_t settingsStoreLocal;
    std::string settingsS1EGU;
    std::string settingsS2EGU;
    std::string settingsCommPort;
    std::string settingsCommSettings;
    std::string settingsSMSAlarmMsg;
    std::string settingsSMSTestMsg;
    std::string settingsSMSNumber;
    std::string settingsAlarmHi;
    std::string settingsAlarmInterval;
    std::int16_t settingsMonitorAlarm;
    std::int16_t settingsSendSMS;
    std::int16_t settingsAlarmLog;
    std::int16_t settingsNoDataMinutes;
    std::int16_t settingsSMSRepeatMinutes;
    // Billing and reading rules; their defaults change nothing.
    double settingsStandingCharge = 0;     // pounds per day of a bill's period
    double settingsVATRate = 0;            // percent
    std::int16_t settingsMeterDigits = 0;  // digits of the register; 0 when it is not known to wrap
    std::int16_t settingsJoinPeriods = 0;  // 1: the last reading before a scope is its baseline
};

enum class SettingType { Double, Int16, Boolean, Text };

// Where a key's value lives in the record; the alternative held is the key's
// type, in the order of SettingType.
using SettingField = std::variant<double SettingsRecord::*, std::int16_t SettingsRecord::*, bool SettingsRecord::*,
                                  std::string SettingsRecord::*>;

// How the settings dialog edits a key that it builds from the table alone:
// a number box (checked against the key's range on Apply) or a check box.
// Keys with controls of their own are Other.
enum class SettingControl { Other, NumberBox, CheckBox };

// The values a number box accepts.
struct SettingRange {
    double lowest = 0;
    double highest = 0;
};

// One row of the table of keys, from which defaults, loading, saving, the
// dialog's captions and its checks derive.
struct SettingKey {
    constexpr SettingKey(std::string_view name, std::string_view defaultValue, SettingField member,
                         std::string_view caption = {}, SettingControl editedAs = SettingControl::Other,
                         SettingRange accepted = {})
        : key(name), defaultText(defaultValue), type(static_cast<SettingType>(member.index())), field(member),
          label(caption), control(editedAs), range(accepted)
    {
    }
    std::string_view key;          // name in the section "Settings"
    std::string_view defaultText;  // what a missing key reads as
    SettingType type;              // how the stored text converts
    SettingField field;            // the record field it fills
    std::string_view label;        // the dialog's caption; "" for none
    SettingControl control;        // how a table-built dialog row edits it
    SettingRange range;            // what a number box accepts
};

inline constexpr const char* kSettingsSection = "Settings";

// Keys the main window keeps for itself in the same section, beside the
// settings the dialog edits: the "Each month" choice ("0"/"1"), the folders
// its file dialogs last used, and its size ("width,height").
inline constexpr std::string_view kEachMonthKey = "EachMonth";
inline constexpr std::string_view kAddFilesFolderKey = "AddFilesFolder";
inline constexpr std::string_view kResultsFolderKey = "ResultsFolder";
inline constexpr std::string_view kWindowSizeKey = "WindowSize";

inline constexpr std::size_t kSettingKeyCount = 34;

// All keys in load order.
const std::array<SettingKey, kSettingKeyCount>& settingKeys();

// The key of that name (exact case), or nullptr.
const SettingKey* findSettingKey(std::string_view key);

// The dialog's caption for the key ("Day Time Cost per kWh £"), or the key itself when it has none.
std::string_view settingLabel(std::string_view key);

// Why a number box's text cannot be stored for the key (not a number of the
// key's type, or outside its range), naming the caption; "" when it can.
std::string settingRangeProblem(const SettingKey& key, std::string_view text);

// Whether a stored text converts to the type without falling back to the default.
bool settingTextFits(SettingType type, std::string_view text);

// The stored text of a key, or nullopt when the key is missing.
using StoredSettingText = std::function<std::optional<std::string>(std::string_view key)>;

// A stored text that does not convert to its key's type (no number, or out of
// range): the key's default stands in for it.
struct UnreadableSetting {
    std::string_view key;
    std::string storedText;
    std::string usedText;  // the value used, written as it would be saved
};

struct LoadedSettings {
    SettingsRecord record;
    std::vector<UnreadableSetting> unreadable;  // in load order; a missing key is not unreadable
};

// Fills a whole record, key by key in load order; a missing key, or a text that
// cannot be converted to its field's type, gives the key's default.
SettingsRecord loadSettingsRecord(const StoredSettingText& stored);

// The same record, with every stored text that gave way to its default named.
LoadedSettings loadSettingsNamingUnreadable(const StoredSettingText& stored);

// One line for the operator: the key, its stored text (control characters
// shown as "?") and the value used instead.
std::string unreadableSettingLine(const UnreadableSetting& setting);

// The text a record field would be saved as (switches "0"/"1", choices
// "True"/"False", doubles and hours in plain decimal form, texts unchanged).
// `key` must be a key of the table: any other name is a programming error.
std::string settingTextOf(const SettingsRecord& record, std::string_view key);

}  // namespace lumivane
