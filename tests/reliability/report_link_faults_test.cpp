// File names that carry characters the reports menu's link lists use
// themselves: every bill must still get exactly one link, to itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/tariff/calculation_run.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::FixedClock;
using lumivane::test::readFile;
using lumivane::test::TempDir;

namespace {

const char* kLog = "Status,Timestamp,Value\r\n"
                   "0,01/03/2012 00:00,1000\r\n"
                   "0,01/03/2012 12:00,1012.5\r\n";

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

}  // namespace

TEST(ReportLinkFaults, BarInAFileNameStillGivesOneLinkPerBill)
{
    TempDir dir;
    FixedClock clock;
    SettingsRecord settings;
    settings.settingsExport = 1;
    GraphState graph;
    const std::string reports = (dir.path() / "reports").string() + "/";
    std::filesystem::create_directories(reports);
    CalculationRun run(settings, ReportEnvironment{reports, LUMIVANE_RESOURCES_DIR, &clock, "OFFICE-PC"}, graph,
                       defaultGraphPalette());

    // "|" is an ordinary file-name character on this platform.
    const FileOutcome out = run.calculateFile(dir.write("logs/north|south.csv", kLog), DateScope{}, nullptr);
    ASSERT_TRUE(out.billWritten) << out.error;
    EXPECT_TRUE(std::filesystem::exists(reports + "NORTH|SOUTH.html"));
    const auto menu = run.buildReportsMenu();
    ASSERT_TRUE(menu.ok()) << menu.error().reason;

    const std::string page = readFile(*menu);
    EXPECT_NE(page.find("Number of reports: 1<"), std::string::npos) << page;
    EXPECT_EQ(countOf(page, "<a href="), 1u) << page;
    EXPECT_NE(page.find("NORTH%7CSOUTH.html'>NORTH|SOUTH</a>"), std::string::npos) << page;
}
