#include "core/reports/bill_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "core/reports/report_files.h"
#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::RunFixture;
using lumivane::test::templateLine;

namespace {

struct BillCase {
    FileFigures figures;
    SettingsRecord settings;
    DateScope scope;
    std::string label = "logs/site1.csv";
    Expected<BillText> fill(const std::string& templ = RunFixture::billTemplate()) const
    {
        return fillBill(templ, {label, &figures, &settings, &scope, "05/12/2026", "OFFICE-PC", "/reports/"});
    }
};

}  // namespace

// The period is the scope within the booked month, its rows those calendar days;
// a file that booked no month has the scope's own dates and no rows.
TEST(Bill, PeriodAndRowsAreTheScopedDaysOfTheBookedMonth)
{
    const struct {
        DateScope scope;
        int year, month;
        const char* period;
        const char* hasRow;
        const char* lacksRow;
    } cases[] = {
        // clang-format off
        {{true, "1", "3", "2012", "7"}, 2012, 3, "1/3/2012 - 7/3/2012",
         "<td class='days'>2</td><td class='values'>1.500</td><td class='values'>0.250</td><td class='values'>1.750</td>",
         "<td class='days'>8<"},
        {{true, "28", "2", "2012", "7"}, 2012, 3, "1/3/2012 - 5/3/2012", "days'>5<", "days'>6<"},
        {{true, "25", "1", "2012", "10"}, 0, 0, "25/1/2012 - 3/2/2012", "", "<td"},
        {{}, 2012, 2, "1/2/2012 - 29/2/2012", "<td class='days'>29</td>", "days'>30<"},
        {{}, 0, 0, "", "", "<td"},  // no reading without a scope: no period, no rows
        // clang-format on
    };
    for (const auto& c : cases) {
        BillCase b;
        b.scope = c.scope;
        b.figures.calcYear = c.year;
        b.figures.calcMonth = c.month;
        b.figures.dayUnits[2] = 1.5;
        b.figures.nightUnits[2] = 0.25;
        const auto bill = b.fill();
        EXPECT_EQ(templateLine(bill->text, "D"), c.period);
        EXPECT_NE(templateLine(bill->text, "C").find(c.hasRow), std::string::npos) << templateLine(bill->text, "C");
        EXPECT_EQ(templateLine(bill->text, "C").find(c.lacksRow), std::string::npos) << c.period;
    }
}

// Costs are taken from the rounded texts: 1.00 + 2.00 is 3.00 (the results text says 3.01).
// The bill is named after the log, escaped in the page and kept as it is in the file name.
TEST(Bill, NameHoursPricesCostsAndGenerationLine)
{
    BillCase c;
    c.label = "logs/a&b<c>.csv";
    c.settings.settingsFromHours = 7;
    c.settings.settingsToHours = 19;
    c.settings.settingsDayCost = 1.004;
    c.settings.settingsNightCost = 2.004;
    c.figures.calcYear = 2012;
    c.figures.calcMonth = 3;
    c.figures.dayUnits[5] = c.figures.dayTotal = 1;
    c.figures.nightUnits[6] = c.figures.nightTotal = 1;
    const auto bill = c.fill();
    for (const auto& [key, text] : {std::pair{"DH", "0700 - 1900"},
                                    {"NH", "1900 - 0700"},
                                    {"DC", "1.0040"},
                                    {"NC", "2.0040"},
                                    {"TT", "3.00"},
                                    {"G", "Report Generated on 05/12/2026 from OFFICE-PC"}})
        EXPECT_EQ(templateLine(bill->text, key), text) << key;
    EXPECT_EQ(bill->figures.billTotalCost, "3.00");
    EXPECT_EQ(bill->figures.billPath, "/reports/A&B<C>.html");
    EXPECT_NE(bill->text.find("<title>A&amp;B&lt;C&gt;</title>"), std::string::npos);
    std::string lacking = RunFixture::billTemplate();
    lacking.erase(lacking.find("%nightcost"), 10);
    EXPECT_EQ(c.fill(lacking).error().reason, "the bill template has no placeholder %nightcost");
    // A second occurrence would cut the bill short after the first: refused, as a missing one is.
    for (const std::string placeholder : {"%chart", "%period", "%todaysdate"})
        EXPECT_EQ(c.fill(RunFixture::billTemplate() + placeholder + placeholder).error().reason,
                  "the bill template has the placeholder " + placeholder + " more than once");
}

// Reads come in where the template asks for them, standing charge and VAT wherever they are
// set (the rows themselves: StandingChargeAndVatAgreeToThePennyInEveryOutput). The menu's
// marks name what a person should look at before sending the bill.
TEST(Bill, ReadsChargesAndMarks)
{
    const struct {
        double standingCharge, vat, dayUnits;
        std::size_t steps;
        bool noted;
        const char *reads, *total;
        std::vector<std::string> marks;
    } cases[] = {
        {0.45, 5, 310, 31, false, "<td>31/3/2012 &#37;notes</td><td class='values'>10.5</td>", "66.73", {}},
        // Negative energy is marked though the standing charge lifts the total above zero.
        {0.45, 20, -10, 2, true, "", "14.82", {"negative", "see notes"}},
        {0, 0, 0, 0, false, "", "0.00", {"nothing booked"}},
    };
    for (const auto& c : cases) {
        BillCase b;
        b.figures = {.dayTotal = c.dayUnits, .calcMonth = 3, .calcYear = 2012, .bookedSteps = c.steps};
        b.figures.notes.resize(c.noted ? 1 : 0);
        if (*c.reads)  // a log's text is never taken for a placeholder
            b.figures.closingRead = {true, 10.5, "31/3/2012 %notes"};
        b.settings.settingsStandingCharge = c.standingCharge;
        b.settings.settingsVATRate = c.vat;
        const auto bill = b.fill(RunFixture::billTemplate() + "\r\nR=%reads\r\nB=%billing\r\n");
        const std::string reads = templateLine(bill->text, "R");
        EXPECT_TRUE(*c.reads ? reads.find(c.reads) != std::string::npos : reads.empty()) << reads;
        EXPECT_EQ(bill->figures.billTotalCost, c.total);
        EXPECT_EQ(bill->figures.billMarks, c.marks) << c.total;
        // Without its placeholder a bill would ask for less than the menu says: refused once anything is billed.
        EXPECT_EQ(static_cast<bool>(b.fill()), c.standingCharge == 0 && c.vat == 0);
    }
}

// Titles are upper-cased by Unicode's rules; a log named ".csv" keeps its name (its bill,
// no hidden file, is the data notes run's "CSV.html").
TEST(Bill, TitleIsTheNameInUpperCase)
{
    const std::pair<const char*, const char*> cases[] = {
        {"l/üNïCöDé.csv", "ÜNÏCÖDÉ"}, {"l/straße ÿµ.csv", "STRASSE ŸΜ"},
        {"l/łódź ĳ.csv", "ŁÓDŹ Ĳ"},   {"l/σίσυφος.csv", "ΣΊΣΥΦΟΣ"},
        {"l/ёлка ӂ.csv", "ЁЛКА Ӂ"},   {"l/caf\xE9.csv", "CAF\xE9"},  // no UTF-8: kept
        {"l/.csv", ".CSV"},           {"l/Site1.CSV", "SITE1.CSV"},
    };
    for (const auto& [label, title] : cases)
        EXPECT_EQ(billTitleOf(label), title);
}

// Whole files are replaced through a temporary file of their own: whatever
// fails, the target and the folder are left as they were.
TEST(ReportFiles, ExportReplacesTheWholeFileOrLeavesEverythingAsItWas)
{
    RunFixture f;
    const std::string target = f.reports + "menu.html";
    // Another writer's unfinished file, under the name a fixed scheme would pick, is left alone.
    const std::string theirs = f.file("reports/menu.html.part", "<html><bo");
    EXPECT_TRUE(exportOutput("mine", target));
    EXPECT_EQ(test::readFile(target), "mine\r\n");
    EXPECT_EQ(test::readFile(theirs), "<html><bo");
    const std::string notAFolder = f.file("blocked", "a file");
    std::filesystem::create_directories(f.reports + "folder.html/inside");  // the rename fails after the write
    for (const std::string& path : {notAFolder + "/SITE1.html", f.reports + "folder.html"})
        EXPECT_EQ(exportOutput("body", path).error().reason.rfind(path + ": ", 0), 0u) << path;
    EXPECT_EQ(test::readFile(notAFolder), "a file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.reports), {}), 3);
    EXPECT_EQ(importInput(f.file("t.html", "a\r\nb\rc\n\xC2\xA3")).value(), "a\r\nb\rc\n\xC2\xA3");
}

// The bytes are on the disk before the rename makes them the file.
TEST(ReportFiles, BytesReachTheDiskBeforeTheRename)
{
    RunFixture f;
    const std::string target = f.file("reports/SITE1.html", "old");
    std::vector<std::string> order;
    WriteCalls calls;
    calls.sync = [&, sync = calls.sync](std::FILE* file) {
        struct stat info {};
        ::fstat(fileno(file), &info);
        order.push_back("sync " + std::to_string(info.st_size) + " bytes");
        return sync(file);
    };
    calls.rename = [&, rename = calls.rename](const std::string& from, const std::string& to) {
        order.push_back("rename to " + std::filesystem::path(to).filename().string());
        return rename(from, to);
    };
    ASSERT_TRUE(replaceFile("body", "\r\n", target, calls));
    EXPECT_EQ(order, (std::vector<std::string>{"sync 6 bytes", "rename to SITE1.html"}));
    EXPECT_EQ(test::readFile(target), "body\r\n");
}
