// The settings' text conversions with arbitrary texts and numbers.
//
// The input is used three ways:
//   - as one text for parseDecimal / parseInt16HalfEven;
//   - split at NUL or LF into the stored texts of the keys, in load order;
//   - its first 8 bytes as a double for formatPlain and formatGrouped.
//
// Checks beyond memory safety:
//   - parseInt16HalfEven agrees with parseDecimal rounded halves to even;
//   - every formatted number reads back: parse(formatPlain(x)) is x to 15
//     significant digits, and formatGrouped has the shape "-###,##0.000" and is
//     within half a unit of the last decimal of x;
//   - a text field holds its stored text, and the texts the record would be
//     saved as load back to the same record.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/settings_record.h"
#include "core/text/number_text.h"
#include "fuzz_support.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

// Plain numbers are taken to 15 significant digits; the parse then rounds once more.
bool closeTo15Digits(double parsed, double x)
{
    return std::fabs(parsed - x) <= std::fabs(x) * 1e-14 || std::fabs(parsed - x) <= 1e-300;
}

void checkFormats(double x, int decimals)
{
    const std::string plain = formatPlain(x), grouped = formatGrouped(x, decimals);
    if (!std::isfinite(x))
        return;
    const auto parsed = parseDecimal(plain);
    check(parsed && closeTo15Digits(*parsed, x), "parse(formatPlain(x)) is not x", plain);
    check(plain.find_first_of("eE,") == std::string::npos, "formatPlain wrote an exponent or grouping", plain);
    const std::regex shape("-?(0|[1-9][0-9]{0,2}(,[0-9]{3})*)" +
                           (decimals > 0 ? "\\.[0-9]{" + std::to_string(decimals) + "}" : std::string()));
    check(std::regex_match(grouped, shape), "formatGrouped has the wrong shape", grouped);
    std::string ungrouped = grouped;
    std::erase(ungrouped, ',');
    const auto back = parseDecimal(ungrouped);
    check(back && (grouped[0] != '-' || *back != 0), "grouped form unreadable or negative zero", grouped);
    check(std::fabs(*back - x) <= 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + std::fabs(x) * 1e-14,
          "formatGrouped is more than half a unit off", grouped);
}

void checkRecord(std::string_view input)
{
    std::vector<std::string> texts;
    for (std::size_t start = 0; start <= input.size() && texts.size() < settingKeys().size();) {
        const std::size_t end = std::min(input.find_first_of(std::string_view("\0\n", 2), start), input.size());
        texts.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    auto stored = [&](std::string_view key) -> std::optional<std::string> {
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (settingKeys()[i].key == key)
                return texts[i];
        return std::nullopt;
    };
    const SettingsRecord record = loadSettingsRecord(stored);
    const SettingsRecord again = loadSettingsRecord([&](std::string_view key) { return settingTextOf(record, key); });
    for (const SettingKey& key : settingKeys()) {
        const std::string a = settingTextOf(record, key.key), b = settingTextOf(again, key.key);
        if (key.type == SettingType::Text && stored(key.key))
            check(a == *stored(key.key), "a text field is not the stored text", std::string(key.key));
        check(key.type == SettingType::Double ? closeTo15Digits(*parseDecimal(b), *parseDecimal(a)) : a == b,
              "a saved field does not load back", std::string(key.key) + ": " + a + " / " + b);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto decimal = parseDecimal(input);
    const auto int16 = parseInt16HalfEven(input);
    const double rounded = decimal ? std::nearbyint(*decimal) : 0;
    check(int16.has_value() == (decimal && rounded >= -32768 && rounded <= 32767) && (!int16 || *int16 == rounded),
          "parseInt16HalfEven is not parseDecimal rounded halves to even", std::string(input));
    checkRecord(input);
    if (size >= 8) {
        double x = 0;
        std::memcpy(&x, data, sizeof x);
        checkFormats(x, size > 8 ? data[8] % 7 : 3);
        if (const auto parsed = parseDecimal(input.substr(8)))
            checkFormats(*parsed, 2);
    }
    return 0;
}
