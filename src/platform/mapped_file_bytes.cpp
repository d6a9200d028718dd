#include "platform/mapped_file_bytes.h"

#include <QByteArray>
#include <QFileInfo>

namespace lumivane {
namespace {

constexpr const char* kCutShort = "the file was cut short by another program while it was being read";

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
    // A mapping costs page-table work for every file walked; the buffer costs
    // a page fault per 4 KiB when it is first filled and nothing for later
    // files that fit. So the first file of a run and large files are mapped,
    // and further small files (a run over many month logs) reuse the buffer.
    const QFileInfo info(name);
    // Files over the limit are left to the buffered read, which refuses them.
    if (info.isFile() && info.size() > 0 && info.size() <= static_cast<qint64>(kMaxMeterLogBytes) &&
        (!mappedBefore_ || info.size() > kLargeFile)) {
        file_.setFileName(name);
        if (file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            const qint64 size = file_.size();
            if (size > 0)
                mapped_ = file_.map(0, size);
            // A mapping that cannot be watched for a cut is not lent out.
            if (mapped_ && !guard_.watch(mapped_, static_cast<std::size_t>(size))) {
                file_.unmap(mapped_);
                mapped_ = nullptr;
            }
            if (mapped_) {
                mappedBefore_ = true;
                mappedSize_ = size;
                return std::string_view(reinterpret_cast<const char*>(mapped_), static_cast<std::size_t>(size));
            }
            file_.close();
        }
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
