#include "core/meterdata/file_bytes_reader.h"

namespace lumivane {

Expected<std::string_view> BufferedFileBytes::read(const std::string& path) { return buffer_.load(path); }

}  // namespace lumivane
