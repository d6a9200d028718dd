#include "core/text/file_label.h"

#include <filesystem>

namespace lumivane {
namespace {

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

}  // namespace

std::string fileLabelOf(std::string_view path)
{
    const std::size_t last = path.rfind(kSeparator);
    if (last == std::string_view::npos)
        return std::string(path);
    const std::size_t before = last == 0 ? std::string_view::npos : path.rfind(kSeparator, last - 1);
    // "/site1.csv" has an empty folder piece: the label is then "/site1.csv".
    return std::string(before == std::string_view::npos ? path : path.substr(before + 1));
}

std::string fileNameOfLabel(std::string_view label)
{
    const std::size_t last = label.rfind(kSeparator);
    return std::string(last == std::string_view::npos ? label : label.substr(last + 1));
}

}  // namespace lumivane
