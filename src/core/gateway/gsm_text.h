#pragma once
// Text for a modem switched to the GSM character set (AT+CSCS="GSM"): the GSM 7-bit
// default alphabet, one byte per character, with its escape table.
#include <cstddef>
#include <string>
#include <string_view>

namespace lumivane {

// An SMS in the default alphabet holds this many characters (an escaped one counts twice).
inline constexpr std::size_t kSmsCharacters = 160;

struct GsmText {
    std::string bytes;           // what is written to the modem
    std::size_t characters = 0;  // length in the alphabet's characters, escapes counted twice
    std::size_t replaced = 0;    // characters the alphabet cannot hold, each written as "?"
};

// The UTF-8 text in the GSM default alphabet: "[ ] { } € ^ \ | ~" through the escape
// table, anything the alphabet cannot hold (and bytes that are no UTF-8) as "?".
GsmText encodeGsmText(std::string_view utf8);

}  // namespace lumivane
