#pragma once
// Appending records to the pulse and alarm logs: one open-append-close per record,
// so the file is never held open between events.
#include <filesystem>
#include <string>
#include <string_view>

#include "core/text/expected.h"

namespace lumivane {

// Appends the bytes as they stand (the record brings its own CR LF), creating the
// file when missing; reports a file that cannot be opened, written or closed.
Expected<void> appendLogRecord(const std::filesystem::path& path, std::string_view record);

}  // namespace lumivane
