#include "platform/mapped_file_bytes.h"

#include <QByteArray>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumivane {
namespace {

constexpr const char* kCutShort = "the file was cut short by another program while it was being read";

// Opens `file` on `name` when it is a regular file of a size that can be mapped.
// On POSIX systems the kind and size are judged on the opened descriptor, and
// the open cannot wait: a path swapped for a pipe after a look at it would
// otherwise block the whole run.
bool openForMapping(QFile& file, const QString& name)
{
    const auto worthMapping = [](qint64 size) {
        // Files over the limit are left to the buffered read, which refuses them.
        return size > 0 && size <= static_cast<qint64>(kMaxMeterLogBytes);
    };
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !worthMapping(static_cast<qint64>(info.st_size)) ||
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo info(name);
    if (!info.isFile() || !worthMapping(info.size()))
        return false;
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#endif
}

}  // namespace

MappedFileBytes::~MappedFileBytes() { release(); }

void MappedFileBytes::release()
{
    // The file stays open while mapped; on Windows that also keeps it from
    // being replaced under the walk. It is let go before the next file.
    guard_.release();
    if (mapped_)
        file_.unmap(mapped_);
    mapped_ = nullptr;
    mappedSize_ = 0;
    if (file_.isOpen())
        file_.close();
}

Expected<std::string_view> MappedFileBytes::read(const std::string& path)
{
    release();
    const QString name = QFile::decodeName(QByteArray::fromRawData(path.data(), static_cast<qsizetype>(path.size())));
    // Only regular files with bytes are mapped: a folder, a pipe or a device
    // cannot be, and an empty file has nothing to map. Those, and any file
    // the system refuses to map, take the buffered read, which also words
    // every error the same way as before.
    // Every file is mapped, small ones too: copying a month's log into a
    // buffer cost more (a third of a run over 36 of them went to the copy)
    // than setting up the pages of its mapping.
    if (openForMapping(file_, name)) {
        const qint64 size = file_.size();
        if (size > 0)
            mapped_ = file_.map(0, size);
        // A mapping that cannot be watched for a cut is not lent out.
        if (mapped_ && !guard_.watch(mapped_, static_cast<std::size_t>(size))) {
            file_.unmap(mapped_);
            mapped_ = nullptr;
        }
        if (mapped_) {
            mappedSize_ = size;
            return std::string_view(reinterpret_cast<const char*>(mapped_), static_cast<std::size_t>(size));
        }
        file_.close();
    }
    return fallback_.read(path);
}

Expected<void> MappedFileBytes::confirmLastRead()
{
    if (!mapped_)
        return {};
    // A cut inside the last page raises no fault; the size still tells.
    if (guard_.wasCut() || file_.size() < mappedSize_)
        return failure(kCutShort);
    return {};
}

}  // namespace lumivane
