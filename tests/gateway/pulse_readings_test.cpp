#include <gtest/gtest.h>

#include <string>

#include "gateway/pulse_document.h"
#include "gateway/pulse_readings.h"
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

}  // namespace

TEST(PulseDocument, CombinesHighAndLowWordsIntoCounters)
{
    const auto result = parsePulseDocument(pulseBody("5", "1", "7", "2"));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.counters.counter1, 65541);
    EXPECT_EQ(result.counters.counter2, 131079);
}

TEST(PulseDocument, NegativeLowWordLowersTheCount)
{
    const auto result = parsePulseDocument(pulseBody("-1", "1", "-32768", "0"));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.counters.counter1, 65535);
    EXPECT_EQ(result.counters.counter2, -32768);
}

TEST(PulseDocument, RoundsHalvesToEvenAndIgnoresBlanks)
{
    const auto result = parsePulseDocument(pulseBody(" 2.5", "0 ", "3.5", " 0 "));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.counters.counter1, 2);
    EXPECT_EQ(result.counters.counter2, 4);
}

TEST(PulseDocument, RefusesWordOutsideSixteenBitsNamingTheField)
{
    const auto result = parsePulseDocument(pulseBody("5", "1", "40000", "2"));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error, "field 30 \"40000\" is not a 16-bit number");
}

TEST(PulseDocument, RefusesWordThatIsNoNumber)
{
    const auto result = parsePulseDocument(pulseBody("5", "x1", "7", "2"));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error, "field 1 \"x1\" is not a 16-bit number");
    EXPECT_FALSE(parsePulseDocument(pulseBody("5", "1", "7", "")).ok());
}

TEST(PulseDocument, RefusesThirtyOneFields)
{
    const auto result = parsePulseDocument(pulseBody("5", "1", "7", "2", 31));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error, "too few fields (31 of 32)");
}

TEST(PulseDocument, IgnoresFieldsBeyondThirtyTwo)
{
    const auto result = parsePulseDocument(pulseBody("5", "1", "7", "2", 40) + ",junk,,x");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.counters.counter1, 65541);
    EXPECT_EQ(result.counters.counter2, 131079);
}

TEST(PulseDocument, AcceptsLineEndAfterTheDocument)
{
    const auto result = parsePulseDocument(pulseBody("5", "1", "7", "2") + "\r\n");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.counters.counter2, 131079);
}

TEST(PulseDocument, RefusesCounterBelowThirtyTwoBitRange)
{
    // -32768 x 65536 - 1 is one below the smallest 32-bit value.
    const auto result = parsePulseDocument(pulseBody("-1", "-32768", "0", "0"));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error, "counter 1 (-2147483649) is outside the 32-bit range");
    const auto lowest = parsePulseDocument(pulseBody("0", "-32768", "0", "0"));
    ASSERT_TRUE(lowest.ok());
    EXPECT_EQ(lowest.counters.counter1, -2147483647 - 1);
}

TEST(PulseReadings, MultipliesCountersAndFormatsPlainly)
{
    const auto result = computePulseReadings({65541, 131079}, "1.0", "0.5");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.readings.reading1, 65541.0);
    EXPECT_EQ(result.readings.reading2, 65539.5);
    SettingsRecord settings;
    EXPECT_EQ(pulseDisplayText(result.readings, settings),
              "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3");
}

TEST(PulseReadings, RefusesMultiplierThatIsNoNumber)
{
    const auto result = computePulseReadings({1, 2}, "1.0", "half");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error, "multiplier S2Multi \"half\" is not a number");
}

TEST(PulseReadings, LogRecordHoldsRawCountersAndDateTime)
{
    EXPECT_EQ(pulseLogRecord({65541, 131079}, "05/12/2026 14:03:27"),
              "S1=65541, S2=131079, DT=05/12/2026 14:03:27\r\n");
    EXPECT_EQ(pulseLogRecord({-5, 0}, "05/12/2026"), "S1=-5, S2=0, DT=05/12/2026\r\n");
}

TEST(PulseReadings, ErrorTextCarriesReasonOnItsOwnLine)
{
    EXPECT_EQ(pulseErrorText(""), "\r\nERROR retrieving data from server!");
    EXPECT_EQ(pulseErrorText("timed out"), "\r\nERROR retrieving data from server!\r\ntimed out");
}

TEST(PulsePlan, StoreLocalOneGivesRecordWithClockTime)
{
    SettingsRecord settings;
    settings.settingsS2Multi = "0.5";
    settings.settingsStoreLocal = 1;
    test::FixedClock clock("05/12/2026", "14:03:27");
    const auto plan = planPulseResponse(pulseBody("5", "1", "7", "2"), settings, clock);
    ASSERT_EQ(plan.kind, PulseResponsePlan::Kind::Readings) << plan.failure;
    ASSERT_TRUE(plan.logRecord.has_value());
    EXPECT_EQ(*plan.logRecord, "S1=65541, S2=131079, DT=05/12/2026 14:03:27\r\n");
    EXPECT_EQ(plan.displayText, "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3");
}

TEST(PulsePlan, StoreLocalOtherThanOneGivesNoRecord)
{
    SettingsRecord settings;
    test::FixedClock clock;
    for (std::int16_t storeLocal : {0, 2, -1}) {
        settings.settingsStoreLocal = storeLocal;
        const auto plan = planPulseResponse(pulseBody("5", "1", "7", "2"), settings, clock);
        EXPECT_EQ(plan.kind, PulseResponsePlan::Kind::Readings);
        EXPECT_FALSE(plan.logRecord.has_value()) << storeLocal;
    }
}

TEST(PulsePlan, EmptyBodyIsItsOwnCaseWithoutRecord)
{
    SettingsRecord settings;
    settings.settingsStoreLocal = 1;
    test::FixedClock clock;
    const auto plan = planPulseResponse("", settings, clock);
    EXPECT_EQ(plan.kind, PulseResponsePlan::Kind::EmptyResponse);
    EXPECT_FALSE(plan.logRecord.has_value());
    EXPECT_TRUE(plan.displayText.empty());
}

TEST(PulsePlan, FailuresGiveReasonAndNoRecord)
{
    SettingsRecord settings;
    settings.settingsStoreLocal = 1;
    test::FixedClock clock;
    const auto badField = planPulseResponse(pulseBody("5", "1", "40000", "2"), settings, clock);
    EXPECT_EQ(badField.kind, PulseResponsePlan::Kind::Failure);
    EXPECT_NE(badField.failure.find("field 30 \"40000\""), std::string::npos);
    EXPECT_FALSE(badField.logRecord.has_value());

    settings.settingsS1Multi = "";
    const auto badMulti = planPulseResponse(pulseBody("5", "1", "7", "2"), settings, clock);
    EXPECT_EQ(badMulti.kind, PulseResponsePlan::Kind::Failure);
    EXPECT_NE(badMulti.failure.find("S1Multi"), std::string::npos);
    EXPECT_FALSE(badMulti.logRecord.has_value());
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
}

TEST(PulseDocument, SplitRefusesCountersTwoSignedWordsCannotCarry)
{
    EXPECT_FALSE(splitPulseCounter(2147450880).has_value());
    EXPECT_FALSE(splitPulseCounter(2147483647).has_value());
}
