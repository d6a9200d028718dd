// The gateway's two documents as arbitrary bytes: the pulse document
// ("/pdata.htm") and the current document ("/cdata.htm"), through the same
// functions the window uses to show, log and alarm on them.
//
// Checks beyond memory safety:
//   - accepted counters are the words of fields 0/1 and 30/31 put together,
//     and split back into the same words;
//   - a refused document gives a reason and no log record;
//   - an alarm is raised exactly when the rounded current exceeds the limit,
//     once, and its log record is one line;
//   - what is shown and logged for the pulse readings holds no line end
//     other than the ones the program puts there.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text/number_text.h"
#include "fuzz_support.h"
#include "core/gateway/alarm_monitor.h"
#include "core/gateway/pulse_document.h"
#include "core/gateway/pulse_readings.h"
#include "support/fixed_clock.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

std::string_view fieldAt(std::string_view body, int index)
{
    for (int i = 0; i < index; ++i) {
        const std::size_t comma = body.find(',');
        if (comma == std::string_view::npos)
            return {};
        body.remove_prefix(comma + 1);
    }
    return body.substr(0, body.find(','));
}

void checkPulseDocument(std::string_view body)
{
    const Expected<PulseCounters> result = parsePulseDocument(body);
    if (!result)
        return;
    const std::string_view stripped = stripTrailingLineEnd(body);
    const auto low1 = parseInt16HalfEven(fieldAt(stripped, 0));
    const auto high1 = parseInt16HalfEven(fieldAt(stripped, 1));
    const auto low2 = parseInt16HalfEven(fieldAt(stripped, 30));
    const auto high2 = parseInt16HalfEven(fieldAt(stripped, 31));
    check(low1 && high1 && low2 && high2, "accepted document with a used field that is no 16-bit number");
    check(result->counter1 == std::int64_t{*high1} * 65536 + *low1, "counter 1 is not high x 65536 + low");
    check(result->counter2 == std::int64_t{*high2} * 65536 + *low2, "counter 2 is not high x 65536 + low");
    for (const std::int32_t counter : {result->counter1, result->counter2}) {
        const auto words = splitPulseCounter(counter);
        check(words.has_value(), "an accepted counter cannot be split");
        check(std::int64_t{words->high} * 65536 + words->low == counter, "split words do not give the counter");
    }
}

void checkPulsePlan(std::string_view body)
{
    const test::FixedClock clock;
    SettingsRecord settings;
    settings.settingsStoreLocal = 1;
    settings.settingsS2Multi = "0.5";
    const PulseResponsePlan plan = planPulseResponse(body, settings, clock);
    switch (plan.kind) {
    case PulseResponsePlan::Kind::EmptyResponse:
        check(body.empty(), "non-empty body taken as empty");
        check(!plan.logRecord, "empty response logged");
        break;
    case PulseResponsePlan::Kind::Failure:
        check(!plan.failure.empty(), "failure without a reason");
        check(!plan.logRecord, "refused document logged");
        break;
    case PulseResponsePlan::Kind::Readings: {
        check(plan.logRecord.has_value(), "StoreLocal 1 without a record");
        const std::string& record = *plan.logRecord;
        check(record.size() >= 2 && record.find("\r\n") == record.size() - 2, "pulse record is not one line");
        check(record.rfind("S1=", 0) == 0, "pulse record does not start with S1=");
        check(std::count(plan.displayText.begin(), plan.displayText.end(), '\n') == 2, "display has a stray line end");
        break;
    }
    }
}

void checkCurrentDocument(std::string_view body)
{
    const test::FixedClock clock;
    SettingsRecord settings;
    settings.settingsAlarmLog = 1;
    settings.settingsSendSMS = 1;
    AlarmMonitor monitor;
    const AlarmCheckOutcome first = monitor.checkResponse(body, settings, clock);
    const Expected<std::int16_t> reading = parseCurrentDocument(body);
    if (body.empty()) {
        check(!first.alarmRaised && first.failure.empty(), "empty answer did something");
        return;
    }
    if (!reading) {
        check(!first.alarmRaised && !first.failure.empty(), "unreadable current without a reason");
        check(!monitor.alarmActive(), "unreadable current raised the alarm");
        return;
    }
    check(first.alarmRaised == (*reading > 240), "alarm does not follow current > 240");
    check(monitor.alarmActive() == first.alarmRaised, "alarm state does not follow the outcome");
    if (!first.alarmRaised)
        return;
    check(first.logRecord && first.logRecord->find("\r\n") == first.logRecord->size() - 2,
          "alarm record is not one line");
    check(first.sendSms && first.smsNumber == settings.settingsSMSNumber, "SMS not asked for");
    // While the alarm is active the same answer raises nothing more.
    const AlarmCheckOutcome second = monitor.checkResponse(body, settings, clock);
    check(!second.alarmRaised && !second.logRecord, "a second alarm while one is active");
    check(monitor.acknowledge(1, clock).has_value(), "active alarm cannot be acknowledged");
    check(!monitor.acknowledge(1, clock).has_value(), "acknowledged twice");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    checkPulseDocument(body);
    checkPulsePlan(body);
    checkCurrentDocument(body);
    return 0;
}
