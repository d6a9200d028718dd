#pragma once
// Values written into JSON documents.
#include <string>
#include <string_view>

namespace lumivane {

// The text as a JSON string with its quotes: '"', '\' and every control
// character escaped, valid UTF-8 kept, and each byte that is not part of a
// valid UTF-8 sequence written as U+FFFD.
std::string jsonString(std::string_view text);

// The number in the shortest form that reads back to the same double, with
// "." whatever the C locale says; "null" for infinities and NaN.
std::string jsonNumber(double value);

}  // namespace lumivane
