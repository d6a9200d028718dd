#pragma once
// Texts put into the generated HTML pages.
#include <initializer_list>
#include <string>
#include <string_view>

namespace lumivane {

// The text with & < > " ' written as character references, and "%" as "&#37;"
// so that an inserted text can never be taken for a later placeholder.
std::string htmlEscape(std::string_view text);

// A file URL of the path ("file:///home/a%20b/x.html"): made absolute, its
// separators as "/", every byte but the unreserved ones and "/" percent-encoded.
std::string fileUrl(std::string_view path);

// Replaces the first occurrence of the placeholder by the value, dropping the
// text after a second occurrence (the templates' rule); false, text unchanged,
// when the placeholder does not occur.
bool substitutePlaceholder(std::string& text, std::string_view placeholder, std::string_view value);

// The first of `placeholders` that occurs more than once in `text`; "" when none does.
std::string_view repeatedPlaceholder(std::string_view text, std::initializer_list<std::string_view> placeholders);

}  // namespace lumivane
