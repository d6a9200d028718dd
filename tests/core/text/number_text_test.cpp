#include "core/text/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

using namespace lumivane;

TEST(NumberText, ParsesDecimalTextsAndRefusesJunk)
{
    EXPECT_EQ(parseDecimal("0.16"), 0.16);
    EXPECT_EQ(parseDecimal(" -2 "), -2.0);
    EXPECT_EQ(parseDecimal(".5"), 0.5);
    EXPECT_EQ(parseDecimal("+1.5"), 1.5);
    EXPECT_EQ(parseDecimal("1e3"), 1000.0);
    for (const char* bad : {"", " ", "abc", "1a", "1.2.3", "inf", "nan", "0x10", "++1", "1,5"})
        EXPECT_FALSE(parseDecimal(bad).has_value()) << bad;
}

TEST(NumberText, RoundsSixteenBitValuesHalvesToEven)
{
    EXPECT_EQ(parseInt16HalfEven("6.5"), 6);
    EXPECT_EQ(parseInt16HalfEven("7.5"), 8);
    EXPECT_EQ(parseInt16HalfEven("-2.5"), -2);
    EXPECT_EQ(parseInt16HalfEven("240.6"), 241);
    EXPECT_EQ(parseInt16HalfEven("32767"), 32767);
    EXPECT_EQ(parseInt16HalfEven("-32768"), -32768);
    EXPECT_FALSE(parseInt16HalfEven("32767.5").has_value());
    EXPECT_FALSE(parseInt16HalfEven("40000").has_value());
    EXPECT_FALSE(parseInt16HalfEven("-32769").has_value());
}

TEST(NumberText, PlainFormHasNoTrailingZerosAndFifteenDigits)
{
    EXPECT_EQ(formatPlain(1.0), "1");
    EXPECT_EQ(formatPlain(0.16), "0.16");
    EXPECT_EQ(formatPlain(65539.5), "65539.5");
    EXPECT_EQ(formatPlain(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatPlain(-0.0), "0");
    EXPECT_EQ(formatPlain(-12.25), "-12.25");
    EXPECT_EQ(formatPlain(1e20), "100000000000000000000");
    EXPECT_EQ(formatPlain(0.000125), "0.000125");
    EXPECT_EQ(formatPlain(123456789012345678.0), "123456789012346000");
}

// Rounded to 15 digits the largest doubles would pass the range and read back as no number.
TEST(NumberText, EveryFormattedNumberReadsBack)
{
    const double largest = std::numeric_limits<double>::max();
    for (const double x : {largest, -largest, std::nextafter(largest, 0.0), 1.7976931348623e308, 1e308}) {
        const std::string plain = formatPlain(x);
        const auto back = parseDecimal(plain);
        ASSERT_TRUE(back.has_value()) << plain;
        EXPECT_NEAR(*back / x, 1.0, 1e-14) << plain;
        const std::string grouped = formatGrouped(x, 0);
        std::string ungrouped;
        std::remove_copy(grouped.begin(), grouped.end(), std::back_inserter(ungrouped), ',');
        EXPECT_EQ(ungrouped, plain);
    }
    EXPECT_EQ(formatPlain(-largest).substr(0, 17), "-1797693134862310");
}

TEST(NumberText, GroupedFormatsRoundHalvesAwayFromZero)
{
    EXPECT_EQ(formatEnergy(0), "0.000");
    EXPECT_EQ(formatEnergy(12.5), "12.500");
    EXPECT_EQ(formatEnergy(1234567.8915), "1,234,567.892");
    EXPECT_EQ(formatMoney(3.008), "3.01");
    EXPECT_EQ(formatMoney(1.005), "1.01");
    EXPECT_EQ(formatMoney(2.675), "2.68");
    EXPECT_EQ(formatMoney(-1.005), "-1.01");
    EXPECT_EQ(formatMoney(0.004), "0.00");
    EXPECT_EQ(formatMoney(-0.004), "0.00");
    EXPECT_EQ(formatMoney(999.995), "1,000.00");
    EXPECT_EQ(formatUnitPrice(0.16), "0.1600");
    EXPECT_EQ(formatGrouped(123456789.0, 0), "123,456,789");
}

TEST(NumberText, TwoDigitHours)
{
    EXPECT_EQ(formatTwoDigits(6), "06");
    EXPECT_EQ(formatTwoDigits(0), "00");
    EXPECT_EQ(formatTwoDigits(123), "123");
    EXPECT_EQ(formatTwoDigits(-1), "-01");
}
