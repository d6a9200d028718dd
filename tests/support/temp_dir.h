#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace lumivane::test {

// A fresh folder on the real disk, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes the bytes as they stand to a file below the folder; returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// The whole content of a file as bytes ("" when it cannot be read).
std::string readFile(const std::filesystem::path& path);

// The folder of the test fixtures (tests/data).
std::filesystem::path testDataDir();

}  // namespace lumivane::test
