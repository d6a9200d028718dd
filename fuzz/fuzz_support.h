#pragma once
// Small helpers shared by the fuzz targets: a scratch folder that lives as
// long as the fuzzing process, and a check that aborts with a reason, so a
// broken invariant is reported by libFuzzer like any crash.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumivane::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

inline void check(bool ok, const char* what, const std::string& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// One folder under the system's temporary folder for the whole process,
// removed when the process ends normally.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        // Memory-backed when the system has it: a run writes and deletes files thousands of times a second.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "lumivane-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            fail("cannot make a scratch folder", pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

}  // namespace lumivane::fuzz
