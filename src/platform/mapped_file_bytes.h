#pragma once
// Meter logs mapped into memory instead of copied: the calculation walks the
// page cache in place, with no buffer of the file's size to fill first.
#include <QFile>

#include <memory>
#include <string>
#include <string_view>

#include "core/meterdata/file_bytes_reader.h"
#include "platform/bus_error_guard.h"

namespace lumivane {

class MappedFileBytes : public FileBytesReader {
public:
    MappedFileBytes() = default;
    ~MappedFileBytes() override;
    MappedFileBytes(const MappedFileBytes&) = delete;
    MappedFileBytes& operator=(const MappedFileBytes&) = delete;

    // The file mapped whole; files that cannot be mapped (empty, folders,
    // special files, missing) are read by the buffered reader, with its errors.
    Expected<std::string_view> read(const std::string& path) override;

    // The mapping lends out the file itself, so another program may cut it short
    // under the walk. On POSIX systems the pages past the new end then read as
    // zeros instead of ending the program with a bus error, and this reports
    // the cut; a file that only grew is fine, the walk saw the part mapped.
    Expected<void> confirmLastRead() override;

    std::unique_ptr<FileBytesReader> another() const override { return std::make_unique<MappedFileBytes>(); }

    // Whether the bytes of the last successful read are a mapping.
    bool lastReadWasMapped() const { return mapped_ != nullptr; }

private:
    void release();

    QFile file_;
    uchar* mapped_ = nullptr;
    qint64 mappedSize_ = 0;
    BusErrorGuard guard_;
    BufferedFileBytes fallback_;
};

}  // namespace lumivane
