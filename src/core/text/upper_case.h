#pragma once
// Upper case by Unicode's rules, without a locale.
#include <string>
#include <string_view>

namespace lumivane {

// The UTF-8 text in upper case by Unicode's full case mapping for Basic Latin,
// Latin-1 Supplement, Latin Extended-A, Greek and Cyrillic ("ß" gives "SS",
// "ÿ" gives "Ÿ"); other characters, and bytes that are no valid UTF-8, stay.
std::string upperCaseText(std::string_view text);

}  // namespace lumivane
