#pragma once
// The gateway's pulse document ("/pdata.htm"): comma-separated 16-bit words,
// two of which pairs make the pulse counters 1 and 2.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/expected.h"

namespace lumivane {

// Fewer fields than this and the document is refused.
inline constexpr int kPulseFieldCount = 32;

struct PulseCounters {
    std::int32_t counter1 = 0;
    std::int32_t counter2 = 0;
};

// Reads counter 1 from fields 1 (high) and 0 (low), counter 2 from fields 31 and 30;
// each word is a number rounded halves to even that must fit -32768..32767, and each
// counter (high x 65536 + low) must fit the signed 32-bit range.
Expected<PulseCounters> parsePulseDocument(std::string_view body);

struct CounterWords {
    std::int16_t low = 0;
    std::int16_t high = 0;
};

// The signed words that give the counter back as high x 65536 + low (65535 is 1 and -1);
// nullopt above 32767 x 65536 + 32767, which two signed words cannot carry.
std::optional<CounterWords> splitPulseCounter(std::int32_t counter);

// The body without the line end a server may put after the document.
std::string_view stripTrailingLineEnd(std::string_view body);

}  // namespace lumivane
