#include "core/gateway/gsm_text.h"

#include <array>
#include <cstdint>

namespace lumivane {
namespace {

// The printable part of the default alphabet (codes 0x20..0x7E) by code, as Unicode
// code points. Codes 0x20..0x7E mostly match ASCII; the exceptions are listed here.
struct Printable {
    char code;
    char32_t character;
};
constexpr std::array<Printable, 12> kNonAscii = {{
    {0x24, U'¤'},
    {0x40, U'¡'},
    {0x5B, U'Ä'},
    {0x5C, U'Ö'},
    {0x5D, U'Ñ'},
    {0x5E, U'Ü'},
    {0x5F, U'§'},
    {0x60, U'¿'},
    {0x7B, U'ä'},
    {0x7C, U'ö'},
    {0x7D, U'ñ'},
    {0x7E, U'ü'},
}};

struct LookAlike {
    char32_t character;
    const char* text;  // printable ASCII that is the same in the default alphabet
};
constexpr LookAlike kLookAlikes[] = {
    {U'[', "("},        {U']', ")"},      {U'{', "("},      {U'}', ")"},      {U'~', "-"},       {U'\\', "/"},
    {U'|', "/"},        {U'^', "'"},      {U'€', "EUR"},    {U'£', "GBP"},    {U'$', "USD"},     {U'¥', "JPY"},
    {U'@', "(at)"},     {U'_', "-"},      {U'`', "'"},      {U'\t', " "},     {U'\n', " "},      {U'\r', " "},
    {U'Δ', "D"},        {U'Φ', "F"},      {U'Γ', "G"},      {U'Λ', "L"},      {U'Ω', "O"},       {U'Π', "P"},
    {U'Ψ', "Ps"},       {U'Σ', "S"},      {U'Θ', "Th"},     {U'Ξ', "X"},      {U'Æ', "AE"},      {U'æ', "ae"},
    {U'ß', "ss"},       {U'Ø', "O"},      {U'ø', "o"},      {U'Å', "A"},      {U'å', "a"},       {U'Ç', "C"},
    {U'ç', "c"},        {U'É', "E"},      {U'È', "E"},      {U'Ê', "E"},      {U'Ë', "E"},       {U'è', "e"},
    {U'é', "e"},        {U'ê', "e"},      {U'ë', "e"},      {U'À', "A"},      {U'Á', "A"},       {U'Â', "A"},
    {U'Ã', "A"},        {U'à', "a"},      {U'á', "a"},      {U'â', "a"},      {U'ã', "a"},       {U'Ì', "I"},
    {U'Í', "I"},        {U'Î', "I"},      {U'Ï', "I"},      {U'ì', "i"},      {U'í', "i"},       {U'î', "i"},
    {U'ï', "i"},        {U'Ò', "O"},      {U'Ó', "O"},      {U'Ô', "O"},      {U'Õ', "O"},       {U'ò', "o"},
    {U'ó', "o"},        {U'ô', "o"},      {U'õ', "o"},      {U'Ù', "U"},      {U'Ú', "U"},       {U'Û', "U"},
    {U'ù', "u"},        {U'ú', "u"},      {U'û', "u"},      {U'Ý', "Y"},      {U'ý', "y"},       {U'ÿ', "y"},
    {U'\u2013', "-"},   {U'\u2014', "-"}, {U'\u2018', "'"}, {U'\u2019', "'"}, {U'\u201C', "\""}, {U'\u201D', "\""},
    {U'\u00B0', "deg"}, {U'\u00A0', " "},
};

// One code point from the front of the text; a byte that starts no valid sequence
// counts as one unknown character.
char32_t takeCodePoint(std::string_view& text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || length > text.size()) {
        text.remove_prefix(1);
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) {
            text.remove_prefix(1);
            return 0xFFFD;
        }
        code = (code << 6) | (next & 0x3F);
    }
    text.remove_prefix(length);
    return code;
}

// The byte of a character that the alphabet holds at a printable code, or 0.
char printableCode(char32_t code)
{
    for (const Printable& p : kNonAscii)
        if (p.character == code)
            return p.code;
    const bool asciiSame = code >= 0x20 && code <= 0x7E && code != U'$' && code != U'@' &&
                           !(code >= 0x5B && code <= 0x60) && !(code >= 0x7B && code <= 0x7E);
    return asciiSame ? static_cast<char>(static_cast<unsigned char>(code)) : '\0';
}

}  // namespace

GsmText encodeGsmText(std::string_view utf8)
{
    GsmText out;
    out.bytes.reserve(utf8.size());
    while (!utf8.empty()) {
        const char32_t code = takeCodePoint(utf8);
        if (const char byte = printableCode(code)) {
            out.bytes.push_back(byte);
            continue;
        }
        out.replaced += 1;
        const char* text = "?";
        for (const LookAlike& alike : kLookAlikes)
            if (alike.character == code)
                text = alike.text;
        // Any other control character is a blank: it carries no text for a reader.
        if (code < 0x20 || code == 0x7F)
            text = " ";
        out.bytes += text;
    }
    out.characters = out.bytes.size();
    return out;
}

}  // namespace lumivane
