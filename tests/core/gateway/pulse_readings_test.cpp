#include <gtest/gtest.h>

#include <string>

#include "core/gateway/pulse_document.h"
#include "core/gateway/pulse_readings.h"
#include "support/fixed_clock.h"

using namespace lumivane;

namespace {

// 32 zero words with the given words at their places.
std::string pulseBody(const std::string& f0, const std::string& f1, const std::string& f30,
                      const std::string& f31, int fieldCount = 32)
{
    std::string body;
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0)
            body += ',';
        body += i == 0 ? f0 : i == 1 ? f1 : i == 30 ? f30 : i == 31 ? f31 : "0";
    }
    return body;
}

const std::string kExample = pulseBody("5", "1", "7", "2");

}  // namespace

TEST(PulseDocument, ReadsTheCountersOrNamesWhyNot)
{
    struct Case {
        const char* name;
        std::string body;
        std::int32_t counter1, counter2;
        const char* error;  // "" when the counters are read
    };
    const Case cases[] = {
        {"5/1/7/2", kExample, 65541, 131079, ""},
        {"negative low words", pulseBody("-1", "1", "-32768", "0"), 65535, -32768, ""},
        {"halves to even, blanks ignored", pulseBody(" 2.5", "0 ", "3.5", " 0 "), 2, 4, ""},
        {"fields beyond 32 ignored", pulseBody("5", "1", "7", "2", 40) + ",junk,,x", 65541, 131079, ""},
        {"line end after the document", kExample + "\r\n", 65541, 131079, ""},
        {"lowest 32-bit counter", pulseBody("0", "-32768", "0", "0"), -2147483647 - 1, 0, ""},
        {"word of 40000", pulseBody("5", "1", "40000", "2"), 0, 0, "field 30 \"40000\" is not a 16-bit number"},
        {"word that is no number", pulseBody("5", "x1", "7", "2"), 0, 0, "field 1 \"x1\" is not a 16-bit number"},
        {"empty word", pulseBody("5", "1", "7", ""), 0, 0, "field 31 \"\" is not a 16-bit number"},
        {"31 fields", pulseBody("5", "1", "7", "2", 31), 0, 0, "too few fields (31 of 32)"},
        // -32768 x 65536 - 1 is one below the smallest 32-bit value.
        {"counter below 32 bits", pulseBody("-1", "-32768", "0", "0"), 0, 0,
         "counter 1 (-2147483649) is outside the 32-bit range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = parsePulseDocument(c.body);
        EXPECT_EQ(result.error, c.error);
        if (result.ok()) {
            EXPECT_EQ(result.counters.counter1, c.counter1);
            EXPECT_EQ(result.counters.counter2, c.counter2);
        }
    }
}

TEST(PulseDocument, SplitCounterGivesWordsThatCombineBack)
{
    for (std::int32_t counter : {0, 5, 65535, 65536, 65541, 131079, -1, -65536, -65537,
                                 2147450879, -2147483647 - 1}) {
        const auto words = splitPulseCounter(counter);
        ASSERT_TRUE(words.has_value()) << counter;
        EXPECT_EQ(static_cast<std::int64_t>(words->high) * 65536 + words->low, counter) << counter;
    }
    EXPECT_EQ(splitPulseCounter(65535)->low, -1);
    EXPECT_EQ(splitPulseCounter(65535)->high, 1);
    EXPECT_EQ(splitPulseCounter(65541)->low, 5);
    EXPECT_EQ(splitPulseCounter(65541)->high, 1);
    // Above 32767 x 65536 + 32767 two signed words cannot carry the counter.
    EXPECT_FALSE(splitPulseCounter(2147450880).has_value());
    EXPECT_FALSE(splitPulseCounter(2147483647).has_value());
}

TEST(PulseReadings, MultipliesCountersAndFormatsPlainly)
{
    const auto result = computePulseReadings({65541, 131079}, "1.0", "0.5");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.readings.reading1, 65541.0);
    EXPECT_EQ(result.readings.reading2, 65539.5);
    EXPECT_EQ(pulseDisplayText(result.readings, SettingsRecord{}),
              "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3");
    EXPECT_EQ(computePulseReadings({1, 2}, "1.0", "half").error, "multiplier S2Multi \"half\" is not a number");
}

TEST(PulseReadings, LogRecordAndErrorTextAreExact)
{
    EXPECT_EQ(pulseLogRecord({65541, 131079}, "05/12/2026 14:03:27"),
              "S1=65541, S2=131079, DT=05/12/2026 14:03:27\r\n");
    EXPECT_EQ(pulseLogRecord({-5, 0}, "05/12/2026"), "S1=-5, S2=0, DT=05/12/2026\r\n");
    EXPECT_EQ(pulseErrorText(""), "\r\nERROR retrieving data from server!");
    EXPECT_EQ(pulseErrorText("timed out"), "\r\nERROR retrieving data from server!\r\ntimed out");
}

TEST(PulsePlan, OnlyStoreLocalOneGivesARecordWithTheClockTime)
{
    SettingsRecord settings;
    settings.settingsS2Multi = "0.5";
    test::FixedClock clock("05/12/2026", "14:03:27");
    for (std::int16_t storeLocal : {1, 0, 2, -1}) {
        SCOPED_TRACE(storeLocal);
        settings.settingsStoreLocal = storeLocal;
        const auto plan = planPulseResponse(kExample, settings, clock);
        ASSERT_EQ(plan.kind, PulseResponsePlan::Kind::Readings) << plan.failure;
        EXPECT_EQ(plan.displayText, "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3");
        EXPECT_EQ(plan.logRecord.value_or("none"),
                  storeLocal == 1 ? "S1=65541, S2=131079, DT=05/12/2026 14:03:27\r\n" : "none");
    }
}

TEST(PulsePlan, EmptyBodyAndFailuresGiveNoRecord)
{
    test::FixedClock clock;
    struct Case {
        std::string body;
        const char* s1Multi;
        PulseResponsePlan::Kind kind;
        const char* named;  // in the failure text
    };
    const Case cases[] = {
        {"", "1.0", PulseResponsePlan::Kind::EmptyResponse, ""},
        {pulseBody("5", "1", "40000", "2"), "1.0", PulseResponsePlan::Kind::Failure, "field 30 \"40000\""},
        {kExample, "", PulseResponsePlan::Kind::Failure, "S1Multi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        SettingsRecord settings;
        settings.settingsStoreLocal = 1;
        settings.settingsS1Multi = c.s1Multi;
        const auto plan = planPulseResponse(c.body, settings, clock);
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_NE(plan.failure.find(c.named), std::string::npos) << plan.failure;
        EXPECT_FALSE(plan.logRecord.has_value());
        EXPECT_TRUE(plan.displayText.empty());
    }
}
