#include "core/text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lumivane {
namespace {

// The 15 significant digits of |value| and the power of ten of the first one:
// value = D[0].D[1..14] x 10^exponent. Taking the number to 15 digits first
// makes 1.005 round like the decimal text people see, not like its binary form.
struct Significand {
    char digits[16];
    int exponent;
};

// Near the largest double, rounding to 15 digits goes past it (1.79769313486232e308),
// and that text would read back as infinity; those values are cut instead of rounded.
void roundTowardZeroIfPastTheRange(char* buffer, std::size_t size, double magnitude)
{
    if (magnitude < 1e308 || std::isfinite(std::strtod(buffer, nullptr)))
        return;
    std::snprintf(buffer, size, "%.20e", magnitude);
    char* const cut = std::strchr(buffer, '.') + 15;
    std::memmove(cut, std::strchr(buffer, 'e'), std::strlen(std::strchr(buffer, 'e')) + 1);
}

Significand significand(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    roundTowardZeroIfPastTheRange(buffer, sizeof buffer, std::fabs(value));
    Significand s{};
    int n = 0;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && n < 15)
            s.digits[n++] = *p;
    s.digits[15] = '\0';
    s.exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    return s;
}

std::string groupThousands(std::string_view integerDigits)
{
    std::string out;
    out.reserve(integerDigits.size() + integerDigits.size() / 3);
    for (std::size_t i = 0; i < integerDigits.size(); ++i) {
        if (i > 0 && (integerDigits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(integerDigits[i]);
    }
    return out;
}

}  // namespace

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> parseDecimal(std::string_view text)
{
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> roundInt16HalfEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint in the default rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> parseInt16HalfEven(std::string_view text)
{
    const auto value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    return roundInt16HalfEven(*value);
}

std::string formatPlain(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
    const Significand s = significand(value);
    std::string_view digits(s.digits, 15);
    while (!digits.empty() && digits.back() == '0')
        digits.remove_suffix(1);
    if (digits.empty())
        return "0";

    std::string out;
    if (value < 0)
        out.push_back('-');
    if (s.exponent >= 0) {
        const std::size_t integerCount = static_cast<std::size_t>(s.exponent) + 1;
        if (digits.size() <= integerCount) {
            out.append(digits);
            out.append(integerCount - digits.size(), '0');
        } else {
            out.append(digits.substr(0, integerCount));
            out.push_back('.');
            out.append(digits.substr(integerCount));
        }
    } else {
        out.append("0.");
        out.append(static_cast<std::size_t>(-s.exponent - 1), '0');
        out.append(digits);
    }
    return out;
}

namespace {

std::string formatDecimals(double value, int decimals, bool grouped)
{
    if (!std::isfinite(value))
        return formatPlain(value);
    const Significand s = significand(value);
    // N = |value| x 10^decimals rounded half away from zero, as decimal digits.
    const int keep = s.exponent + 1 + decimals;
    std::string n;
    if (keep <= 0) {
        n = (keep == 0 && s.digits[0] >= '5') ? "1" : "0";
    } else if (keep >= 15) {
        n.assign(s.digits, 15);
        n.append(static_cast<std::size_t>(keep - 15), '0');
    } else {
        n.assign(s.digits, static_cast<std::size_t>(keep));
        if (s.digits[keep] >= '5') {
            int i = keep - 1;
            for (; i >= 0 && n[static_cast<std::size_t>(i)] == '9'; --i)
                n[static_cast<std::size_t>(i)] = '0';
            if (i < 0)
                n.insert(n.begin(), '1');
            else
                ++n[static_cast<std::size_t>(i)];
        }
    }
    const std::size_t firstNonZero = n.find_first_not_of('0');
    const bool isZero = firstNonZero == std::string::npos;
    n.erase(0, std::min(firstNonZero, n.size()));
    const std::size_t width = static_cast<std::size_t>(decimals) + 1;
    if (n.size() < width)
        n.insert(0, width - n.size(), '0');

    std::string out;
    if (value < 0 && !isZero)
        out.push_back('-');
    const std::size_t integerCount = n.size() - static_cast<std::size_t>(decimals);
    const std::string_view integer = std::string_view(n).substr(0, integerCount);
    out += grouped ? groupThousands(integer) : std::string(integer);
    if (decimals > 0) {
        out.push_back('.');
        out.append(n, integerCount, std::string::npos);
    }
    return out;
}

}  // namespace

std::string formatGrouped(double value, int decimals) { return formatDecimals(value, decimals, true); }

std::string formatUngrouped(double value, int decimals) { return formatDecimals(value, decimals, false); }

double roundAsShown(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    return parseDecimal(formatUngrouped(value, decimals)).value_or(value);
}

std::string formatEnergy(double value) { return formatGrouped(value, 3); }
std::string formatMoney(double value) { return formatGrouped(value, 2); }
std::string formatUnitPrice(double value) { return formatGrouped(value, 4); }

std::string formatTwoDigits(int value)
{
    const std::string digits = std::to_string(value < 0 ? -static_cast<long>(value) : value);
    std::string out = value < 0 ? "-" : "";
    if (digits.size() < 2)
        out.push_back('0');
    return out + digits;
}

}  // namespace lumivane
