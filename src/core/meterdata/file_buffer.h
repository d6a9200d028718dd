#pragma once
// A whole meter log read into memory with the standard library alone: the
// reader core and its tests use, and the one the mapping falls back to.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/text/expected.h"

namespace lumivane {

// The most one meter log may occupy in memory: a year of 1-minute readings is
// about 16 MB, so a larger file is no meter log, and refusing it keeps a
// device or an endless stream from taking all memory.
inline constexpr std::size_t kMaxMeterLogBytes = std::size_t{1} << 30;
// The limit as the refusal names it.
inline constexpr const char* kMaxMeterLogText = "1 GiB";

// A whole file in one block, kept for reuse by the next file.
class FileBuffer {
public:
    // Reads the file whole: its bytes (empty for an empty file), valid until the
    // next load, or why it cannot be opened or read. Only regular files of at
    // most kMaxMeterLogBytes are read: a folder, device, pipe or socket is refused
    // by what the opened file is, and the open itself never waits for a writer.
    Expected<std::string_view> load(const std::string& path);
    // The bytes of the last successful load.
    std::string_view bytes() const { return {data_.get(), size_}; }

private:
    // Reads on past `got` bytes to the file's end (a file that grew since its size was taken).
    std::size_t readRest(std::FILE* file, std::size_t got);
    void reserve(std::size_t capacity);

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace lumivane
