#include "core/text/upper_case.h"

namespace lumivane {
namespace {

void putUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// In the alternating blocks upper and lower case take turns; `lowerOdd` says
// whether the lower-case letters sit at the odd code points.
char32_t alternating(char32_t c, bool lowerOdd) { return (c % 2 == 1) == lowerOdd ? c - 1 : c; }

bool within(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

char32_t latinUpper(char32_t c)
{
    if (within(c, U'a', U'z') || (within(c, 0xE0, 0xFE) && c != 0xF7))
        return c - 0x20;
    if (c == 0xB5)
        return 0x39C;  // micro sign: Greek capital mu
    if (c == 0xFF)
        return 0x178;
    if (c == 0x131)
        return U'I';
    if (c == 0x17F)
        return U'S';
    if (within(c, 0x100, 0x137) && c != 0x130 && c != 0x131)
        return alternating(c, true);
    if (within(c, 0x139, 0x148) || within(c, 0x179, 0x17E))
        return alternating(c, false);
    if (within(c, 0x14A, 0x177))
        return alternating(c, true);
    return c;
}

char32_t greekUpper(char32_t c)
{
    if (c == 0x3AC)
        return 0x386;
    if (within(c, 0x3AD, 0x3AF))
        return c - 0x25;
    if (c == 0x3C2)
        return 0x3A3;  // final sigma
    if (within(c, 0x3B1, 0x3CB))
        return c - 0x20;
    if (c == 0x3CC)
        return 0x38C;
    if (within(c, 0x3CD, 0x3CE))
        return c - 0x3F;
    return c;
}

char32_t cyrillicUpper(char32_t c)
{
    if (within(c, 0x430, 0x44F))
        return c - 0x20;
    if (within(c, 0x450, 0x45F))
        return c - 0x50;
    if (within(c, 0x460, 0x481) || within(c, 0x48A, 0x4BF) || within(c, 0x4D0, 0x52F))
        return alternating(c, true);
    if (within(c, 0x4C1, 0x4CE))
        return alternating(c, false);
    if (c == 0x4CF)
        return 0x4C0;
    return c;
}

// The upper case of one character, several where Unicode's full mapping has them.
void putUpper(char32_t c, std::string& out)
{
    switch (c) {
    case 0xDF: out += "SS"; return;
    case 0x149: out += "\xCA\xBCN"; return;                 // ŉ: apostrophe and N
    case 0x390: out += "\xCE\x99\xCC\x88\xCC\x81"; return;  // ΐ: Ι with diaeresis and acute
    case 0x3B0: out += "\xCE\xA5\xCC\x88\xCC\x81"; return;  // ΰ: Υ with diaeresis and acute
    default: break;
    }
    if (c < 0x250)
        putUtf8(latinUpper(c), out);
    else if (c < 0x400)
        putUtf8(greekUpper(c), out);
    else
        putUtf8(cyrillicUpper(c), out);
}

}  // namespace

std::string upperCaseText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (lead < 0x80) {
            putUpper(lead, out);
            ++i;
        } else if (lead >= 0xC2 && lead <= 0xDF && (next & 0xC0) == 0x80) {
            putUpper(static_cast<char32_t>(((lead & 0x1F) << 6) | (next & 0x3F)), out);
            i += 2;
        } else {
            // Every mapped character is written in one or two bytes; longer sequences
            // and bytes that are no UTF-8 stay as they are.
            out += text[i];
            ++i;
        }
    }
    return out;
}

}  // namespace lumivane
