#include "core/tariff/calculation_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <sys/stat.h>

#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::readFile;
using lumivane::test::RunFixture;
using lumivane::test::templateLine;

// A file that cannot be read or calculated is one line naming it and why;
// nothing of it is booked, billed or linked, and the next file is calculated.
TEST(CalculationRun, UnreadableFilesGetOneLineAndTheRunGoesOn)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    std::filesystem::create_directories(f.dir.path() / "logs" / "folder.csv");
    const std::string logs = f.dir.path().string() + "/logs/";
    ASSERT_EQ(::mkfifo((logs + "fifo.csv").c_str(), 0600), 0);  // a pipe with no writer: opening it would hang
    // Steps of -2e308 and 2e308 are infinities: no money, no bill, nothing added to the totals.
    const std::string huge = f.file("logs/huge.csv", "S,T,V\r\n0,1/3/2012 8:00,1e308\r\n0,1/3/2012 9:00,-1e308\r\n"
                                                     "0,1/3/2012 10:00,1e308\r\n");
    CalculationRun run = f.run();
    std::string text = run.headerText();
    for (const std::string& path : {RunFixture::meterLog("site1.csv"), logs + "gone.csv", f.file("logs/empty.csv", ""),
                                    logs + "folder.csv", std::string("/dev/zero"), logs + "fifo.csv", huge,
                                    RunFixture::meterLog("unknown_month.csv"), RunFixture::meterLog("few_fields.csv"),
                                    RunFixture::meterLog("title_line.csv"), RunFixture::meterLog("site2.csv")})
        text += run.calculateFile(path, DateScope{}, nullptr).text;
    // The whole text: header, blocks, one line per unreadable file, grand totals.
    EXPECT_EQ(text + run.grandTotalsText(), readFile(test::testDataDir() / "run_text" / "unreadable_files.txt"));
    const auto menu = run.buildReportsMenu();
    const std::string page = readFile(*menu);
    EXPECT_EQ(templateLine(page, "N"), "2");
    EXPECT_EQ(templateLine(page, "T"), "\u00A3"
                                       "2.43");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.reports), {}), 3);  // two bills and the menu
}

// An exporting run removes its own temporaries left from before it and nothing
// else; a name near the file system's limit, or one that is the menu's, still
// gets a bill of its own.
TEST(CalculationRun, ExportTidiesItsTemporariesAndGivesEveryBillItsOwnName)
{
    namespace fs = std::filesystem;
    RunFixture f;
    f.settings.settingsExport = 1;
    const std::string stale = f.file("reports/.lumivane-0123abcd.part", "<html><bo");
    const std::string newer = f.file("reports/.lumivane-89abcdef.part", "<html>");
    const std::string foreign = f.file("reports/notes.part", "x");
    fs::last_write_time(stale, fs::last_write_time(stale) - std::chrono::hours(1));
    fs::last_write_time(foreign, fs::last_write_time(stale));
    fs::last_write_time(newer, fs::last_write_time(newer) + std::chrono::hours(1));
    CalculationRun run = f.run();
    EXPECT_TRUE(!fs::exists(stale) && fs::exists(newer) && fs::exists(foreign));
    const std::string log = readFile(RunFixture::meterLog("site1.csv"));
    EXPECT_TRUE(
        run.calculateFile(f.file("logs/" + std::string(236, 'n') + ".csv", log), DateScope{}, nullptr).billWritten);
    const FileOutcome menuLog = run.calculateFile(f.file("logs/menu.csv", log), DateScope{}, nullptr);
    EXPECT_EQ(menuLog.billPath, f.reports + "MENU-bill.html");
    EXPECT_NE(menuLog.text.find("logs/menu.csv: the bill is named MENU-bill.html"), std::string::npos) << menuLog.text;
}

// A bill or menu that cannot be written keeps the results block and names the path and why.
TEST(CalculationRun, ReportsThatCannotBeWrittenNameThePathAndKeepTheResults)
{
    for (const bool templateMissing : {true, false}) {
        SCOPED_TRACE(templateMissing ? "no bill template" : "reports folder that is a file");
        RunFixture f;
        f.settings.settingsExport = 1;
        f.program = f.dir.path().string() + "/program/";
        f.file("program/menutemplate.html", RunFixture::menuTemplate());
        if (!templateMissing) {
            f.file("program/billtemplate.html", RunFixture::billTemplate());
            f.reports = f.file("blocked", "not a folder") + "/";
        }
        CalculationRun run = f.run();
        const FileOutcome out = run.calculateFile(RunFixture::meterLog("site1.csv"), DateScope{}, nullptr);
        const auto menu = run.buildReportsMenu();
        const std::string named =
            templateMissing ? "template " + f.program + "billtemplate.html" : f.reports + "SITE1.html";
        EXPECT_EQ(out.status.error().reason.rfind("meterlogs/site1.csv: no bill: the bill " + named, 0), 0u);
        EXPECT_EQ(out.text.rfind("meterlogs/site1.csv results...\r\n", 0), 0u);
        EXPECT_EQ(menu.ok(), templateMissing);
        const std::string why = menu ? "" : menu.error().reason;
        EXPECT_NE(why.find(templateMissing ? "" : f.reports + "menu.html"), std::string::npos) << why;
    }
}

// Whole days from the start day, across a leap day; only the month of the first reading is booked.
TEST(CalculationRun, ScopeIsReadAfreshForEachFileAndExportZeroWritesNothing)
{
    RunFixture f;
    CalculationRun run = f.run();
    const std::string path = RunFixture::meterLog("site1.csv");
    const FileOutcome scoped = run.calculateFile(path, DateScope{true, "1", "3", "2012", "1"}, nullptr);
    EXPECT_NE(scoped.text.find("From 01/03/2012 00:00 to 01/03/2012 12:00\r\n    Day Total: 12.500 kWh"),
              std::string::npos)
        << scoped.text;
    EXPECT_EQ(run.calculateFile(path, DateScope{true, "31", "4", "2012", "7"}, nullptr).text,
              "meterlogs/site1.csv: the scope start 31/4/2012 is no calendar date\r\n\r\n");
    const FileOutcome leap =
        run.calculateFile(RunFixture::meterLog("leap_scope.csv"), DateScope{true, "28", "2", "2012", "3"}, nullptr);
    EXPECT_NE(leap.text.find("From 28/02/2012 00:00 to 01/03/2012 23:59\r\n    Day Total: 1.000 kWh"),
              std::string::npos)
        << leap.text;
    // Export 0 writes neither bills nor a menu.
    EXPECT_FALSE(run.buildReportsMenu().ok());
    EXPECT_TRUE(std::filesystem::is_empty(f.reports));
}

// After the grand totals, one line per data note; a clean file has none. Notes
// change no figure and are listed, escaped, in the file's bill.
TEST(CalculationRun, DataNotesFollowTheGrandTotalsAndJoinTheBill)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    CalculationRun run = f.run();
    const std::pair<const char*, DateScope> files[] = {
        {"site1.csv", {}},           {"reset_gap_month.csv", {}},
        {"thirteen_months.csv", {}}, {"skipped_lines.csv", {}},
        {"no_readings.csv", {}},     {"site2.csv", {true, "1", "6", "2023", "30"}},
        {"utf16.csv", {}},           {".csv", {}}};
    std::string text = run.headerText();
    for (const auto& [log, scope] : files)
        text += run.calculateFile(RunFixture::meterLog(log), scope, nullptr).text;
    EXPECT_EQ(text + run.closingText(), readFile(test::testDataDir() / "run_text" / "data_notes.txt"));
    EXPECT_EQ(templateLine(readFile(f.reports + "SITE1.html"), "N"), "");
    EXPECT_EQ(templateLine(readFile(f.reports + "SKIPPED_LINES.html"), "N"),
              "<section class='notes'><h2>Data notes</h2><ul><li>1 line skipped because the timestamp is no date; the "
              "first, line 2: &quot;31/02/2012 10:00&quot;</li></ul></section>");
    EXPECT_TRUE(std::filesystem::exists(f.reports + "CSV.html"));
}

// --each-month stops at the run's cap with one line naming what was left out; a
// month's notes are labelled with it, and a file with no month keeps its block and note.
TEST(CalculationRun, EachMonthIsCappedAndLabelsItsNotes)
{
    RunFixture f;
    CalculationRun run = f.run();
    std::string log = "S,T,V\r\n";
    for (int m = 0; m <= static_cast<int>(kMaxMonthsPerRun) + 1; ++m)
        log += "0,1/" + std::to_string(m % 12 + 1) + "/" + std::to_string(1900 + m / 12) + " 10:00,1\r\n";
    const auto months = run.calculateFileByMonth(f.file("logs/long.csv", log), {});
    ASSERT_EQ(months.size(), kMaxMonthsPerRun + 1);
    EXPECT_EQ(months.back().text, "logs/long.csv: 2 months from 2000-01 on were left out: a run shows at most 1200 "
                                  "months\r\n\r\n");
    EXPECT_EQ(run.calculateFileByMonth(RunFixture::meterLog("site1.csv"), {}).front().calculated, false);

    CalculationRun notesRun = f.run();
    notesRun.calculateFileByMonth(f.file("logs/fall.csv", "S,T,V\r\n0,30/4/2012 10:00,5\r\n0,1/5/2012 10:00,3\r\n"),
                                  {});
    const auto none = notesRun.calculateFileByMonth(f.file("logs/none.csv", "S,T,V\r\n0,x,1\r\n"), {});
    EXPECT_TRUE(none.size() == 1 && none[0].text.rfind("logs/none.csv results...", 0) == 0);
    EXPECT_NE(notesRun.closingText().find("logs/fall.csv 2012-05: 1 falling reading"), std::string::npos);
    EXPECT_NE(notesRun.closingText().find("logs/none.csv: no reading was booked"), std::string::npos);
}
