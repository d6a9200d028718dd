#pragma once
// Where a calculation gets the bytes of a meter log. The caller supplies the
// reader: the window and lumivane-calc map files, core and its tests read
// them into a buffer with the standard library alone.
#include <memory>
#include <string>
#include <string_view>

#include "core/meterdata/meter_log_reader.h"

namespace lumivane {

class FileBytesReader {
public:
    virtual ~FileBytesReader() = default;
    // The whole file as one block (empty for an empty file), valid until the
    // next read or the reader's end, or why it cannot be read.
    virtual Expected<std::string_view> read(const std::string& path) = 0;

    // Asked once the bytes of the last read have been walked: whether they were
    // still the file's all along. A reader that hands out its own copy can
    // always say yes; one that lends out the file itself must check.
    virtual Expected<void> confirmLastRead() { return {}; }

    // A fresh reader of the same kind, for another thread: a reader's bytes
    // stay valid only until its own next read.
    virtual std::unique_ptr<FileBytesReader> another() const;
};

// Reads each file whole into one buffer, reused for the next file.
class BufferedFileBytes : public FileBytesReader {
public:
    Expected<std::string_view> read(const std::string& path) override;

private:
    FileBuffer buffer_;
};

}  // namespace lumivane
