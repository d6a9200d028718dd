#include "core/gateway/alarm_settings_check.h"

#include <cmath>

#include "core/gateway/alarm_monitor.h"
#include "core/gateway/gsm_text.h"
#include "core/gateway/modem_dialogue.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

// The largest count a gateway counter holds: a multiplier must keep every reading finite.
constexpr double kLargestCount = 4294967295.0;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string checkNumber(const char* key, const std::string& text, const char* consequence)
{
    const auto value = parseDecimal(text);
    if (!value)
        return std::string(key) + " " + quoted(text) + " is not a number: " + consequence + ".";
    return {};
}

std::string checkMultiplier(const char* key, const std::string& text)
{
    std::string refusal = checkNumber(key, text, "the readings could not be worked out");
    if (refusal.empty() && !std::isfinite(*parseDecimal(text) * kLargestCount))
        refusal = std::string(key) + " " + quoted(text) + " is too large: a reading would be no finite number.";
    return refusal;
}

std::string checkMinutes(const char* key, const std::string& text, const char* zeroMeans)
{
    const auto value = parseInt16HalfEven(text);
    if (!value || *value < 0)
        return std::string(key) + " " + quoted(text) + " is not a whole number of minutes from 0 to 32767 (0 " +
               zeroMeans + ").";
    return {};
}

}  // namespace

SettingsCheck checkAlarmSettings(const SettingsForm& f)
{
    SettingsCheck check;
    const auto refuse = [&check](std::string reason) {
        if (check.refusal.empty())
            check.refusal = std::move(reason);
    };
    const std::vector<std::string> numbers = splitRecipients(f.txtMobile);
    if (numbers.empty() && f.chkSMS == SwitchState::Ticked)
        refuse("SMS alarms are on, but there is no recipient number.");
    for (const std::string& number : numbers)
        if (const auto checked = normalizePhoneNumber(number); !checked)
            refuse(checked.error().reason);
    refuse(checkNumber("AlarmHi", f.txtAlarmHi, "no current would ever raise the alarm"));
    refuse(checkNumber("AlarmInterval", f.txtInterval, "the checks would not come at the interval typed"));
    if (const auto interval = parseDecimal(f.txtInterval); interval && *interval >= 32767)
        refuse("AlarmInterval " + quoted(f.txtInterval) + " is too long: it must be below 32767 seconds.");
    refuse(checkMultiplier("Multiplier", f.txtMultiplier));
    refuse(checkMultiplier("S1Multi", f.txtS1Multi));
    refuse(checkMultiplier("S2Multi", f.txtS2Multi));
    refuse(checkMinutes("NoDataMinutes", f.txtNoData, "turns the no-data alarm off"));
    refuse(checkMinutes("SMSRepeatMinutes", f.txtRepeat, "means no limit"));

    // The longest alarm text: a full time stamp and the longest current.
    const std::string longest = alarmMessage(f.txtAlarmSMS, "00/00/0000 00:00:00", -32768, f.txtAlarmHi);
    const std::size_t characters = encodeGsmText(longest).characters;
    if (characters > kSmsCharacters)
        check.warnings.push_back("The alarm SMS can be " + std::to_string(characters) +
                                 " characters long with the time and the current; one SMS holds " +
                                 std::to_string(kSmsCharacters) + ", so the network may cut or refuse it.");
    return check;
}

}  // namespace lumivane
