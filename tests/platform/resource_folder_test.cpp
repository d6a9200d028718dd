#include "platform/resource_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/user_folders.h"
#include "support/temp_dir.h"

using lumivane::resourceFolderFor;
using lumivane::test::TempDir;

namespace {

// Each tree holds the files of the places looked at after the one that must win,
// so a wrong order or a missed place shows: beside the program, beside the real
// program a link points at, then its ../share/lumivane; nothing found is "beside".
// Files below the root, blank-separated; an optional link below the root and its target as written.
const struct {
    const char *name, *files, *link, *target, *executable, *expected;
} kLayouts[] = {
    // The link's own tree has a share folder too; the real program's data wins.
    {"link beside another share folder",
     "usr/bin/lumivane usr/share/lumivane/billtemplate.html opt/share/lumivane/billtemplate.html", "opt/bin/lumivane",
     "../../usr/bin/lumivane", "opt/bin/lumivane", "usr/share/lumivane/"},
    // A build folder inside an installed-looking tree runs with its own copies.
    {"beside wins over share", "usr/bin/lumivane usr/bin/billtemplate.html usr/share/lumivane/billtemplate.html", "",
     "", "usr/bin/lumivane", "usr/bin/"},
    // Only the bill template marks the folder: a picture alone is not the set.
    {"stray picture beside", "usr/bin/lumivane usr/bin/gr1.bmp usr/share/lumivane/billtemplate.html", "", "",
     "usr/bin/lumivane", "usr/share/lumivane/"},
    {"nothing anywhere", "usr/bin/lumivane", "", "", "usr/bin/lumivane", "usr/bin/"},
};

TEST(ResourceFolder, FoundBesideThenUnderShareThroughLinks)
{
    for (const auto& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const TempDir tree;
        const std::filesystem::path root = std::filesystem::canonical(tree.path());
        std::istringstream files(layout.files);
        for (std::string file; files >> file;)
            tree.write(file, "x");
        if (*layout.link) {
            std::filesystem::create_directories((root / layout.link).parent_path());
            std::filesystem::create_symlink(layout.target, root / layout.link);
        }
        const QString found = resourceFolderFor(QString::fromStdString((root / layout.executable).string()));
        EXPECT_EQ(found.toStdString(), (root / layout.expected).string());
    }
}

// The bills' logo is copied whole when missing and kept when there; a folder
// of its name is no logo, and it stays a folder.
TEST(ReportLogo, CopiedWhenMissingKeptWhenThereAndNeverAFolder)
{
    const TempDir tree;
    const auto at = [&](const char* folder) { return QString::fromStdString((tree.path() / folder).string() + "/"); };
    tree.write("program/reportlogo.jpg", std::string("\xFF\xD8\0jpeg", 7));
    tree.write("kept/reportlogo.jpg", "theirs");
    std::filesystem::create_directories(tree.path() / "folder/reportlogo.jpg");
    std::filesystem::create_directories(tree.path() / "fresh");
    EXPECT_TRUE(lumivane::provideReportLogo(at("program"), at("fresh")) &&
                lumivane::provideReportLogo(at("program"), at("kept")));
    EXPECT_EQ(lumivane::test::readFile(tree.path() / "fresh/reportlogo.jpg"), std::string("\xFF\xD8\0jpeg", 7));
    EXPECT_EQ(lumivane::test::readFile(tree.path() / "kept/reportlogo.jpg"), "theirs");
    EXPECT_FALSE(lumivane::provideReportLogo(at("program"), at("folder")));
    EXPECT_TRUE(std::filesystem::is_directory(tree.path() / "folder/reportlogo.jpg"));
}

}  // namespace
