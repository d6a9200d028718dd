#pragma once
// Shared by the fuzz targets: a check that aborts with its reason, so libFuzzer
// reports a broken invariant like a crash, and one scratch folder per process.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumivane::fuzz {

inline void check(bool ok, const char* what, const std::string& detail = {})
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
        std::abort();
    }
}

// Removed when the process ends normally.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumivane-fuzz-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder", pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

}  // namespace lumivane::fuzz
