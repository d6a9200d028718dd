#include "core/meterdata/file_bytes_reader.h"

namespace lumivane {

std::optional<ReadError> BufferedFileBytes::read(const std::string& path, std::string_view& bytes)
{
    auto error = buffer_.load(path);
    bytes = error ? std::string_view() : buffer_.bytes();
    return error;
}

}  // namespace lumivane
