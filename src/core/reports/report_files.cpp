#include "core/reports/report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>
#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/meterdata/meter_log_reader.h"

namespace lumivane {

Expected<std::string> importInput(const std::string& fname)
{
    FileBuffer buffer;
    const auto bytes = buffer.load(fname);
    if (!bytes)
        return failure(fname + ": " + bytes.error().reason);
    return std::string(*bytes);
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".lumivane-";
constexpr std::string_view kTemporarySuffix = ".part";
constexpr std::size_t kTagLength = 8;

bool isHexTag(std::string_view tag)
{
    return tag.size() == kTagLength && tag.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// ".lumivane-<tag>.part", and "<bill>.<tag>.part" of earlier versions.
bool isOwnTemporaryName(std::string_view name)
{
    if (name.size() <= kTagLength + kTemporarySuffix.size() || !name.ends_with(kTemporarySuffix))
        return false;
    const std::string_view stem = name.substr(0, name.size() - kTemporarySuffix.size());
    const std::string_view tag = stem.substr(stem.size() - kTagLength);
    const std::string_view before = stem.substr(0, stem.size() - kTagLength);
    return isHexTag(tag) && (before == kTemporaryPrefix || before.ends_with(".html."));
}

// A temporary file of this write's own beside `target`, made exclusively: two
// writers into one reports folder (the window and a scheduled lumivane-calc)
// must never remove or rename each other's unfinished file. Its name has a
// fixed length, so a bill whose name is near the file system's limit can
// still be written. On POSIX systems the file is locked from its creation
// until it has been renamed into place: the lock marks a live writer, so the
// clean-up of another run leaves it alone.
std::FILE* createTemporaryBeside(const std::string& target, std::string& name)
{
    thread_local std::mt19937 tags{std::random_device{}()};
    const std::string folder = std::filesystem::path(target).parent_path().string();
    const std::string prefix = (folder.empty() ? std::string() : folder + "/") + std::string(kTemporaryPrefix);
    for (int attempt = 0; attempt < 16; ++attempt) {
        char tag[kTagLength + 1];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(tags()));
        name = prefix + tag + std::string(kTemporarySuffix);
        std::FILE* file = std::fopen(name.c_str(), "wbx");
        if (!file && errno != EEXIST)
            return nullptr;
#if !defined(_WIN32)
        // A clean-up that took the file between its creation and this lock has
        // removed its name: such a file is given up for a new one. A file
        // system without locks still gets the file, unlocked, as before.
        struct stat info {};
        if (file && ::flock(fileno(file), LOCK_EX) == 0 && ::fstat(fileno(file), &info) == 0 && info.st_nlink == 0) {
            std::fclose(file);
            file = nullptr;
        }
#endif
        if (file)
            return file;
    }
    errno = EEXIST;
    return nullptr;
}

// Whether a writer still holds the temporary file (POSIX: its lock). A file
// whose lock can be taken is removed while the lock is held, and only when
// its name still leads to it.
bool removeUnlessOwned(const std::filesystem::path& path)
{
#if defined(_WIN32)
    std::error_code error;
    return std::filesystem::remove(path, error);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat held {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        removed = ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
#endif
}

int systemSync(std::FILE* file)
{
#if defined(_WIN32)
    return _commit(_fileno(file));
#else
    return fsync(fileno(file));
#endif
}

std::error_code systemRename(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return error;
}

Expected<void> failedWrite(const std::string& target, const std::string& reason)
{
    return failure(target + ": cannot be written: " + reason);
}

}  // namespace

WriteCalls::WriteCalls() : sync(systemSync), rename(systemRename) {}

std::size_t removeStaleTemporaries(const std::string& folder, std::filesystem::file_time_type startedAt)
{
    std::size_t removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!isOwnTemporaryName(name) || !it->is_regular_file(error))
            continue;
        const auto modified = std::filesystem::last_write_time(it->path(), error);
        if (!error && modified < startedAt && removeUnlessOwned(it->path()))
            ++removed;
        error.clear();
    }
    return removed;
}

Expected<void> refuseInputAsTarget(const std::string& target, const std::vector<std::string>& inputs)
{
    std::error_code error;
    // A target not there yet is no input; only an existing one is compared.
    if (!std::filesystem::exists(target, error))
        return {};
    for (const std::string& input : inputs) {
        if (std::filesystem::equivalent(target, input, error)) {
            std::string reason = target;
            reason += ": not written, since it is the input ";
            reason += input;
            return failure(std::move(reason));
        }
    }
    return {};
}

Expected<void> replaceFile(std::string_view bytes, std::string_view tail, const std::string& target,
                           const WriteCalls& calls)
{
    std::string temporary;
    std::error_code ignored;
    std::FILE* file = createTemporaryBeside(target, temporary);
    if (!file)
        return failedWrite(target, std::strerror(errno));
    // The bytes reach the disk before the rename makes them the file, so a
    // power cut leaves the old file or the new one, never an empty one.
    // An empty view may hold no pointer at all, which fwrite must never be given.
    const auto writeAll = [file](std::string_view part) {
        return part.empty() || std::fwrite(part.data(), 1, part.size(), file) == part.size();
    };
    const bool ok = writeAll(bytes) && writeAll(tail) && std::fflush(file) == 0 && calls.sync(file) == 0;
    const int writeErrno = errno;
#if defined(_WIN32)
    // An open file cannot be renamed here; there is no lock to keep either.
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!ok || !closed) {
        std::filesystem::remove(temporary, ignored);
        return failedWrite(target, std::strerror(ok ? errno : writeErrno));
    }
#else
    if (!ok) {
        std::filesystem::remove(temporary, ignored);
        std::fclose(file);
        return failedWrite(target, std::strerror(writeErrno));
    }
#endif
    // Renamed while still locked, so no clean-up can take it on the way.
    const std::error_code renameError = calls.rename(temporary, target);
    if (renameError)
        std::filesystem::remove(temporary, ignored);
    if (file)
        std::fclose(file);  // everything reached the disk already; nothing is left to fail
    if (renameError)
        return failedWrite(target, renameError.message());
    return {};
}

Expected<void> exportOutput(const std::string& rBody, const std::string& rFile)
{
    return replaceFile(rBody, "\r\n", rFile);
}

}  // namespace lumivane
