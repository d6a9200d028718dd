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
#include <algorithm>
#include <cmath>
#include <regex>
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
    // Optional "-", integer digits grouped by three without a leading zero, "." and exactly `decimals` digits.
    const std::regex shape("-?(0|[1-9][0-9]{0,2}(,[0-9]{3})*)" +
                           (decimals > 0 ? "\\.[0-9]{" + std::to_string(decimals) + "}" : std::string()));
    check(std::regex_match(shown, shape), "formatGrouped has the wrong shape", shown);
    std::string plain = shown;
    plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());
    const double parsed = *parseDecimal(plain);
    check(shown[0] != '-' || parsed != 0, "negative zero shown", shown);
    check(std::fabs(parsed - x) <= 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + std::fabs(x) * 1e-14,
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

    for (const SettingKey& key : keys) {
        const auto storedText = lookup(key.key);
        const bool fits = storedText && settingTextFits(key.type, *storedText);
        const SettingsRecord single = loadSettingsRecord(
            [&](std::string_view k) { return k == key.key && fits ? storedText : std::nullopt; });
        check(settingTextOf(record, key.key) == settingTextOf(single, key.key),
              "a field is neither its stored text nor its default", std::string(key.key));
        if (key.type == SettingType::Text && storedText)
            check(settingTextOf(record, key.key) == *storedText, "a text field is not the stored text",
                  std::string(key.key));
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
