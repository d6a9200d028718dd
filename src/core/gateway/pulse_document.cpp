#include "core/gateway/pulse_document.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "core/text/number_text.h"

namespace lumivane {
namespace {

struct UsedField {
    int index;
    std::optional<std::int16_t> value;
    std::string_view text;
};

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The counter is built in 64 bits first: -32768 x 65536 - 32768 does not fit 32 bits,
// and such a document must be refused rather than wrap around.
std::optional<std::int32_t> combineWords(std::int16_t high, std::int16_t low)
{
    const std::int64_t sum = static_cast<std::int64_t>(high) * 65536 + low;
    if (sum < std::numeric_limits<std::int32_t>::min() || sum > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(sum);
}

}  // namespace

std::string_view stripTrailingLineEnd(std::string_view body)
{
    while (!body.empty() && (body.back() == '\r' || body.back() == '\n'))
        body.remove_suffix(1);
    return body;
}

std::optional<CounterWords> splitPulseCounter(std::int32_t counter)
{
    // The low word is the low 16 bits read as signed; the high word takes the rest.
    const auto low =
        static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(counter) & 0xFFFFu));
    const std::int64_t high = (static_cast<std::int64_t>(counter) - low) / 65536;
    if (high > 32767)
        return std::nullopt;
    return CounterWords{low, static_cast<std::int16_t>(high)};
}

Expected<PulseCounters> parsePulseDocument(std::string_view body)
{
    body = stripTrailingLineEnd(body);
    std::array<UsedField, 4> used{{{0, {}, {}}, {1, {}, {}}, {30, {}, {}}, {31, {}, {}}}};

    // One pass over the fields, keeping views of the four that matter.
    int fieldCount = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = body.find(',', start);
        const std::string_view field =
            body.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        for (auto& u : used)
            if (u.index == fieldCount)
                u.text = field;
        ++fieldCount;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }

    if (fieldCount < kPulseFieldCount)
        return failure("too few fields (" + std::to_string(fieldCount) + " of " + std::to_string(kPulseFieldCount) +
                       ")");
    for (auto& u : used) {
        u.value = parseInt16HalfEven(u.text);
        if (!u.value)
            return failure("field " + std::to_string(u.index) + " " + quoted(u.text) + " is not a 16-bit number");
    }
    const auto counter1 = combineWords(*used[1].value, *used[0].value);
    const auto counter2 = combineWords(*used[3].value, *used[2].value);
    if (!counter1 || !counter2) {
        const int which = counter1 ? 2 : 1;
        const auto& high = used[which == 1 ? 1 : 3];
        const auto& low = used[which == 1 ? 0 : 2];
        return failure("counter " + std::to_string(which) + " (" +
                       std::to_string(static_cast<std::int64_t>(*high.value) * 65536 + *low.value) +
                       ") is outside the 32-bit range");
    }
    return PulseCounters{*counter1, *counter2};
}

}  // namespace lumivane
