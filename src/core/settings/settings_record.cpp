#include "core/settings/settings_record.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdlib>

#include "core/text/number_text.h"

namespace lumivane {
namespace {

using R = SettingsRecord;

// The one table of keys, in load order: name, default text, and the field
// whose type says how the text converts.
constexpr std::array<SettingKey, 30> kKeys{{
    {"DayCost", "0.16", &R::settingsDayCost},
    {"NightCost", "0.09", &R::settingsNightCost},
    {"Multiplier", "1.0", &R::settingsMultiplier},
    {"FromHour", "6", &R::settingsFromHours},
    {"ToHour", "18", &R::settingsToHours},
    {"PulseData", "0", &R::settingsPulseData},
    {"PulseURL", "10.10.10.10", &R::settingsPulseURL},
    {"S1Label", "Gas", &R::settingsS1Label},
    {"S2Label", "Water", &R::settingsS2Label},
    {"S1Multi", "1.0", &R::settingsS1Multi},
    {"S2Multi", "1.0", &R::settingsS2Multi},
    {"StoreLocal", "0", &R::settingsStoreLocal},
    {"S1EGU", "Ltr/Min", &R::settingsS1EGU},
    {"S2EGU", "M/3", &R::settingsS2EGU},
    {"CommPort", "3", &R::settingsCommPort},
    {"CommSettings", "460800,n,8,1", &R::settingsCommSettings},
    {"SMSAlarmMsg", "OVER CURRENT ALARM", &R::settingsSMSAlarmMsg},
    {"SMSTestMsg", "Brenvik Automation test SMS.", &R::settingsSMSTestMsg},
    {"SMSNumber", "07700900123", &R::settingsSMSNumber},
    {"AlarmHi", "240", &R::settingsAlarmHi},
    {"AlarmInterval", "15", &R::settingsAlarmInterval},
    {"AlarmLog", "0", &R::settingsAlarmLog},
    {"MonitorAlarm", "0", &R::settingsMonitorAlarm},
    {"SendSMS", "0", &R::settingsSendSMS},
    {"HTM", "False", &R::settingsHTMOutput},
    {"Txt", "False", &R::settingsTxtOutput},
    {"CSV", "False", &R::settingsCSVOutput},
    {"Export", "0", &R::settingsExport},
    {"NoDataMinutes", "5", &R::settingsNoDataMinutes},
    {"SMSRepeatMinutes", "10", &R::settingsSMSRepeatMinutes},
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

const std::array<SettingKey, 30>& settingKeys() { return kKeys; }

const SettingKey* findSettingKey(std::string_view key)
{
    for (const SettingKey& k : kKeys)
        if (k.key == key)
            return &k;
    return nullptr;
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
