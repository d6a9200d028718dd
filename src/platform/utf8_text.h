#pragma once
// The one conversion between Qt text and the UTF-8 bytes the core works with.
#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace lumivane {

// The UTF-8 bytes as Qt text.
inline QString qtText(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// The Qt text as UTF-8 bytes.
inline std::string utf8Text(const QString& text) { return text.toStdString(); }

// The Qt text as a file-system path, through UTF-8 so that a folder with
// non-ASCII letters is found on every platform.
inline std::filesystem::path pathOf(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace lumivane
