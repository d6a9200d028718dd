#include "core/tariff/calculation_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/reports/report_templates.h"
#include "core/graph/recording_bar_sink.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::FixedClock;
using lumivane::test::readFile;
using lumivane::test::RecordingBarSink;
using lumivane::test::TempDir;

namespace {

const std::string kPound = "\xC2\xA3";

// 12.5 kWh by day and 3 by night on 1..31 March 2012.
const char* kSite1 = "Status,Timestamp,Value\r\n"
                     "0,01/03/2012 00:00,1000\r\n"
                     "0,01/03/2012 12:00,1012.5\r\n"
                     "0,31/03/2012 23:30,1015.5\r\n";

// 1 kWh by day on 2 March 2012.
const char* kSite2 = "Status,Timestamp,Value\r\n"
                     "0,02/03/2012 08:00,5\r\n"
                     "0,02/03/2012 09:00,6\r\n";

struct RunFixture {
    TempDir dir;
    FixedClock clock{"05/12/2026"};
    SettingsRecord settings;
    GraphState graph;
    GraphPalette palette = defaultGraphPalette();
    std::string reports;
    std::string program;

    RunFixture()
    {
        reports = (dir.path() / "reports").string() + "/";
        program = (dir.path() / "program").string() + "/";
        std::filesystem::create_directories(reports);
        std::filesystem::create_directories(program);
    }
    void withTemplates()
    {
        dir.write("program/billtemplate.html", lumivane::test::kBillTemplate);
        dir.write("program/menutemplate.html", lumivane::test::kMenuTemplate);
    }
    ReportEnvironment environment() const { return ReportEnvironment{reports, program, &clock, "OFFICE-PC"}; }
    std::string log(const std::string& name, const std::string& bytes) const { return dir.write("logs/" + name, bytes); }
};

std::string siteBlock(const std::string& label)
{
    return label + " results...\r\n"
           "From 01/03/2012 00:00 to 31/03/2012 23:30\r\n"
           "    Day Total: 12.500 kWh, " + kPound + "2.00\r\n"
           "    Night Total: 3.000 kWh, " + kPound + "0.27\r\n"
           "    Total: 15.500 kWh, " + kPound + "2.27\r\n";
}

}  // namespace

// The whole text of a run, header, blocks and totals, is pinned below with
// unreadable files among good ones; here the header's plain form and Export 0.
TEST(CalculationRun, HeaderShowsTheTariffsInPlainFormAndExportZeroWritesNothing)
{
    RunFixture f;
    f.settings.settingsMultiplier = 2.5;
    f.withTemplates();
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    EXPECT_EQ(run.headerText(),
              "Day Tariff: 0.16, Night Tariff: 0.09, Multiplier: 2.5\r\n" + std::string(79, '-') + "\r\n");
    EXPECT_TRUE(run.calculateFile(f.log("site1.csv", kSite1), DateScope{}, nullptr).calculated);
    EXPECT_FALSE(run.buildReportsMenu().ok());
    EXPECT_TRUE(std::filesystem::is_empty(f.reports));
}

TEST(CalculationRun, UnreadableFilesGetOneLineAndAddNothing)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.withTemplates();
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const std::string good1 = f.log("site1.csv", kSite1);
    const std::string missing = (f.dir.path() / "logs" / "gone.csv").string();
    const std::string empty = f.log("empty.csv", "");
    const std::string badValue = f.log("bad.csv", "S,T,V\r\n0,01/03/2012 00:00,1\r\n0,01/03/2012 01:00,1x\r\n");
    const std::string badMonth = f.log("month.csv", "M,T,V\r\nMeter-0001,05-Mrz-2012 14:30:07.250,1\r\n");
    const std::string fewFields = f.log("few.csv", "G,Gateway SN\r\nh\r\nh\r\nh\r\nh\r\nh\r\nh\r\n0,M,05/03/2012 10:00\r\n");
    const std::string noComma = f.log("title.csv", "A title line\r\n0,05/03/2012 10:00,1\r\n");
    const std::string good2 = f.log("site2.csv", kSite2);

    std::string text = run.headerText();
    std::vector<bool> calculated;
    for (const std::string& path : {good1, missing, empty, badValue, badMonth, fewFields, noComma, good2}) {
        const FileOutcome out = run.calculateFile(path, DateScope{}, nullptr);
        calculated.push_back(out.calculated);
        text += out.text;
    }
    text += run.grandTotalsText();
    EXPECT_EQ(calculated, (std::vector<bool>{true, false, false, false, false, false, false, true}));

    const std::string expected =
        "Day Tariff: 0.16, Night Tariff: 0.09, Multiplier: 1\r\n" + std::string(79, '-') + "\r\n" +
        siteBlock("logs/site1.csv") + "\r\n" +
        "logs/gone.csv: the file cannot be opened: No such file or directory\r\n\r\n"
        "logs/empty.csv: the file is empty\r\n\r\n"
        "logs/bad.csv: line 3: the value \"1x\" is not a number\r\n\r\n"
        "logs/month.csv: line 2: the month \"Mrz\" in the timestamp \"05-Mrz-2012 14:30:07.250\" is unknown\r\n\r\n"
        "logs/few.csv: line 8: the line has 3 fields, but its timestamp and value need 5\r\n\r\n"
        "logs/title.csv: line 1: the first line has no \",\", so its layout cannot be recognised\r\n\r\n"
        "logs/site2.csv results...\r\n"
        "From 02/03/2012 08:00 to 02/03/2012 09:00\r\n"
        "    Day Total: 1.000 kWh, " + kPound + "0.16\r\n"
        "    Night Total: 0.000 kWh, " + kPound + "0.00\r\n"
        "    Total: 1.000 kWh, " + kPound + "0.16\r\n\r\n"
        "--------------------------------- TOTAL ---------------------------------\r\n"
        "  Total - Day: 13.500 kWh, " + kPound + "2.16\r\n"
        "Total - Night: 3.000 kWh, " + kPound + "0.27\r\n"
        "        Total: 16.500 kWh, " + kPound + "2.43\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_DOUBLE_EQ(run.grandDayUnits(), 13.5);

    // Only the two good files have bills, and only they are in the menu.
    const auto menu = run.buildReportsMenu();
    ASSERT_TRUE(menu.ok()) << menu.error().reason;
    EXPECT_EQ(*menu, f.reports + "menu.html");
    const std::string page = readFile(*menu);
    EXPECT_NE(page.find("N=2\r\n"), std::string::npos) << page;
    EXPECT_NE(page.find(">SITE1</a><br><a href='file://" + f.reports + "SITE2.html'>SITE2</a>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("T=" + kPound + "2.43\r\n"), std::string::npos) << page;
    EXPECT_TRUE(std::filesystem::exists(f.reports + "SITE1.html"));
    EXPECT_TRUE(std::filesystem::exists(f.reports + "SITE2.html"));
    EXPECT_FALSE(std::filesystem::exists(f.reports + "BAD.html"));
}

TEST(CalculationRun, WritesBillsAndMenuWithEscapedNames)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.withTemplates();
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const FileOutcome out = run.calculateFile(f.log("a&b<c>.csv", kSite1), DateScope{}, nullptr);
    ASSERT_TRUE(out.calculated);
    EXPECT_TRUE(out.billWritten) << out.error;
    EXPECT_EQ(out.billPath, f.reports + "A&B<C>.html");
    const std::string bill = readFile(out.billPath);
    EXPECT_NE(bill.find("<title>A&amp;B&lt;C&gt;</title>"), std::string::npos) << bill;
    EXPECT_NE(bill.find("G=Report Generated on 05/12/2026 from OFFICE-PC\r\n"), std::string::npos);
    EXPECT_NE(bill.find("D=1/3/2012 - 31/3/2012\r\n"), std::string::npos);

    const auto menu = run.buildReportsMenu();
    ASSERT_TRUE(menu.ok()) << menu.error().reason;
    const std::string page = readFile(*menu);
    EXPECT_NE(page.find("A%26B%3CC%3E.html'>A&amp;B&lt;C&gt;</a>"), std::string::npos) << page;
    EXPECT_NE(page.find("G=Reports Generated on 05/12/2026 from OFFICE-PC"), std::string::npos);
}

TEST(CalculationRun, MissingBillTemplateKeepsTheBlockAndNamesTheReason)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.dir.write("program/menutemplate.html", lumivane::test::kMenuTemplate);
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const FileOutcome out = run.calculateFile(f.log("site1.csv", kSite1), DateScope{}, nullptr);
    EXPECT_TRUE(out.calculated);
    EXPECT_FALSE(out.billWritten);
    EXPECT_EQ(out.text.rfind(siteBlock("logs/site1.csv"), 0), 0u);
    EXPECT_NE(out.text.find("logs/site1.csv: no bill: the bill template " + f.program + "billtemplate.html"),
              std::string::npos)
        << out.text;
    EXPECT_EQ(out.text.substr(out.text.size() - 4), "\r\n\r\n");
    EXPECT_NE(run.grandTotalsText().find("15.500 kWh"), std::string::npos);

    const auto menu = run.buildReportsMenu();
    ASSERT_TRUE(menu.ok()) << menu.error().reason;
    EXPECT_NE(readFile(*menu).find("N=0\r\n"), std::string::npos);
}

TEST(CalculationRun, MenuTemplateLackingAPlaceholderWritesNoMenu)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.dir.write("program/menutemplate.html", "<html>%numberofreports</html>");
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const auto menu = run.buildReportsMenu();
    EXPECT_FALSE(menu.ok());
    EXPECT_NE(menu.error().reason.find("%listoflinks"), std::string::npos) << menu.error().reason;
    EXPECT_FALSE(std::filesystem::exists(f.reports + "menu.html"));
}

TEST(CalculationRun, UnwritableReportsFolderNamesThePath)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.withTemplates();
    std::filesystem::permissions(f.reports, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const FileOutcome out = run.calculateFile(f.log("site1.csv", kSite1), DateScope{}, nullptr);
    const auto menu = run.buildReportsMenu();
    std::filesystem::permissions(f.reports, std::filesystem::perms::owner_all);
    if (out.billWritten)
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_NE(out.error.find(f.reports + "SITE1.html"), std::string::npos) << out.error;
    EXPECT_FALSE(menu.ok());
    EXPECT_NE(menu.error().reason.find(f.reports + "menu.html"), std::string::npos) << menu.error().reason;
    EXPECT_TRUE(std::filesystem::is_empty(f.reports));
}

TEST(CalculationRun, ReportsFolderThatCannotHoldFilesNamesThePath)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    f.withTemplates();
    const std::string blocked = f.dir.write("blocked", "not a folder");
    ReportEnvironment environment = f.environment();
    environment.reportsFolder = blocked + "/";
    CalculationRun run(f.settings, environment, f.graph, f.palette);
    const FileOutcome out = run.calculateFile(f.log("site1.csv", kSite1), DateScope{}, nullptr);
    EXPECT_TRUE(out.calculated);
    EXPECT_FALSE(out.billWritten);
    EXPECT_EQ(out.error.rfind("logs/site1.csv: no bill: the bill " + blocked + "/SITE1.html: cannot be written: ", 0), 0u)
        << out.error;
    EXPECT_NE(out.text.find(out.error + "\r\n\r\n"), std::string::npos);
    const auto menu = run.buildReportsMenu();
    EXPECT_FALSE(menu.ok());
    EXPECT_NE(menu.error().reason.find(blocked + "/menu.html"), std::string::npos) << menu.error().reason;
    EXPECT_EQ(readFile(blocked), "not a folder");
}

TEST(CalculationRun, ColourPairsAdvanceByTwoPerFile)
{
    RunFixture f;
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    RecordingBarSink sink;
    run.calculateFile(f.log("site1.csv", kSite1), DateScope{}, &sink);
    ASSERT_EQ(sink.bars.size(), 2u);
    EXPECT_EQ(sink.bars[0].colour, f.palette[2]);  // day bar, first file after start
    EXPECT_EQ(sink.bars[1].colour, f.palette[3]);  // night bar
    // The pre-scan's scale: largest step 12.5, two steps of 237 pixels.
    EXPECT_FLOAT_EQ(sink.bars[0].y2, 0);
    EXPECT_FLOAT_EQ(sink.bars[1].x1, 48 + 237);
    EXPECT_FLOAT_EQ(sink.bars[1].y2, static_cast<float>(55 + 53.0 / 12.5 * 3));

    sink.bars.clear();
    run.calculateFile(f.log("site2.csv", kSite2), DateScope{}, &sink);
    ASSERT_EQ(sink.bars.size(), 1u);
    EXPECT_EQ(sink.bars[0].colour, f.palette[4]);
    EXPECT_FLOAT_EQ(sink.bars[0].x1, 48);
    EXPECT_EQ(f.graph.graphColourIndex, 4);
}

TEST(CalculationRun, ScopeIsReadAfreshForEachFile)
{
    RunFixture f;
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const std::string path = f.log("site1.csv", kSite1);
    const FileOutcome scoped = run.calculateFile(path, DateScope{true, "1", "3", "2012", "1"}, nullptr);
    EXPECT_NE(scoped.text.find("From 01/03/2012 00:00 to 01/03/2012 12:00\r\n"), std::string::npos) << scoped.text;
    EXPECT_NE(scoped.text.find("Day Total: 12.500 kWh"), std::string::npos);
    EXPECT_NE(scoped.text.find("Night Total: 0.000 kWh"), std::string::npos);

    const FileOutcome badStart = run.calculateFile(path, DateScope{true, "31", "4", "2012", "7"}, nullptr);
    EXPECT_FALSE(badStart.calculated);
    EXPECT_EQ(badStart.text, "logs/site1.csv: the scope start 31/4/2012 is no calendar date\r\n\r\n");
}

TEST(CalculationRun, ReadsAllThreeLayoutFixtures)
{
    RunFixture f;
    CalculationRun run(f.settings, f.environment(), f.graph, f.palette);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"gateway_export.csv", {"Day Total: 2.500 kWh", "Night Total: 1.500 kWh"}},
        {"unit4.IRIO.txt",
         {"meterlogs/unit4.IRIO.txt results...\r\n", "Day Total: 1.500 kWh", "Night Total: 0.500 kWh"}},
        {"long_form.csv", {"From 2012/03/05 06:00:00 to 2012/03/05 23:00:00\r\n"}},
        {"plain_site1.csv", {"Day Total: 17.000 kWh", "Night Total: 3.000 kWh"}},
    };
    for (const auto& [name, expected] : cases) {
        const std::string path = (lumivane::test::testDataDir() / "meterlogs" / name).string();
        const FileOutcome out = run.calculateFile(path, DateScope{}, nullptr);
        for (const std::string& text : expected)
            EXPECT_NE(out.text.find(text), std::string::npos) << out.text;
    }
}
