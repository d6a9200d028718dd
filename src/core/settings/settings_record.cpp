#include "core/settings/settings_record.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/text/number_text.h"

namespace lumivane {
namespace {

using R = SettingsRecord;

// The one table of keys, in load order: name, default text, and the field
// whose type says how the text converts.
constexpr std::array<SettingKey, kSettingKeyCount> kKeys{{
    {"DayCost", "0.16", &R::settingsDayCost, "Day Time Cost per kWh \xC2\xA3"},
    {"NightCost", "0.09", &R::settingsNightCost, "Night Time Cost per kWh \xC2\xA3"},
    {"Multiplier", "1.0", &R::settingsMultiplier, "kWh Multiplier"},
    {"FromHour", "6", &R::settingsFromHours, "Day time Hours (From)"},
    {"ToHour", "18", &R::settingsToHours, "Day time Hours (To)"},
    {"PulseData", "0", &R::settingsPulseData, "Enable Pulse"},
    {"PulseURL", "10.10.10.10", &R::settingsPulseURL, "EGX400 IP/FQDN"},
    {"S1Label", "Gas", &R::settingsS1Label},
    {"S2Label", "Water", &R::settingsS2Label},
    {"S1Multi", "1.0", &R::settingsS1Multi, "S1 Multi."},
    {"S2Multi", "1.0", &R::settingsS2Multi, "S2 Multi."},
    {"StoreLocal", "0", &R::settingsStoreLocal, "Store Locally (Input Settings)"},
    {"S1EGU", "Ltr/Min", &R::settingsS1EGU},
    {"S2EGU", "M/3", &R::settingsS2EGU},
    {"CommPort", "3", &R::settingsCommPort, "Modem Comm Port"},
    {"CommSettings", "460800,n,8,1", &R::settingsCommSettings, "Comm Port Settings"},
    {"SMSAlarmMsg", "OVER CURRENT ALARM", &R::settingsSMSAlarmMsg},
    {"SMSTestMsg", "Brenvik Automation test SMS.", &R::settingsSMSTestMsg},
    {"SMSNumber", "07700900123", &R::settingsSMSNumber},
    {"AlarmHi", "240", &R::settingsAlarmHi, "HI Limit"},
    {"AlarmInterval", "15", &R::settingsAlarmInterval, "Interval"},
    {"AlarmLog", "0", &R::settingsAlarmLog, "Store Locally (Alarm)"},
    {"MonitorAlarm", "0", &R::settingsMonitorAlarm, "Monitor Alarm."},
    {"SendSMS", "0", &R::settingsSendSMS, "Send SMS on Alarm"},
    {"HTM", "False", &R::settingsHTMOutput, "Web Page (HTML)"},
    {"Txt", "False", &R::settingsTxtOutput, "Text File (TXT)"},
    {"CSV", "False", &R::settingsCSVOutput, "MS Excel (CSV)"},
    {"Export", "0", &R::settingsExport, "Export to File"},
    {"NoDataMinutes", "5", &R::settingsNoDataMinutes, "No data after (min)"},
    {"SMSRepeatMinutes", "10", &R::settingsSMSRepeatMinutes, "SMS at most every (min)"},
    // Billing and reading rules, edited in the dialog's Billing group.
    {"StandingCharge",
     "0",
     &R::settingsStandingCharge,
     "Standing charge per day \xC2\xA3",
     SettingControl::NumberBox,
     {0, 100}},
    {"VATRate", "0", &R::settingsVATRate, "VAT %", SettingControl::NumberBox, {0, 100}},
    {"MeterDigits", "0", &R::settingsMeterDigits, "Meter digits", SettingControl::NumberBox, {0, 12}},
    {"JoinPeriods", "0", &R::settingsJoinPeriods, "Join periods", SettingControl::CheckBox},
}};

// The variant's alternatives and SettingType list the types in the same order.
static_assert(kKeys[0].type == SettingType::Double && kKeys[3].type == SettingType::Int16 &&
              kKeys[6].type == SettingType::Text && kKeys[24].type == SettingType::Boolean);

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<bool> parseBoolean(std::string_view text)
{
    if (equalsIgnoringCase(text, "True"))
        return true;
    if (equalsIgnoringCase(text, "False"))
        return false;
    if (const auto number = parseDecimal(text))
        return *number != 0.0;
    return std::nullopt;
}

std::optional<double> converted(double*, std::string_view text) { return parseDecimal(text); }
std::optional<std::int16_t> converted(std::int16_t*, std::string_view text) { return parseInt16HalfEven(text); }
std::optional<bool> converted(bool*, std::string_view text) { return parseBoolean(text); }
std::optional<std::string> converted(std::string*, std::string_view text) { return std::string(text); }

std::string savedText(double value) { return formatPlain(value); }
std::string savedText(std::int16_t value) { return std::to_string(value); }
std::string savedText(bool value) { return value ? "True" : "False"; }
std::string savedText(const std::string& value) { return value; }

// Assigns the converted text to the key's field; false when it cannot be converted.
bool assign(SettingsRecord& record, const SettingKey& key, std::string_view text)
{
    return std::visit(
        [&](auto member) {
            auto& field = record.*member;
            auto value = converted(&field, text);
            if (value)
                field = std::move(*value);
            return value.has_value();
        },
        key.field);
}

const SettingKey& knownKey(std::string_view name)
{
    const SettingKey* key = findSettingKey(name);
    // Callers name keys of the table only; any other name is a programming error.
    assert(key && "not a key of the settings table");
    if (!key)
        std::abort();
    return *key;
}

}  // namespace

SettingsRecord::SettingsRecord()
{
    for (const SettingKey& key : kKeys) {
        [[maybe_unused]] const bool ok = assign(*this, key, key.defaultText);
        assert(ok && "a default of the settings table does not convert to its type");
    }
}

const std::array<SettingKey, kSettingKeyCount>& settingKeys() { return kKeys; }

const SettingKey* findSettingKey(std::string_view key)
{
    for (const SettingKey& k : kKeys)
        if (k.key == key)
            return &k;
    return nullptr;
}

std::string_view settingLabel(std::string_view key)
{
    const SettingKey* found = findSettingKey(key);
    return found && !found->label.empty() ? found->label : key;
}

std::string settingRangeProblem(const SettingKey& key, std::string_view text)
{
    // A whole-number key takes whole numbers only: 2.5 meter digits is a typing slip, not 2.
    const std::optional<double> value = parseDecimal(text);
    const bool whole = key.type != SettingType::Int16 || (value && *value == std::floor(*value));
    if (value && whole && *value >= key.range.lowest && *value <= key.range.highest)
        return {};
    return std::string(key.label) + " \"" + std::string(text) + "\" is not " +
           (key.type == SettingType::Int16 ? "a whole number" : "a number") + " from " + formatPlain(key.range.lowest) +
           " to " + formatPlain(key.range.highest) + ".";
}

bool settingTextFits(SettingType type, std::string_view text)
{
    switch (type) {
    case SettingType::Double: return parseDecimal(text).has_value();
    case SettingType::Int16: return parseInt16HalfEven(text).has_value();
    case SettingType::Boolean: return parseBoolean(text).has_value();
    case SettingType::Text: return true;
    }
    return false;
}

SettingsRecord loadSettingsRecord(const StoredSettingText& stored)
{
    return loadSettingsNamingUnreadable(stored).record;
}

LoadedSettings loadSettingsNamingUnreadable(const StoredSettingText& stored)
{
    LoadedSettings loaded;
    for (const SettingKey& key : kKeys) {
        // A stored text that cannot be converted leaves the key's default in
        // place, so a damaged store never stops the program from starting; it
        // is named, so nobody mistakes the default for what was stored.
        std::optional<std::string> text = stored(key.key);
        if (text && !assign(loaded.record, key, *text))
            loaded.unreadable.push_back({key.key, std::move(*text), settingTextOf(loaded.record, key.key)});
    }
    return loaded;
}

std::string unreadableSettingLine(const UnreadableSetting& setting)
{
    std::string shown = setting.storedText;
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
    return "setting " + std::string(setting.key) + ": the stored text \"" + shown + "\" cannot be read; " +
           setting.usedText + " is used";
}

std::string settingTextOf(const SettingsRecord& record, std::string_view key)
{
    return std::visit([&](auto member) { return savedText(record.*member); }, knownKey(key).field);
}

}  // namespace lumivane
