#include "core/gateway/pulse_readings.h"

#include "core/text/number_text.h"

namespace lumivane {
namespace {

std::string multiplierError(std::string_view key, std::string_view text)
{
    return "multiplier " + std::string(key) + " \"" + std::string(text) + "\" is not a number";
}

}  // namespace

Expected<PulseReadings> computePulseReadings(const PulseCounters& counters, std::string_view s1Multi,
                                             std::string_view s2Multi)
{
    const auto multi1 = parseDecimal(s1Multi);
    if (!multi1)
        return failure(multiplierError("S1Multi", s1Multi));
    const auto multi2 = parseDecimal(s2Multi);
    if (!multi2)
        return failure(multiplierError("S2Multi", s2Multi));
    return PulseReadings{static_cast<double>(counters.counter1) * *multi1,
                         static_cast<double>(counters.counter2) * *multi2};
}

std::string pulseDisplayText(const PulseReadings& readings, const SettingsRecord& settings)
{
    return "\r\n" + settings.settingsS1Label + " Reading = " + formatPlain(readings.reading1) + " " +
           settings.settingsS1EGU + "\r\n" + settings.settingsS2Label + " Reading = " + formatPlain(readings.reading2) +
           " " + settings.settingsS2EGU;
}

std::string pulseLogRecord(const PulseCounters& counters, std::string_view dateTime)
{
    return "S1=" + std::to_string(counters.counter1) + ", S2=" + std::to_string(counters.counter2) +
           ", DT=" + std::string(dateTime) + "\r\n";
}

std::string pulseErrorText(std::string_view reason)
{
    std::string text = std::string("\r\n") + kPulseErrorLine;
    if (!reason.empty())
        text += "\r\n" + std::string(reason);
    return text;
}

std::string localFaultText(std::string_view heading, std::string_view reason)
{
    return "\r\n" + std::string(heading) + "\r\n" + std::string(reason);
}

Expected<PulseResponsePlan> planPulseResponse(std::string_view body, const SettingsRecord& settings, const Clock& clock)
{
    if (body.empty())
        return failure(pulseErrorText({}));
    const auto document = parsePulseDocument(body);
    if (!document)
        return failure(pulseErrorText("Pulse data refused: " + document.error().reason));
    const auto readings = computePulseReadings(*document, settings.settingsS1Multi, settings.settingsS2Multi);
    if (!readings)
        return failure(localFaultText(kSettingsFaultHeading, readings.error().reason));
    PulseResponsePlan plan;
    // The log holds the raw counters; the multipliers only affect what is shown.
    if (settings.settingsStoreLocal == 1)
        plan.logRecord = pulseLogRecord(*document, clock.generalDateTimeText());
    plan.displayText = pulseDisplayText(*readings, settings);
    return plan;
}

}  // namespace lumivane
