#include "core/reports/report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/meterdata/meter_log_reader.h"

namespace lumivane {

ImportedText importInput(const std::string& fname)
{
    ImportedText result;
    FileBuffer buffer;
    if (const auto error = buffer.load(fname)) {
        result.error = fname + ": " + error->reason;
        return result;
    }
    result.ok = true;
    result.text.assign(buffer.bytes());
    return result;
}

namespace {

// A temporary file of this write's own beside `target`, made exclusively: two
// writers into one reports folder (the window and a scheduled lumivane-calc)
// must never remove or rename each other's unfinished file.
std::FILE* createTemporaryBeside(const std::string& target, std::string& name)
{
    thread_local std::mt19937 tags{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(tags()));
        name = target + "." + tag + ".part";
        if (std::FILE* file = std::fopen(name.c_str(), "wbx"))
            return file;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

}  // namespace

std::string exportOutput(const std::string& rBody, const std::string& rFile)
{
    std::string temporary;
    std::error_code ignored;
    std::FILE* file = createTemporaryBeside(rFile, temporary);
    if (!file)
        return rFile + ": cannot be written: " + std::strerror(errno);
    bool ok = std::fwrite(rBody.data(), 1, rBody.size(), file) == rBody.size() &&
              std::fwrite("\r\n", 1, 2, file) == 2;
    int writeErrno = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        writeErrno = errno;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ignored);
        return rFile + ": cannot be written: " + std::strerror(writeErrno);
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, rFile, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, ignored);
        return rFile + ": cannot be written: " + renameError.message();
    }
    return {};
}

}  // namespace lumivane
