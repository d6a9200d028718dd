#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace lumivane::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lumivane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    path_ = pattern;
}

TempDir::~TempDir()
{
    // Tests may take rights away to make writes fail; give them back so everything goes.
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const
{
    const auto file = path_ / std::filesystem::path(std::string(name));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    return file.string();
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path testDataDir()
{
    const char* dir = std::getenv("LUMIVANE_TEST_DATA");
    return dir ? std::filesystem::path(dir) : std::filesystem::path(LUMIVANE_TEST_DATA_DIR);
}

}  // namespace lumivane::test
