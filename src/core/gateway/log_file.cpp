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

LogAppendResult appendLogRecord(const std::filesystem::path& path, std::string_view record)
{
    LogAppendResult result;
    errno = 0;
    // Binary mode keeps the CR LF exactly as given on every platform.
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) {
        result.error = "cannot open " + path.string() + " for appending: " +
                       reasonFromErrno(errno, "cannot be opened");
        return result;
    }
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    out.close();
    // Closing flushes, so a full disk shows up here rather than being lost silently.
    if (out.fail())
        result.error = "cannot write " + path.string() + ": " + reasonFromErrno(errno, "write failed");
    return result;
}

}  // namespace lumivane
