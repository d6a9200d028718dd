#pragma once
// Facts of this program that do not depend on where it runs.
#include <string>

#include "core/text/app_version.h"

namespace lumivane {

inline constexpr const char* kAppTitle = "Lumivane 2012 R";
// Settings are addressed by the main program's executable name, also from tools.
inline constexpr const char* kMainExecutableName = "lumivane";

// "3.2.1": the version triple as plain decimal numbers.
inline std::string versionText()
{
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision);
}

}  // namespace lumivane
