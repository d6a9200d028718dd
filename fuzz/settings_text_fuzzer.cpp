// The settings' text conversions with arbitrary texts and numbers: reading
// decimals and 16-bit values, loading a whole record from stored texts, and
// the number formats shown to people.
//
// The input is used three ways:
//   - as one text for parseDecimal / parseInt16HalfEven;
//   - split at NUL or LF into the stored texts of the 28 keys, in load order
//     (a piece "\x01" stands for a missing key);
//   - its first 8 bytes as a double for formatPlain and formatGrouped.
//
// Checks beyond memory safety:
//   - parseInt16HalfEven agrees with parseDecimal rounded halves to even;
//   - parse(formatPlain(x)) is x to 15 significant digits, for finite x;
//   - formatGrouped has the shape "-###,###,##0.000" and is within half a
//     unit of the last decimal of x;
//   - a loaded field holds its converted text when the text fits its type,
//     else its default; the texts the record would be saved as load back to
//     the same record.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/number_text.h"
#include "fuzz_support.h"
#include "core/settings/settings_record.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

std::string text(double x)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

// Plain numbers are taken to 15 significant digits; the parse then rounds once more.
bool closeTo15Digits(double parsed, double x)
{
    const double tolerance = std::fabs(x) * 1e-14;
    return std::fabs(parsed - x) <= tolerance || std::fabs(parsed - x) <= 1e-300;
}

void checkParsing(std::string_view input)
{
    const auto decimal = parseDecimal(input);
    const auto int16 = parseInt16HalfEven(input);
    if (decimal) {
        check(std::isfinite(*decimal), "parseDecimal gave a non-finite number");
        const double rounded = std::nearbyint(*decimal);
        const bool fits = rounded >= -32768 && rounded <= 32767;
        check(int16.has_value() == fits, "parseInt16HalfEven disagrees with the range", text(*decimal));
        if (int16)
            check(*int16 == rounded, "parseInt16HalfEven does not round halves to even", text(*decimal));
    } else {
        check(!int16, "parseInt16HalfEven read what parseDecimal refused");
    }
}

void checkPlain(double x)
{
    const std::string shown = formatPlain(x);
    if (!std::isfinite(x))
        return;
    check(shown.find_first_of("eE,") == std::string::npos, "formatPlain wrote an exponent or grouping", shown);
    check(shown.size() < 400, "formatPlain grew without bound", text(x));
    const auto parsed = parseDecimal(shown);
    check(parsed.has_value(), "formatPlain wrote what parseDecimal refuses", shown);
    check(closeTo15Digits(*parsed, x), "parse(formatPlain(x)) is not x", text(x) + " -> " + shown);
    if (shown.find('.') != std::string::npos)
        check(shown.back() != '0' && shown.back() != '.', "formatPlain kept trailing zeros", shown);
}

void checkGrouped(double x, int decimals)
{
    const std::string shown = formatGrouped(x, decimals);
    if (!std::isfinite(x))
        return;
    // Shape: optional "-", integer digits grouped by three, "." and exactly `decimals` digits.
    std::string_view rest(shown);
    const bool negative = !rest.empty() && rest.front() == '-';
    if (negative)
        rest.remove_prefix(1);
    const std::size_t dot = rest.find('.');
    const std::string_view integer = rest.substr(0, dot);
    if (decimals > 0) {
        check(dot != std::string_view::npos && rest.size() - dot - 1 == static_cast<std::size_t>(decimals),
              "wrong number of decimals", shown);
        for (const char c : rest.substr(dot + 1))
            check(c >= '0' && c <= '9', "decimals that are no digits", shown);
    } else {
        check(dot == std::string_view::npos, "a decimal point without decimals", shown);
    }
    check(!integer.empty(), "no integer digit", shown);
    std::string digits;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        const std::size_t fromRight = integer.size() - i;
        if (fromRight % 4 == 0)
            check(integer[i] == ',', "thousands separator misplaced", shown);
        else {
            check(integer[i] >= '0' && integer[i] <= '9', "integer part holds no digit", shown);
            digits.push_back(integer[i]);
        }
    }
    check(digits.size() == 1 || digits.front() != '0', "leading zero", shown);
    std::string plain = negative ? "-" : "";
    plain += digits;
    if (decimals > 0)
        plain += std::string(rest.substr(dot));
    const auto parsed = parseDecimal(plain);
    check(parsed.has_value(), "grouped text cannot be read back", shown);
    if (negative)
        check(*parsed != 0, "negative zero shown", shown);
    const double unit = std::pow(10.0, -decimals);
    check(std::fabs(*parsed - x) <= 0.5 * unit * (1 + 1e-9) + std::fabs(x) * 1e-14,
          "formatGrouped is more than half a unit off", text(x) + " -> " + shown);
}

void checkRecord(std::string_view input)
{
    // Up to 28 stored texts, split at NUL or LF; "\x01" marks a missing key.
    std::map<std::string, std::optional<std::string>, std::less<>> stored;
    std::size_t index = 0;
    std::size_t start = 0;
    const auto& keys = settingKeys();
    while (index < keys.size() && start <= input.size()) {
        std::size_t end = input.find_first_of(std::string_view("\0\n", 2), start);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string_view piece = input.substr(start, end - start);
        if (piece != "\x01")
            stored[std::string(keys[index].key)] = std::string(piece);
        ++index;
        start = end + 1;
    }
    auto lookup = [&](std::string_view key) -> std::optional<std::string> {
        const auto found = stored.find(key);
        return found == stored.end() ? std::nullopt : found->second;
    };
    const SettingsRecord record = loadSettingsRecord(lookup);
    const SettingsRecord defaults = loadSettingsRecord([](std::string_view) { return std::nullopt; });

    for (const SettingKey& key : keys) {
        const auto storedText = lookup(key.key);
        const bool fits = storedText && settingTextFits(key.type, *storedText);
        const std::string loaded = settingTextOf(record, key.key);
        const std::string expected = fits ? [&] {
            SettingsRecord single = loadSettingsRecord([&](std::string_view k) -> std::optional<std::string> {
                if (k == key.key)
                    return storedText;
                return std::nullopt;
            });
            return settingTextOf(single, key.key);
        }() : settingTextOf(defaults, key.key);
        check(loaded == expected, "a field is neither its stored text nor its default", std::string(key.key));
        if (key.type == SettingType::Text && storedText)
            check(loaded == *storedText, "a text field is not the stored text", std::string(key.key));
    }

    // The texts the record would be saved as load back to the same record.
    const SettingsRecord again = loadSettingsRecord([&](std::string_view key) -> std::optional<std::string> {
        return settingTextOf(record, key);
    });
    for (const SettingKey& key : keys) {
        const std::string a = settingTextOf(record, key.key);
        const std::string b = settingTextOf(again, key.key);
        if (key.type == SettingType::Double)
            check(closeTo15Digits(*parseDecimal(b), *parseDecimal(a)), "a saved double does not load back",
                  a + " / " + b);
        else
            check(a == b, "a saved field does not load back", std::string(key.key) + ": " + a + " / " + b);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkParsing(input);
    checkRecord(input);
    if (size >= 8) {
        double x = 0;
        std::memcpy(&x, data, sizeof x);
        checkPlain(x);
        checkGrouped(x, size > 8 ? data[8] % 7 : 3);
        // The same number as a text round the other way.
        if (const auto parsed = parseDecimal(input.substr(8)))
            checkPlain(*parsed);
    }
    return 0;
}
