#include "platform/utf8_text.h"

#include <QCoreApplication>

#include "core/text/display_text.h"

namespace lumivane {
namespace {

constexpr char16_t kKeptByte = 0xDC00;

bool isKeptByte(QChar c) { return c.unicode() >= kKeptByte + 0x80 && c.unicode() <= kKeptByte + 0xFF; }

}  // namespace

QString pathText(std::string_view bytes)
{
    QString text;
    std::size_t start = 0;
    // displayText keeps valid UTF-8 as it is, so a byte it changes starts no valid sequence.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80)
            continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        const std::string_view sequence = bytes.substr(i, length);
        if (sequence.size() == length && displayText(sequence) == sequence) {
            i += length - 1;
            continue;
        }
        text += qtText(bytes.substr(start, i - start));
        text += QChar(static_cast<char16_t>(kKeptByte + byte));
        start = i + 1;
    }
    return text + qtText(bytes.substr(start));
}

std::string pathBytes(const QString& path)
{
    std::string bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isKeptByte(path.at(i)))
            continue;
        bytes += utf8Text(path.mid(start, i - start));
        bytes += static_cast<char>(path.at(i).unicode() - kKeptByte);
        start = i + 1;
    }
    return bytes + utf8Text(path.mid(start));
}

QStringList argumentTexts(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return QCoreApplication::arguments().mid(1);
#else
    QStringList texts;
    for (int i = 1; i < argc; ++i)
        texts << pathText(argv[i]);
    return texts;
#endif
}

QString shownPath(const QString& path) { return qtText(displayText(pathBytes(path))); }

}  // namespace lumivane
