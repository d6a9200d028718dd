#pragma once
// How a meter log's path is named in results, bills and the menu.
#include <string>
#include <string_view>

namespace lumivane {

// The last two pieces of the path split at the platform's separator, joined by it.
std::string fileLabelOf(std::string_view path);

// The last piece of the file label: the file name.
std::string fileNameOfLabel(std::string_view label);

}  // namespace lumivane
