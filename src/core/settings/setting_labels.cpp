#include "core/settings/setting_labels.h"

#include <array>
#include <utility>

namespace lumivane {

std::string_view settingLabel(std::string_view key)
{
    // Captions as the dialog shows them, with the box they sit in where one caption serves twice.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 23> kLabels{{
        {"DayCost", "Day Time Cost per kWh \xC2\xA3"},
        {"NightCost", "Night Time Cost per kWh \xC2\xA3"},
        {"Multiplier", "kWh Multiplier"},
        {"FromHour", "Day time Hours (From)"},
        {"ToHour", "Day time Hours (To)"},
        {"PulseData", "Enable Pulse"},
        {"PulseURL", "EGX400 IP/FQDN"},
        {"S1Multi", "S1 Multi."},
        {"S2Multi", "S2 Multi."},
        {"StoreLocal", "Store Locally (Input Settings)"},
        {"CommPort", "Modem Comm Port"},
        {"CommSettings", "Comm Port Settings"},
        {"AlarmHi", "HI Limit"},
        {"AlarmInterval", "Interval"},
        {"AlarmLog", "Store Locally (Alarm)"},
        {"MonitorAlarm", "Monitor Alarm."},
        {"SendSMS", "Send SMS on Alarm"},
        {"HTM", "Web Page (HTML)"},
        {"Txt", "Text File (TXT)"},
        {"CSV", "MS Excel (CSV)"},
        {"Export", "Export to File"},
        {"NoDataMinutes", "No data after (min)"},
        {"SMSRepeatMinutes", "SMS at most every (min)"},
    }};
    for (const auto& [name, label] : kLabels)
        if (name == key)
            return label;
    return key;
}

}  // namespace lumivane
