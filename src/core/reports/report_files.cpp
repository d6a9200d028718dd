#include "core/reports/report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#if defined(_WIN32)
#include <io.h>
#else
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
// still be written.
std::FILE* createTemporaryBeside(const std::string& target, std::string& name)
{
    thread_local std::mt19937 tags{std::random_device{}()};
    const std::string folder = std::filesystem::path(target).parent_path().string();
    const std::string prefix = (folder.empty() ? std::string() : folder + "/") + std::string(kTemporaryPrefix);
    for (int attempt = 0; attempt < 16; ++attempt) {
        char tag[kTagLength + 1];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(tags()));
        name = prefix + tag + std::string(kTemporarySuffix);
        if (std::FILE* file = std::fopen(name.c_str(), "wbx"))
            return file;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

// The bytes reach the disk before the rename makes them the page, so a power
// cut leaves the old page or the new one, never an empty file.
bool flushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return false;
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

std::size_t removeStaleTemporaries(const std::string& folder, std::filesystem::file_time_type startedAt)
{
    std::size_t removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!isOwnTemporaryName(name) || !it->is_regular_file(error))
            continue;
        const auto modified = std::filesystem::last_write_time(it->path(), error);
        if (!error && modified < startedAt && std::filesystem::remove(it->path(), error))
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
        if (std::filesystem::equivalent(target, input, error))
            return failure(target + ": not written, since it is the input " + input);
    }
    return {};
}

Expected<void> exportOutput(const std::string& rBody, const std::string& rFile)
{
    std::string temporary;
    std::error_code ignored;
    std::FILE* file = createTemporaryBeside(rFile, temporary);
    if (!file)
        return failure(rFile + ": cannot be written: " + std::strerror(errno));
    bool ok = std::fwrite(rBody.data(), 1, rBody.size(), file) == rBody.size() &&
              std::fwrite("\r\n", 1, 2, file) == 2 && flushToDisk(file);
    int writeErrno = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        writeErrno = errno;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ignored);
        return failure(rFile + ": cannot be written: " + std::strerror(writeErrno));
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, rFile, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, ignored);
        return failure(rFile + ": cannot be written: " + renameError.message());
    }
    return {};
}

}  // namespace lumivane
