#pragma once
// The fast number parser of the meter log reader: a meter value read in
// place. Owned by the meter log reader; the pre-scan and the tariff engine
// convert every value they book through it.
#include <cstdint>
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
