#include "core/meterdata/file_buffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumivane {
namespace {

// The file's size as the system tells it, or 0 when it cannot say; the read is left at the start.
std::size_t sizeOf(std::FILE* file)
{
    std::size_t size = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end > 0)
            size = static_cast<std::size_t>(end);
        std::fseek(file, 0, SEEK_SET);
    }
    return size;
}

Error notARegularFile(bool folder)
{
    return failure(folder ? "the path is a folder, not a file"
                          : "the path is a device, a pipe or a socket, not a file");
}

Error tooLarge()
{
    return failure(std::string("the file is larger than ") + kMaxMeterLogText +
                   ", the most one meter log may occupy in memory");
}

#if defined(_WIN32)
Expected<std::FILE*> openRegularFile(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        return notARegularFile(true);
    if (!ec && !std::filesystem::is_regular_file(status))
        return notARegularFile(false);
    if (const auto size = std::filesystem::file_size(path, ec); !ec && size > kMaxMeterLogBytes)
        return tooLarge();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return failure(std::string("the file cannot be opened: ") + std::strerror(errno));
    return file;
}
#else
// The kind of file is judged on the opened descriptor, not on the path: a
// path swapped for a pipe after a look at it could otherwise block the open,
// which O_NONBLOCK prevents, or the read, which the check refuses.
Expected<std::FILE*> openRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure(std::string("the file cannot be opened: ") + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        return notARegularFile(folder);
    }
    if (static_cast<unsigned long long>(info.st_size) > kMaxMeterLogBytes) {
        ::close(fd);
        return tooLarge();
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int openErrno = errno;
        ::close(fd);
        return failure(std::string("the file cannot be opened: ") + std::strerror(openErrno));
    }
    return file;
}
#endif

}  // namespace

void FileBuffer::reserve(std::size_t capacity)
{
    if (capacity <= capacity_)
        return;
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (size_ > 0)
        std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
}

std::size_t FileBuffer::readRest(std::FILE* file, std::size_t got)
{
    // A file still growing is read up to one byte past the limit, which then refuses it.
    while (!std::feof(file) && !std::ferror(file) && got <= kMaxMeterLogBytes) {
        const int c = std::fgetc(file);
        if (c == EOF)
            break;
        if (got + 1 >= capacity_) {
            size_ = got;
            reserve(std::min(capacity_ * 2 + 4096, kMaxMeterLogBytes + 2));
        }
        data_[got++] = static_cast<char>(c);
        const std::size_t wanted = capacity_ - 1 - got;
        const std::size_t more = std::fread(data_.get() + got, 1, wanted, file);
        got += more;
        if (more != wanted)
            break;
    }
    return got;
}

Expected<std::string_view> FileBuffer::load(const std::string& path)
{
    size_ = 0;
    const auto opened = openRegularFile(path);
    if (!opened)
        return opened.error();
    std::FILE* file = *opened;
    // One read of the whole file: its size first, then a single fread.
    const std::size_t wanted = sizeOf(file);
    if (wanted > kMaxMeterLogBytes) {
        std::fclose(file);
        return tooLarge();
    }
    reserve(wanted + 1);
    std::size_t got = std::fread(data_.get(), 1, wanted, file);
    // A file that grew, or one whose size was not known, is read on to its end.
    if (got == wanted)
        got = readRest(file, got);
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed)
        return failure(std::string("the file cannot be read: ") + std::strerror(readErrno));
    if (got > kMaxMeterLogBytes)
        return tooLarge();
    size_ = got;
    return bytes();
}

}  // namespace lumivane
