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
    for (const std::string& text : texts) {
        const auto fast = parseMeterValue(text);
        const auto general = parseDecimal(text);
        ASSERT_EQ(fast.has_value(), general.has_value()) << '"' << text << '"';
        if (fast) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(*fast), std::bit_cast<std::uint64_t>(*general)) << text;
        }
    }
}

}  // namespace lumivane
