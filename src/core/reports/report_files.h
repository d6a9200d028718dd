#pragma once
// Whole-file reads and writes of the reports: importInput and exportOutput.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/text/expected.h"

namespace lumivane {

// The reports menu's file name in the reports folder.
inline constexpr const char* kReportsMenuName = "menu.html";

// The whole content of a file as bytes, line ends as they stand, or the path and the reason.
Expected<std::string> importInput(const std::string& fname);

// The two system calls that make a whole-file write safe; tests wrap them to
// see the order in which a write makes them.
struct WriteCalls {
    WriteCalls();
    std::function<int(std::FILE*)> sync;  // the file's bytes to the disk; 0 on success
    std::function<std::error_code(const std::string& from, const std::string& to)> rename;
};

// Replaces `target` whole with `bytes` followed by `tail`, through a
// temporary file of this write's own beside it that reaches the disk and is
// then renamed into place. Fails with the target and the reason.
Expected<void> replaceFile(std::string_view bytes, std::string_view tail, const std::string& target,
                           const WriteCalls& calls = {});

// Writes rBody and CR LF to rFile, replacing it whole: the bytes go to a
// temporary file of this write's own beside it (".lumivane-<tag>.part"), reach
// the disk, and are then renamed into place, so the target is never left
// half-written, even with two writers at once. Fails with the path and the reason.
Expected<void> exportOutput(const std::string& rBody, const std::string& rFile);

// Fails, naming both, when `target` is the same file as one of `inputs` (same
// device and inode, so also through another name or a link): writing it would
// replace an input of the run.
Expected<void> refuseInputAsTarget(const std::string& target, const std::vector<std::string>& inputs);

// Removes the temporary files that writes killed mid-way left in `folder`:
// only this program's own names, only those last written before `startedAt`,
// and (on POSIX systems) only those no live writer holds locked. Returns how
// many were removed.
std::size_t removeStaleTemporaries(const std::string& folder, std::filesystem::file_time_type startedAt);

}  // namespace lumivane
