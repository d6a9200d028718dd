#include "core/text/html_text.h"

#include <filesystem>

namespace lumivane {

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '%': out += "&#37;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string fileUrl(std::string_view path)
{
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(std::string(path)), ec);
    if (ec)
        absolute = std::filesystem::path(std::string(path));
    std::string generic = absolute.generic_string();
    // "C:/x" on Windows needs the third slash of "file:///C:/x"; "/home/x" brings its own.
    std::string out = (!generic.empty() && generic.front() == '/') ? "file://" : "file:///";
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char ch : generic) {
        const auto c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
        if (keep) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

bool substitutePlaceholder(std::string& text, std::string_view placeholder, std::string_view value)
{
    const std::size_t first = text.find(placeholder);
    if (first == std::string::npos || placeholder.empty())
        return false;
    const std::size_t restStart = first + placeholder.size();
    const std::size_t second = text.find(placeholder, restStart);
    std::string result;
    result.reserve(text.size() + value.size());
    result.append(text, 0, first);
    result.append(value);
    result.append(text, restStart, second == std::string::npos ? std::string::npos : second - restStart);
    text = std::move(result);
    return true;
}

std::string_view repeatedPlaceholder(std::string_view text, std::initializer_list<std::string_view> placeholders)
{
    // Substitution keeps only the text up to a second occurrence, so a
    // repeated placeholder would silently cut the page short.
    for (const std::string_view placeholder : placeholders) {
        const std::size_t first = text.find(placeholder);
        if (first != std::string_view::npos &&
            text.find(placeholder, first + placeholder.size()) != std::string_view::npos)
            return placeholder;
    }
    return {};
}

}  // namespace lumivane
