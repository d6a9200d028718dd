#include "core/meterdata/meter_value.h"

#include <algorithm>
#include <bit>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace lumivane {

// The fast path gives the general parser's doubles, to the bit, for plain
// decimals of every length and for the odd spellings it must pass on.
TEST(MeterValue, SameDoublesAsTheGeneralParser)
{
    // Odd spellings between "|", the empty text first.
    const std::string odd = "|-|.|-.|0|-0|00|0.|.5|-.5|5.|1.0|-2|+3| 4|5 |1e3|1E-2|0x1|inf|nan|1.2.3|1,5|12345678|"
                            "123456789|1234567.8|1234567890123456|123456789012345|0.000000000000001|0000000000000012.5|"
                            "99999999.99999999|-10000.031|12.34567890123456|9007199254740993|1234.567a|1234.5a67|"
                            ".1234567|1234567.|12345678.5|1234567.12345678|1.2345678|-0.000000|1234.5.67|12\xFA"
                            "4.567|1234.56:8|12:4.5678|/234.5678";
    std::vector<std::string> texts;
    for (std::size_t from = 0, bar; from <= odd.size(); from = bar + 1) {
        bar = std::min(odd.find('|', from), odd.size());
        texts.push_back(odd.substr(from, bar - from));
    }
    std::mt19937_64 random(11);
    for (int i = 0; i < 20000; ++i) {
        std::string digits = std::to_string(random() % 1000000000000ULL);
        const std::size_t point = random() % (digits.size() + 1);
        if (random() % 4 != 0)
            digits.insert(point, ".");
        if (random() % 5 == 0)
            digits.insert(0, "-");
        texts.push_back(digits);
    }
    std::size_t plain = 0;
    for (const std::string& text : texts) {
        // The usual line's shape test, on the masks it makes of a value's bytes.
        if (!text.empty() && text.size() <= 15) {
            std::string padded = std::string(8, '0') + text + std::string(16, ',');
            unsigned digits = 0, points = 0;
            for (unsigned k = 0; k < 16; ++k) {
                const char c = padded[8 + k];
                digits |= (c >= '0' && c <= '9' ? 1u : 0u) << k;
                points |= (c == '.' ? 1u : 0u) << k;
            }
            detail::PlainDigits shape;
            if (detail::plainDigits(static_cast<unsigned>(text.size()), digits, points, shape)) {
                const auto general = parseDecimal(text);
                ASSERT_TRUE(general && *general >= 0) << '"' << text << '"';
                ++plain;
                ASSERT_EQ(std::bit_cast<std::uint64_t>(detail::plainValue(padded.data() + 8, shape)),
                          std::bit_cast<std::uint64_t>(*general))
                    << text;
            }
        }
        const auto fast = parseMeterValue(text);
        const auto general = parseDecimal(text);
        ASSERT_EQ(fast.has_value(), general.has_value()) << '"' << text << '"';
        if (fast) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(*fast), std::bit_cast<std::uint64_t>(*general)) << text;
        }
    }
    // Many of the random decimals have the usual line's shape.
    EXPECT_GT(plain, 3000u);
}

}  // namespace lumivane
