#pragma once
// The fast number parser of the meter log reader: a meter value read in
// place. Owned by the meter log reader; the pre-scan and the tariff engine
// convert every value they book through it.
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/meterdata/per_line.h"
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

inline constexpr std::uint64_t kZeros = 0x3030303030303030ULL;  // "0" in every byte
inline constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;

// Eight bytes with the first in the low byte, whatever the processor's order.
LUMIVANE_PER_LINE std::uint64_t eightBytes(const char* p)
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

// How many of the eight bytes, from the first, are digits. A byte of 0xFA or
// more carries into the next one, but only after a byte that is no digit.
LUMIVANE_PER_LINE unsigned leadingDigits(std::uint64_t word)
{
    const std::uint64_t misses =
        ((word & kHighNibbles) ^ kZeros) | (((word + 0x0606060606060606ULL) & kHighNibbles) ^ kZeros);
    return misses == 0 ? 8 : static_cast<unsigned>(std::countr_zero(misses)) / 8;
}

// The number written by the first `count` bytes (1..8, all digits): the
// bytes after them are shifted out, and pairs, fours and eights are joined.
LUMIVANE_PER_LINE std::uint64_t digitsValue(std::uint64_t word, unsigned count)
{
    std::uint64_t d = (word - kZeros) << ((8 - count) * 8);
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
    return (d * 10000 + (d >> 32)) & 0xFFFFFFFFULL;
}

// "12345.678" of 8 to 16 bytes (no sign) read eight bytes at a time: the
// whole digits from the front, the decimals from the back, both loads inside
// the text. The digits as one whole number and the count of decimals; false
// for any other shape, which the byte-by-byte reading then takes.
inline bool wideDecimal(const char* p, std::size_t length, std::uint64_t& mantissa, int& decimals)
{
    const unsigned whole = leadingDigits(eightBytes(p));
    if (whole == 8 || p[whole] != '.' || length - whole - 1 > 8 || length - whole - 1 == 0)
        return false;
    const auto fraction = static_cast<unsigned>(length - whole - 1);
    const std::uint64_t tail = eightBytes(p + length - 8) >> ((8 - fraction) * 8);
    if (leadingDigits(tail) != fraction || whole + fraction > 15)
        return false;
    static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    mantissa = (whole == 0 ? 0 : digitsValue(eightBytes(p), whole)) * kScale[fraction] + digitsValue(tail, fraction);
    decimals = static_cast<int>(fraction);
    return true;
}

// The shape of a plain value: digits with at most one "." between or before
// them, up to eight on either side.
struct PlainDigits {
    unsigned whole = 0;     // digits before the "." (all of them without one)
    unsigned fraction = 0;  // digits after it
};

// Whether the `length` (1..15) bytes of a value, whose digits are the set
// bits of `digits` and whose "." the set bits of `points` (bit k for byte k;
// bits past the length do not count), are a plain value, and its shape.
// Any other spelling (a sign, no digit after the ".", longer runs of digits)
// is left to parseMeterValue.
LUMIVANE_PER_LINE bool plainDigits(unsigned length, unsigned digits, unsigned points, PlainDigits& shape)
{
    const unsigned inValue = (1u << length) - 1;
    points &= inValue;
    if (length == 0 || ((digits | points) & inValue) != inValue || (points & (points - 1)) != 0)
        return false;
    shape.whole = points != 0 ? static_cast<unsigned>(std::countr_zero(points)) : length;
    shape.fraction = points != 0 ? length - shape.whole - 1 : 0;
    return shape.whole <= 8 && shape.fraction <= 8 && (points == 0 || shape.fraction > 0);
}

// The value of a plain value at `p` of that shape, as parseMeterValue reads
// it. The 8 bytes before `p` and the 9 from `p` on must be readable.
LUMIVANE_PER_LINE double plainValue(const char* p, const PlainDigits& shape)
{
    static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    // Most meter values ("10000.033") have at most eight digits: those before
    // the "." and those after it are joined into one word and read at once.
    if (const unsigned digits = shape.whole + shape.fraction; shape.fraction > 0 && digits <= 8) {
        const std::uint64_t front = shape.whole == 0 ? 0 : ~std::uint64_t{0} >> ((8 - shape.whole) * 8);
        const std::uint64_t joined = (eightBytes(p) & front) | (eightBytes(p + 1) & ~front);
        return static_cast<double>(digitsValue(joined, digits)) / kPowers[shape.fraction];
    }
    const std::uint64_t head = shape.whole == 0 ? 0 : digitsValue(eightBytes(p), shape.whole);
    if (shape.fraction == 0)
        return static_cast<double>(head);
    const unsigned length = shape.whole + 1 + shape.fraction;
    const std::uint64_t tail = digitsValue(eightBytes(p + length - 8) >> ((8 - shape.fraction) * 8), shape.fraction);
    // Both the digits and the power of ten are exact doubles: one division rounds as a full conversion does.
    return static_cast<double>(head * kScale[shape.fraction] + tail) / kPowers[shape.fraction];
}

}  // namespace detail

// A meter value: plain decimals ("1234.567", "-2") are read exactly by a fast
// path; every other spelling goes through parseDecimal, with the same result.
inline std::optional<double> parseMeterValue(std::string_view text)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    // Most meter values ("10000.191") are read eight bytes at a time.
    if (std::uint64_t wide = 0; end - p >= 8 && end - p <= 16) {
        int decimals = 0;
        if (detail::wideDecimal(p, static_cast<std::size_t>(end - p), wide, decimals)) {
            const double value = static_cast<double>(wide) / kPowers[decimals];
            return negative ? -value : value;
        }
    }
    // Whole digits, then at most one "." and its decimals: two tight loops
    // rather than one that asks at every digit which side of the point it is.
    std::uint64_t mantissa = 0;
    const char* const whole = p;
    p = detail::addDigits(p, end, mantissa);
    int digits = static_cast<int>(p - whole);
    int fraction = -1;
    if (p != end && *p == '.') {
        const char* const decimals = ++p;
        p = detail::addDigits(p, end, mantissa);
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
