#pragma once
// The one conversion between Qt text and the UTF-8 bytes the core works with.
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <string_view>

namespace lumivane {

// The UTF-8 bytes as Qt text.
inline QString qtText(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// The Qt text as UTF-8 bytes.
inline std::string utf8Text(const QString& text) { return text.toStdString(); }

// A path's own bytes as Qt text that gives the same bytes back through
// pathBytes: valid UTF-8 is decoded, and every other byte (a Latin-1 name
// from an old share) is kept as the lone surrogate U+DC00 + byte.
QString pathText(std::string_view bytes);

// The bytes of a path made by pathText (or any Qt text) for open().
std::string pathBytes(const QString& path);

// The program's arguments after its name, each through pathText (on Windows,
// whose arguments are not bytes, as Qt reads them); needs the application object.
QStringList argumentTexts(int argc, char** argv);

// The path as it is shown: valid UTF-8 on one line, other bytes read as Latin-1.
QString shownPath(const QString& path);

// The Qt text as a file-system path, through UTF-8 so that a folder with
// non-ASCII letters is found on every platform.
inline std::filesystem::path pathOf(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace lumivane
