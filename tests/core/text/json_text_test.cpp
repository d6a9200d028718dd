#include "core/text/json_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace lumivane;

TEST(JsonText, StringsEscapeControlsAndReplaceBrokenUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\r\n\t", "\"\\r\\n\\t\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {std::string("x\0y", 3), "\"x\\u0000y\""},
        {"\xC2\xA3 \xE2\x82\xAC \xF0\x9F\x94\x8C", "\"\xC2\xA3 \xE2\x82\xAC \xF0\x9F\x94\x8C\""},
        {"\xC3", "\"\xEF\xBF\xBD\""},                                                  // cut short at the end
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                                  // overlong "/"
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // a surrogate
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // past U+10FFFF
        {"\xE2\x82z", "\"\xEF\xBF\xBD\xEF\xBF\xBDz\""},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(jsonString(text), json) << json;
}

TEST(JsonText, NumbersReadBackExactlyAndNonFiniteIsNull)
{
    const std::pair<double, std::string> cases[] = {
        {0.1, "0.1"},  {1234.5, "1234.5"}, {-2, "-2"}, {-0.0, "0"}, {1e21, "1e+21"}, {0.1 + 0.2, "0.30000000000000004"},
        {NAN, "null"}, {INFINITY, "null"},
    };
    for (const auto& [value, json] : cases)
        EXPECT_EQ(jsonNumber(value), json);
}
