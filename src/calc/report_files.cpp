#include "calc/report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "meterdata/meter_log_reader.h"

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

std::string exportOutput(const std::string& rBody, const std::string& rFile)
{
    const std::string temporary = rFile + ".part";
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);  // a leftover of an earlier crash
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
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
