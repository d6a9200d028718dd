#include "core/gateway/log_file.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace lumivane {
namespace {

std::string reasonFromErrno(int error, const char* fallback)
{
    return error != 0 ? std::generic_category().message(error) : fallback;
}

}  // namespace

Expected<void> appendLogRecord(const std::filesystem::path& path, std::string_view record)
{
    errno = 0;
    // Binary mode keeps the CR LF exactly as given on every platform.
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out)
        return failure("cannot open " + path.string() +
                       " for appending: " + reasonFromErrno(errno, "cannot be opened"));
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    out.close();
    // Closing flushes, so a full disk shows up here rather than being lost silently.
    if (out.fail())
        return failure("cannot write " + path.string() + ": " + reasonFromErrno(errno, "write failed"));
    return {};
}

}  // namespace lumivane
