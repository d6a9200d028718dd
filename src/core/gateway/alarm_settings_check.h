#pragma once
// What Apply refuses or warns about in the alarm and gateway settings: a value
// that would silently switch monitoring off or send SMS to a wrong number is
// refused before it is stored.
#include <string>
#include <vector>

#include "core/settings/settings_form.h"

namespace lumivane {

struct SettingsCheck {
    std::string refusal;                // why Apply must not store the form; empty when it may
    std::vector<std::string> warnings;  // stored anyway, but the operator should know
};

// Checks the recipients (each of a comma-separated list), AlarmHi, AlarmInterval,
// the three multipliers, NoDataMinutes and SMSRepeatMinutes; warns when the alarm
// SMS could be longer than one SMS.
SettingsCheck checkAlarmSettings(const SettingsForm& form);

}  // namespace lumivane
