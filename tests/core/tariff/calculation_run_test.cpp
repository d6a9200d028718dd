#include "core/tariff/calculation_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/graph/recording_bar_sink.h"
#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::readFile;
using lumivane::test::RunFixture;
using lumivane::test::templateLine;

namespace {

const std::string kPound = "\xC2\xA3";

}  // namespace

// A file that cannot be read or calculated is one line naming it and why;
// nothing of it is booked, billed or linked, and the next file is calculated.
TEST(CalculationRun, UnreadableFilesGetOneLineAndTheRunGoesOn)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    std::filesystem::create_directories(f.dir.path() / "logs" / "folder.csv");
    const std::string logs = f.dir.path().string() + "/logs/";
    CalculationRun run = f.run();
    std::string text = run.headerText();
    for (const std::string& path : {RunFixture::meterLog("site1.csv"), logs + "gone.csv", f.file("logs/empty.csv", ""),
                                    logs + "folder.csv", RunFixture::meterLog("bad_value.csv"),
                                    RunFixture::meterLog("unknown_month.csv"), RunFixture::meterLog("few_fields.csv"),
                                    RunFixture::meterLog("title_line.csv"), RunFixture::meterLog("site2.csv")})
        text += run.calculateFile(path, DateScope{}, nullptr).text;
    // The whole text: header, blocks, one line per unreadable file, grand totals.
    EXPECT_EQ(text + run.grandTotalsText(), readFile(test::testDataDir() / "run_text" / "unreadable_files.txt"));
    const MenuOutcome menu = run.buildReportsMenu();
    EXPECT_EQ(menu.path, f.reports + "menu.html");
    const std::string page = readFile(menu.path);
    EXPECT_EQ(templateLine(page, "N"), "2");
    EXPECT_EQ(templateLine(page, "T"), kPound + "2.43");
    EXPECT_EQ(templateLine(page, "G"), "Reports Generated on 05/12/2026 from OFFICE-PC");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.reports), {}), 3);  // two bills and the menu
}

// A bill or menu that cannot be written keeps the results block and names the path and why.
TEST(CalculationRun, ReportsThatCannotBeWrittenNameThePathAndKeepTheResults)
{
    const char* faults[] = {"no bill template", "menu template lacking a placeholder", "reports folder that is a file",
                            "reports folder without write permission"};
    for (int fault = 0; fault < 4; ++fault) {
        SCOPED_TRACE(faults[fault]);
        RunFixture f;
        f.settings.settingsExport = 1;
        f.program = f.dir.path().string() + "/program/";
        if (fault != 0)
            f.file("program/billtemplate.html", RunFixture::billTemplate());
        f.file("program/menutemplate.html", fault == 1 ? "<html>%numberofreports</html>" : RunFixture::menuTemplate());
        if (fault == 2)
            f.reports = f.file("blocked", "not a folder") + "/";
        const auto locked = fault == 3 ? std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec
                                       : std::filesystem::perms::owner_all;
        std::filesystem::permissions(f.dir.path() / "reports", locked);
        CalculationRun run = f.run();
        const FileOutcome out = run.calculateFile(RunFixture::meterLog("site1.csv"), DateScope{}, nullptr);
        const MenuOutcome menu = run.buildReportsMenu();
        std::filesystem::permissions(f.dir.path() / "reports", std::filesystem::perms::owner_all);
        if (fault == 3 && out.billWritten)
            GTEST_SKIP() << "running with rights that ignore folder permissions";
        const std::string named = fault == 0 ? "template " + f.program + "billtemplate.html" : f.reports + "SITE1.html";
        EXPECT_EQ(out.error.rfind("meterlogs/site1.csv: no bill: the bill " + named, 0), fault == 1 ? std::string::npos : 0u)
            << out.error;
        EXPECT_EQ(out.text.rfind("meterlogs/site1.csv results...\r\n", 0), 0u);
        EXPECT_EQ(menu.written, fault == 0);
        EXPECT_NE(menu.error.find(fault == 1 ? "%listoflinks" : fault ? f.reports + "menu.html" : ""), std::string::npos)
            << menu.error;
        EXPECT_EQ(readFile(f.dir.path() / "blocked"), fault == 2 ? "not a folder" : "");
    }
}

// Each file takes the next colour pair; its pre-scan sets the scale from its largest step.
TEST(CalculationRun, ColourPairsAdvanceByTwoPerFileAndExportZeroWritesNothing)
{
    RunFixture f;
    f.settings.settingsMultiplier = 10;  // the graph draws the meter's own steps
    CalculationRun run = f.run();
    test::RecordingBarSink sink;
    run.calculateFile(RunFixture::meterLog("site1.csv"), DateScope{}, &sink);
    run.calculateFile(RunFixture::meterLog("site2.csv"), DateScope{}, &sink);
    ASSERT_EQ(sink.bars.size(), 3u);
    EXPECT_EQ(sink.bars[0].colour, f.palette[2]);  // day bar of the first file
    EXPECT_EQ(sink.bars[1].colour, f.palette[3]);  // its night bar
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);           // largest step 12.5, two steps of 237 pixels
    EXPECT_FLOAT_EQ(sink.bars[1].x1, 48 + 237);
    EXPECT_FLOAT_EQ(sink.bars[1].y2, static_cast<float>(55 + 53.0 / 12.5 * 3));
    EXPECT_EQ(sink.bars[2].colour, f.palette[4]);
    EXPECT_FLOAT_EQ(sink.bars[2].x1, 48);
    EXPECT_FALSE(run.buildReportsMenu().written);
    EXPECT_TRUE(std::filesystem::is_empty(f.reports));
}

// Whole days from the start day, across a leap day; only the month of the first reading is booked.
TEST(CalculationRun, ScopeIsReadAfreshForEachFile)
{
    RunFixture f;
    CalculationRun run = f.run();
    const std::string path = RunFixture::meterLog("site1.csv");
    const FileOutcome scoped = run.calculateFile(path, DateScope{true, "1", "3", "2012", "1"}, nullptr);
    EXPECT_NE(scoped.text.find("From 01/03/2012 00:00 to 01/03/2012 12:00\r\n    Day Total: 12.500 kWh"),
              std::string::npos) << scoped.text;
    EXPECT_EQ(run.calculateFile(path, DateScope{true, "31", "4", "2012", "7"}, nullptr).text,
              "meterlogs/site1.csv: the scope start 31/4/2012 is no calendar date\r\n\r\n");
    const FileOutcome leap =
        run.calculateFile(RunFixture::meterLog("leap_scope.csv"), DateScope{true, "28", "2", "2012", "3"}, nullptr);
    EXPECT_NE(leap.text.find("From 28/02/2012 00:00 to 01/03/2012 23:59\r\n    Day Total: 1.000 kWh"),
              std::string::npos) << leap.text;
}
