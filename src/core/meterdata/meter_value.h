#pragma once
// The fast number parser of the meter log reader: a meter value read in
// place. Owned by the meter log reader; the pre-scan and the tariff engine
// convert every value they book through it.
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/text/number_text.h"

namespace lumivane {

namespace detail {

// The digits at `p` added to `mantissa`; the position after them.
inline const char* addDigits(const char* p, const char* end, std::uint64_t& mantissa)
{
    for (; p != end && static_cast<unsigned char>(*p - '0') <= 9; ++p)
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    return p;
}

inline constexpr std::uint64_t kZeroDigits = 0x3030303030303030ULL;
inline constexpr std::uint64_t kTenTo[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// A byte other than 0 for each byte of `word` that is not a digit. A byte of
// 0xFA or more may upset the bytes after it, which are never looked at.
inline std::uint64_t nonDigitBytes(std::uint64_t word)
{
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL;
    return ((word & kHigh) ^ kZeroDigits) | (((word + 0x0606060606060606ULL) & kHigh) ^ kZeroDigits);
}

// The number of eight digit bytes, the first (lowest address) the most significant.
inline std::uint64_t eightDigits(std::uint64_t word)
{
    std::uint64_t d = word - kZeroDigits;
    d = (d * 10) + (d >> 8);
    return (((d & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
            (((d >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
           32;
}

inline std::uint64_t loadWord(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i, word >>= 8)
            swapped = (swapped << 8) | (word & 0xFF);
        word = swapped;
    }
    return word;
}

// Like addDigits, eight bytes at a time where the text holds eight more bytes.
inline const char* addDigitsWide(const char* p, const char* end, std::uint64_t& mantissa)
{
    while (end - p >= 8) {
        const std::uint64_t word = loadWord(p);
        const std::uint64_t bad = nonDigitBytes(word);
        if (bad == 0) {
            mantissa = mantissa * 100000000ULL + eightDigits(word);
            p += 8;
            continue;
        }
        const unsigned count = static_cast<unsigned>(std::countr_zero(bad)) / 8;
        if (count == 0)
            return p;
        // The digits moved to the top, '0' bytes put below them.
        const unsigned shift = (8 - count) * 8;
        mantissa = mantissa * kTenTo[count] + eightDigits((word << shift) | (kZeroDigits >> (64 - shift)));
        return p + count;
    }
    return addDigits(p, end, mantissa);
}

// The last `count` (1..7) bytes before `end`, read as digits through the
// eight bytes that end there (`end` - 8 at least `begin`); false when one is no digit.
inline bool addLastDigits(const char* end, unsigned count, std::uint64_t& mantissa)
{
    const unsigned shift = (8 - count) * 8;
    const std::uint64_t word = (loadWord(end - 8) & (~0ULL << shift)) | (kZeroDigits >> (64 - shift));
    if (nonDigitBytes(word) != 0)
        return false;
    mantissa = mantissa * kTenTo[count] + eightDigits(word);
    return true;
}

}  // namespace detail

// A meter value: plain decimals ("1234.567", "-2") are read exactly by a fast
// path, eight digits at a time; every other spelling goes through parseDecimal, with the same result.
inline std::optional<double> parseMeterValue(std::string_view text)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    // Whole digits, then at most one "." and its decimals: two tight loops
    // rather than one that asks at every digit which side of the point it is.
    std::uint64_t mantissa = 0;
    const char* const whole = p;
    p = detail::addDigitsWide(p, end, mantissa);
    int digits = static_cast<int>(p - whole);
    int fraction = -1;
    if (p != end && *p == '.') {
        const char* const decimals = ++p;
        // The decimals are mostly the last few bytes of a longer text: one word read backwards.
        const auto left = static_cast<unsigned>(end - p);
        if (left > 0 && left < 8 && text.size() >= 8 && detail::addLastDigits(end, left, mantissa))
            p = end;
        else
            p = detail::addDigitsWide(p, end, mantissa);
        fraction = static_cast<int>(p - decimals);
        digits += fraction;
    }
    // Up to 15 digits and 22 decimals both the digits and the power of ten are
    // exact doubles, so one division rounds exactly like a full conversion.
    if (p == end && digits > 0 && digits <= 15 && fraction != 0) {
        double value = static_cast<double>(mantissa);
        if (fraction > 0)
            value /= kPowers[fraction];
        return negative ? -value : value;
    }
    return parseDecimal(text);
}

}  // namespace lumivane
