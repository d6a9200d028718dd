#include "core/meterdata/file_bytes_reader.h"

namespace lumivane {

std::unique_ptr<FileBytesReader> FileBytesReader::another() const { return std::make_unique<BufferedFileBytes>(); }

Expected<std::string_view> BufferedFileBytes::read(const std::string& path) { return buffer_.load(path); }

}  // namespace lumivane
