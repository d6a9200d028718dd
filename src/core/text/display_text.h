#pragma once
// Bytes from files and file names made fit to be shown: valid UTF-8, one line.
#include <string>
#include <string_view>

namespace lumivane {

// The length of the valid UTF-8 sequence at the start of `text` (1 for ASCII),
// or 0 when it starts with no valid sequence: overlong forms, surrogates and
// code points past U+10FFFF are not valid.
std::size_t utf8SequenceLength(std::string_view text);

// The bytes as valid UTF-8 on one line: valid UTF-8 sequences stay, every
// other byte is taken as a Latin-1 character (old shares name files so), and
// control characters (NUL, CR, LF, ESC, DEL, ...) become "?".
std::string displayText(std::string_view bytes);

// True when the bytes look like UTF-16 text: a byte-order mark, or a NUL in
// every other byte of the start.
bool looksLikeUtf16(std::string_view bytes);

}  // namespace lumivane
