#pragma once
// The one conversion between Qt text and the UTF-8 bytes the core works with.
#include <QString>

#include <string>
#include <string_view>

namespace lumivane {

// The UTF-8 bytes as Qt text.
inline QString qtText(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// The Qt text as UTF-8 bytes.
inline std::string utf8Text(const QString& text) { return text.toStdString(); }

}  // namespace lumivane
