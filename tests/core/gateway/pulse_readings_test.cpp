#include <gtest/gtest.h>

#include <string>

#include "core/gateway/pulse_document.h"
#include "core/gateway/pulse_readings.h"
#include "support/fixed_clock.h"

using namespace lumivane;

namespace {

// Zero words with the given words at places 0, 1, 30 and 31.
std::string pulseBody(const std::string& f0, const std::string& f1, const std::string& f30, const std::string& f31,
                      int fieldCount = 32)
{
    std::string body;
    for (int i = 0; i < fieldCount; ++i)
        body += (i ? "," : "") + (i == 0 ? f0 : i == 1 ? f1 : i == 30 ? f30 : i == 31 ? f31 : "0");
    return body;
}

const std::string kExample = pulseBody("5", "1", "7", "2");

}  // namespace

TEST(PulseDocument, ReadsTheCountersOrNamesWhyNot)
{
    const struct {
        std::string body;
        std::int32_t counter1, counter2;
        const char* error;  // "" when the counters are read
    } cases[] = {
        {kExample + "\r\n", 65541, 131079, ""},
        {pulseBody("-1", "1", "-32768", "0"), 65535, -32768, ""},
        {pulseBody(" 2.5", "0 ", "3.5", " 0 "), 2, 4, ""},  // halves to even, blanks ignored
        {pulseBody("5", "1", "7", "2", 40) + ",junk,,x", 65541, 131079, ""},
        {pulseBody("0", "-32768", "0", "0"), -2147483647 - 1, 0, ""},
        {pulseBody("5", "1", "40000", "2"), 0, 0, "field 30 \"40000\" is not a 16-bit number"},
        {pulseBody("5", "x1", "7", "2"), 0, 0, "field 1 \"x1\" is not a 16-bit number"},
        {pulseBody("5", "1", "7", "2", 31), 0, 0, "too few fields (31 of 32)"},
        {pulseBody("-1", "-32768", "0", "0"), 0, 0, "counter 1 (-2147483649) is outside the 32-bit range"},
    };
    for (const auto& c : cases) {
        const auto result = parsePulseDocument(c.body);
        EXPECT_EQ(result ? std::string() : result.error().reason, c.error) << c.body;
        EXPECT_EQ(result ? std::pair(result->counter1, result->counter2) : std::pair(0, 0),
                  std::pair(c.counter1, c.counter2))
            << c.body;
    }
    // The simulator splits counters back into words (the fuzz target checks the round trip).
    EXPECT_EQ(splitPulseCounter(2147450879)->high, 32767);
    EXPECT_FALSE(splitPulseCounter(2147450880));  // two signed words cannot carry it
}

// The plan of one answer: readings shown, a log record only with StoreLocal 1,
// and bad documents, bad multipliers or binary bytes refused with the reason.
TEST(PulsePlan, ReadingsWithARecordOnlyWithStoreLocalOneAndFailuresWithout)
{
    const test::FixedClock clock("05/12/2026", "14:03:27");
    SettingsRecord settings;
    settings.settingsS2Multi = "0.5";
    for (const std::int16_t storeLocal : {0, 2}) {  // the readings and the record with 1: the window's test
        settings.settingsStoreLocal = storeLocal;
        EXPECT_FALSE(planPulseResponse(kExample, settings, clock)->logRecord) << storeLocal;
    }
    // The text to show: the gateway's answer refused, or a setting of this computer at fault.
    const struct {
        std::string body;
        const char* s2Multi;
        const char* shown;
    } failures[] = {
        {"", "1", "\r\nERROR retrieving data from server!"},
        {pulseBody("5", "1", "40000", "2"), "1", "ERROR retrieving data from server!\r\nPulse data refused: field 30"},
        {kExample, "half", "ERROR in the settings:\r\nmultiplier S2Multi \"half\" is not a number"},
    };
    for (const auto& c : failures) {
        settings.settingsS2Multi = c.s2Multi;
        const auto plan = planPulseResponse(c.body, settings, clock);
        ASSERT_FALSE(plan) << c.shown;
        EXPECT_NE(plan.error().reason.find(c.shown), std::string::npos) << plan.error().reason;
    }
}
