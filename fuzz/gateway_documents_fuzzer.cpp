// The gateway's two documents as arbitrary bytes: the pulse document
// ("/pdata.htm") and the current document ("/cdata.htm"), through the same
// functions the window uses to show, log and alarm on them.
//
// Checks beyond memory safety:
//   - accepted counters split back into words that give the same counter;
//   - a refused document gives a reason and no log record; a record is one line;
//   - an alarm is raised exactly when the rounded current exceeds the limit,
//     and only once while it is active.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/gateway/alarm_monitor.h"
#include "core/gateway/pulse_document.h"
#include "core/gateway/pulse_readings.h"
#include "fuzz_support.h"
#include "support/fixed_clock.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

bool oneLine(const std::optional<std::string>& record) { return record && record->find("\r\n") == record->size() - 2; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const test::FixedClock clock;
    SettingsRecord settings;
    settings.settingsStoreLocal = settings.settingsAlarmLog = settings.settingsSendSMS = 1;
    settings.settingsS2Multi = "0.5";

    if (const Expected<PulseCounters> pulse = parsePulseDocument(body)) {
        for (const std::int32_t counter : {pulse->counter1, pulse->counter2}) {
            const auto words = splitPulseCounter(counter);
            check(words && std::int64_t{words->high} * 65536 + words->low == counter,
                  "split words do not give the counter");
        }
    }
    const Expected<PulseResponsePlan> plan = planPulseResponse(body, settings, clock);
    if (plan) {
        check(oneLine(plan->logRecord) && plan->logRecord->starts_with("S1="), "pulse record is not one S1= line");
        check(std::count(plan->displayText.begin(), plan->displayText.end(), '\n') == 2,
              "display has a stray line end");
    } else {
        check((plan.error().reason == pulseErrorText({})) == body.empty(),
              "non-empty body taken as empty, or refused without a reason");
    }

    AlarmMonitor monitor;
    const Expected<AlarmCheckOutcome> first = monitor.checkResponse(body, settings, clock);
    const Expected<std::int16_t> reading = parseCurrentDocument(body);
    if (!reading) {
        check(!first && !first.error().reason.empty() && !monitor.alarmActive(),
              "unreadable current did something, or failed without a reason");
        return 0;
    }
    check(first && first->alarmRaised == (*reading > 240) && monitor.alarmActive() == first->alarmRaised,
          "alarm does not follow current > 240");
    if (first->alarmRaised) {
        check(first->records.size() == 1 && oneLine(first->records.front()) && first->sendSms &&
                  first->smsNumber == settings.settingsSMSNumber,
              "alarm record is not one line, or no SMS asked for");
        const auto second = monitor.checkResponse(body, settings, clock);
        check(second && !second->alarmRaised && second->records.empty(), "a second alarm while one is active");
        check(monitor.acknowledge(1, clock) && !monitor.acknowledge(1, clock), "acknowledged not exactly once");
    }
    return 0;
}
