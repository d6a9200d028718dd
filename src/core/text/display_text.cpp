#include "core/text/display_text.h"

namespace lumivane {

std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty())
        return 0;
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

std::string displayText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = utf8SequenceLength(bytes.substr(i));
        if (length == 1) {
            out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        } else if (length > 1) {
            // C1 control characters (U+0080..U+009F) are no more printable than C0 ones.
            const bool c1 = c == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0;
            out += c1 ? std::string_view("?") : bytes.substr(i, length);
        } else if (c < 0xA0) {
            out += '?';
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        i += length ? length : 1;
    }
    return out;
}

bool looksLikeUtf16(std::string_view bytes)
{
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return true;
    // ASCII text in UTF-16 has a NUL in every other byte, high or low first.
    const std::size_t start = bytes.size() < 64 ? bytes.size() & ~std::size_t{1} : 64;
    if (start < 4)
        return false;
    bool even = true;
    bool odd = true;
    for (std::size_t i = 0; i < start; i += 2) {
        even = even && bytes[i] == '\0';
        odd = odd && bytes[i + 1] == '\0';
    }
    return even || odd;
}

}  // namespace lumivane
