#include "core/text/number_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumivane;

TEST(NumberText, ParsesDecimalsAndSixteenBitValuesHalvesToEven)
{
    for (const auto& [text, value] : {std::pair{"0.16", 0.16}, {" -2 ", -2.0}, {".5", 0.5}, {"1e3", 1000.0}})
        EXPECT_EQ(parseDecimal(text), value) << text;
    for (const char* bad : {"", " ", "1a", "1.2.3", "inf", "nan", "0x10", "1,5"})
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    for (const auto& [text, value] :
         {std::pair{"6.5", 6}, {"7.5", 8}, {"-2.5", -2}, {"240.6", 241}, {"-32768", -32768}})
        EXPECT_EQ(parseInt16HalfEven(text), value) << text;
    for (const char* bad : {"32767.5", "40000", "-32769"})
        EXPECT_FALSE(parseInt16HalfEven(bad)) << bad;
}

// Plain form: no trailing zeros, 15 significant digits; grouped forms round halves away from zero.
TEST(NumberText, PlainAndGroupedForms)
{
    for (const auto& [value, text] : {std::pair{1.0, "1"},
                                      {0.1 + 0.2, "0.3"},
                                      {-0.0, "0"},
                                      {1e20, "100000000000000000000"},
                                      {0.000125, "0.000125"},
                                      {123456789012345678.0, "123456789012346000"}})
        EXPECT_EQ(formatPlain(value), text);
    for (const auto& [value, text] :
         {std::pair{1.005, "1.01"}, {2.675, "2.68"}, {-1.005, "-1.01"}, {-0.004, "0.00"}, {999.995, "1,000.00"}})
        EXPECT_EQ(formatMoney(value), text) << value;
}
