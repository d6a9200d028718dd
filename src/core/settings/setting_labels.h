#pragma once
// What the settings dialog calls each stored setting, for messages that send
// the operator there to correct one.
#include <string_view>

namespace lumivane {

// The dialog's caption for the key ("Day Time Cost per kWh £"), or the key itself when it has none.
std::string_view settingLabel(std::string_view key);

}  // namespace lumivane
