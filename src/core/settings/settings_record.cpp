#include "core/settings/settings_record.h"

#include <algorithm>
#include <cctype>

#include "core/text/number_text.h"

namespace lumivane {
namespace {

constexpr std::array<SettingKey, 28> kKeys{{
    {"DayCost", "0.16", SettingType::Double},
    {"NightCost", "0.09", SettingType::Double},
    {"Multiplier", "1.0", SettingType::Double},
    {"FromHour", "6", SettingType::Int16},
    {"ToHour", "18", SettingType::Int16},
    {"PulseData", "0", SettingType::Int16},
    {"PulseURL", "10.10.10.10", SettingType::Text},
    {"S1Label", "Gas", SettingType::Text},
    {"S2Label", "Water", SettingType::Text},
    {"S1Multi", "1.0", SettingType::Text},
    {"S2Multi", "1.0", SettingType::Text},
    {"StoreLocal", "0", SettingType::Int16},
    {"S1EGU", "Ltr/Min", SettingType::Text},
    {"S2EGU", "M/3", SettingType::Text},
    {"CommPort", "3", SettingType::Text},
    {"CommSettings", "460800,n,8,1", SettingType::Text},
    {"SMSAlarmMsg", "OVER CURRENT ALARM", SettingType::Text},
    {"SMSTestMsg", "Brenvik Automation test SMS.", SettingType::Text},
    {"SMSNumber", "07700900123", SettingType::Text},
    {"AlarmHi", "240", SettingType::Text},
    {"AlarmInterval", "15", SettingType::Text},
    {"AlarmLog", "0", SettingType::Int16},
    {"MonitorAlarm", "0", SettingType::Int16},
    {"SendSMS", "0", SettingType::Int16},
    {"HTM", "False", SettingType::Boolean},
    {"Txt", "False", SettingType::Boolean},
    {"CSV", "False", SettingType::Boolean},
    {"Export", "0", SettingType::Int16},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
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

// Each field with the key that fills it.
struct Binding {
    std::string_view key;
    double SettingsRecord::*asDouble = nullptr;
    std::int16_t SettingsRecord::*asInt16 = nullptr;
    bool SettingsRecord::*asBoolean = nullptr;
    std::string SettingsRecord::*asText = nullptr;
};

const std::array<Binding, 28>& bindings()
{
    using R = SettingsRecord;
    static const std::array<Binding, 28> table{{
        {"DayCost", &R::settingsDayCost},
        {"NightCost", &R::settingsNightCost},
        {"Multiplier", &R::settingsMultiplier},
        {"FromHour", nullptr, &R::settingsFromHours},
        {"ToHour", nullptr, &R::settingsToHours},
        {"PulseData", nullptr, &R::settingsPulseData},
        {"PulseURL", nullptr, nullptr, nullptr, &R::settingsPulseURL},
        {"S1Label", nullptr, nullptr, nullptr, &R::settingsS1Label},
        {"S2Label", nullptr, nullptr, nullptr, &R::settingsS2Label},
        {"S1Multi", nullptr, nullptr, nullptr, &R::settingsS1Multi},
        {"S2Multi", nullptr, nullptr, nullptr, &R::settingsS2Multi},
        {"StoreLocal", nullptr, &R::settingsStoreLocal},
        {"S1EGU", nullptr, nullptr, nullptr, &R::settingsS1EGU},
        {"S2EGU", nullptr, nullptr, nullptr, &R::settingsS2EGU},
        {"CommPort", nullptr, nullptr, nullptr, &R::settingsCommPort},
        {"CommSettings", nullptr, nullptr, nullptr, &R::settingsCommSettings},
        {"SMSAlarmMsg", nullptr, nullptr, nullptr, &R::settingsSMSAlarmMsg},
        {"SMSTestMsg", nullptr, nullptr, nullptr, &R::settingsSMSTestMsg},
        {"SMSNumber", nullptr, nullptr, nullptr, &R::settingsSMSNumber},
        {"AlarmHi", nullptr, nullptr, nullptr, &R::settingsAlarmHi},
        {"AlarmInterval", nullptr, nullptr, nullptr, &R::settingsAlarmInterval},
        {"AlarmLog", nullptr, &R::settingsAlarmLog},
        {"MonitorAlarm", nullptr, &R::settingsMonitorAlarm},
        {"SendSMS", nullptr, &R::settingsSendSMS},
        {"HTM", nullptr, nullptr, &R::settingsHTMOutput},
        {"Txt", nullptr, nullptr, &R::settingsTxtOutput},
        {"CSV", nullptr, nullptr, &R::settingsCSVOutput},
        {"Export", nullptr, &R::settingsExport},
    }};
    return table;
}

const Binding& bindingOf(std::string_view key)
{
    for (const Binding& b : bindings())
        if (b.key == key)
            return b;
    return bindings().front();  // unreachable for the keys of the table
}

// Assigns the converted text; false when it cannot be converted.
bool assign(SettingsRecord& record, const Binding& b, std::string_view text)
{
    if (b.asDouble) {
        const auto v = parseDecimal(text);
        if (v)
            record.*b.asDouble = *v;
        return v.has_value();
    }
    if (b.asInt16) {
        const auto v = parseInt16HalfEven(text);
        if (v)
            record.*b.asInt16 = *v;
        return v.has_value();
    }
    if (b.asBoolean) {
        const auto v = parseBoolean(text);
        if (v)
            record.*b.asBoolean = *v;
        return v.has_value();
    }
    record.*b.asText = std::string(text);
    return true;
}

}  // namespace

const std::array<SettingKey, 28>& settingKeys() { return kKeys; }

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
    SettingsRecord record;
    for (const SettingKey& key : kKeys) {
        const Binding& b = bindingOf(key.key);
        const std::optional<std::string> text = stored(key.key);
        // A stored text that cannot be converted is met by the key's default,
        // so a damaged store never stops the program from starting.
        if (!text || !assign(record, b, *text))
            assign(record, b, key.defaultText);
    }
    return record;
}

std::string settingTextOf(const SettingsRecord& record, std::string_view key)
{
    const Binding& b = bindingOf(key);
    if (b.asDouble)
        return formatPlain(record.*b.asDouble);
    if (b.asInt16)
        return std::to_string(record.*b.asInt16);
    if (b.asBoolean)
        return record.*b.asBoolean ? "True" : "False";
    return record.*b.asText;
}

}  // namespace lumivane
