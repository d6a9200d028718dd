#pragma once
// Text for a modem in text mode with the GSM character set (AT+CMGF=1,
// AT+CSCS="GSM"): one byte per character of the GSM default alphabet, and only
// the printable ones. After the modem's prompt ESC cancels the message and
// Ctrl-Z ends it, and other control bytes (0x00 "@", 0x08 "ò", 0x13 "Γ") are
// taken as commands by many modems, so every character whose code would be a
// control byte, and every character of the escape table, goes out as a look-alike.
#include <cstddef>
#include <string>
#include <string_view>

namespace lumivane {

// An SMS in the default alphabet holds this many characters.
inline constexpr std::size_t kSmsCharacters = 160;

struct GsmText {
    std::string bytes;           // what is written to the modem: bytes 0x20..0x7E only
    std::size_t characters = 0;  // length in the alphabet's characters (one per byte)
    std::size_t replaced = 0;    // characters of the text written as a look-alike or "?"
};

// The UTF-8 text in the printable part of the GSM default alphabet: "[ ] { } ~ \ | ^"
// as "( ) ( ) - / / '", "€ £ $ ¥" as "EUR GBP USD JPY", "@" as "(at)", accented and
// Greek letters as their base or Latin letters, line ends and other controls as blanks,
// anything else (and bytes that are no UTF-8) as "?".
GsmText encodeGsmText(std::string_view utf8);

}  // namespace lumivane
