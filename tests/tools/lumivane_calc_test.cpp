// lumivane-calc end to end: the built program run as a child process with its
// own HOME, compared with the same run made in this process, as the window makes it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>

#include "core/meterdata/file_buffer.h"
#include "core/tariff/calculation_run.h"
#include "core/text/app_facts.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"

using namespace lumivane;

namespace {

struct Calc : ::testing::Test {
    test::TempDir home;
    const QString work = QString::fromStdString(home.path().string());
    int exitCode = -1;
    QByteArray out, err;
    rlim_t rlimitAs = RLIM_INFINITY;  // the child's address space

    void SetUp() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work + "/config"); }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, folder] :
             {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"}})
            env.insert(name, work + folder);
        return env;
    }
    void start(QProcess& child, const QStringList& args, const QString& program = LUMIVANE_CALC_EXE) const
    {
        child.setWorkingDirectory(work);
        child.setProcessEnvironment(environment());
        child.setChildProcessModifier([limit = rlimitAs] {
            const rlimit space{limit, limit};
            setrlimit(RLIMIT_AS, &space);
        });
        child.start(program, args);
    }
    void run(const QStringList& args, const QString& program = LUMIVANE_CALC_EXE)
    {
        QProcess child;
        start(child, args, program);
        exitCode = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        out = child.readAllStandardOutput();
        err = child.readAllStandardError();
    }
    // What the window's results area holds after the same run, with "\n" line ends.
    static QByteArray windowText(const QStringList& files, SettingsRecord settings, const DateScope& scope = {})
    {
        GraphState graph;
        settings.settingsExport = 0;
        CalculationRun run(settings, ReportEnvironment{}, graph, defaultGraphPalette());
        std::string text = run.headerText();
        for (const QString& file : files)
            text += run.calculateFile(file.toStdString(), scope, nullptr).text;
        return QByteArray::fromStdString(text + run.closingText()).replace("\r\n", "\n");
    }
    static QByteArray contentOf(const QString& path)
    {
        return QByteArray::fromStdString(test::readFile(QFile::encodeName(path).toStdString()));
    }
    static QString log(const char* name)
    {
        return QString::fromStdString((test::testDataDir() / "meterlogs" / name).string());
    }
};

}  // namespace

// The printed text is the window's, in UTF-8 with line feeds: scope, stored settings
// and --set (for one run only) reach it; files that cannot be calculated are one line each.
TEST_F(Calc, PrintsTheWindowsTextForTheSameRun)
{
    const QStringList files{log("site1.csv"), log("gateway_export.csv"), log("unit4.IRIO.txt"), work + "/missing.csv",
                            log("bad_value.csv")};
    run(files);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(out, windowText(files, {}));
    EXPECT_TRUE(err.startsWith("lumivane-calc: ") && err.count('\n') == 1) << err.toStdString();
    run(QStringList{"--from", "5/03/2012", "--days", "3"} + files);
    EXPECT_EQ(out, windowText(files, {}, DateScope{true, "5", "03", "2012", "3"}));
    // Bytes of a log and of a file name never steer the terminal or split a line.
    run({QString::fromStdString(home.write("a\nb.csv", "S,T,V\r\n\x1b[2J,1/3/2012 8:00,1\r\n"))});
    EXPECT_TRUE(exitCode == 1 && !out.contains('\x1b') && !err.contains('\x1b') && err.count('\n') == 1 &&
                out.contains("a?b.csv: line 2: the status \"?[2J\""))
        << out.toStdString();

    // A Latin-1 name (no UTF-8) opens; the text and the bill show it as valid UTF-8.
    run({"-c", "cp \"$1\" \"$(printf 'caf\\351.csv')\" && exec \"$0\" --export --reports-dir r caf*", LUMIVANE_CALC_EXE,
         log("site1.csv")},
        "/bin/sh");
    EXPECT_TRUE(exitCode == 0 && out.contains("\ncaf\xC3\xA9.csv results...\n"))
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(contentOf(work + "/r/CAF\u00C9.html").contains("<title>Electricity bill: CAF\xC3\x89</title>"));

    SettingsStore store("lumivane");
    store.SaveSetting("Multiplier", "2.5");
    SettingsStore("lumivane-calc").SaveSetting("NightCost", "0.5");  // not the window's store: not read
    SettingsRecord stored = loadSettings(store);
    run({"--set", "DayCost=0.2", log("site1.csv")});
    stored.settingsDayCost = 0.2;
    EXPECT_EQ(out, windowText({log("site1.csv")}, stored));
    EXPECT_FALSE(SettingsStore("lumivane").GetSetting("DayCost"));

    // A stored text that cannot be read gives its default and is named.
    store.SaveSetting("NightCost", "0,18\x1b");
    run({log("site1.csv")});
    EXPECT_EQ(err,
              "lumivane-calc: warning: setting NightCost: the stored text \"0,18?\" cannot be read; 0.09 is used\n");
}

TEST_F(Calc, UsageErrorsExitWithTwoAndOneLine)
{
    run({"--frobnicate", "a.csv"});
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(out.isEmpty() && err.startsWith("lumivane-calc: ") && err.count('\n') == 1) << err.toStdString();
    run({"--help"});
    EXPECT_TRUE(exitCode == 0 && out.startsWith("Usage: lumivane-calc ")) << out.toStdString();
}

// Only --export writes: bills and menu into the reports folder (relative to where
// the command runs); a menu that cannot be written is the window's line under the totals.
TEST_F(Calc, ExportWritesBillsAndMenuOrPrintsTheMenuFailureAsTheWindowShowsIt)
{
    SettingsStore("lumivane").SaveSetting("Export", "1");
    run({log("site1.csv")});
    EXPECT_FALSE(QDir(work + "/data/Lumivane").exists());
    run({"--export", "--reports-dir", "out/reports", log("site1.csv"), log("site2.csv")});
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(QDir(work + "/out/reports").entryList({"*.html"}, QDir::Files, QDir::Name),
              (QStringList{"SITE1.html", "SITE2.html", "menu.html"}));
    EXPECT_TRUE(QFile::exists(work + "/out/reports/reportlogo.jpg"));  // the bills' logo, as the window provides it
    EXPECT_EQ(out, windowText({log("site1.csv"), log("site2.csv")}, {}));
    ASSERT_TRUE(QDir().mkpath(work + "/blocked/menu.html/inside"));
    run({"--export", "--reports-dir", work + "/blocked", log("site1.csv")});
    EXPECT_EQ(exitCode, 1);
    const QByteArray line = out.mid(windowText({log("site1.csv")}, {}).size());
    EXPECT_TRUE(line.startsWith("no reports menu: " + QFile::encodeName(work) + "/blocked/menu.html") &&
                line.count('\n') == 1 && line.endsWith('\n'))
        << line.toStdString();
    EXPECT_TRUE(err.contains(line.chopped(1)));
}

// An output whose target is an input of the run (by device and inode, so also
// through a link) is refused with one line naming both; the input stays whole.
TEST_F(Calc, NoOutputReplacesAnInputOfTheRun)
{
    const std::string logText = test::readFile(log("site1.csv").toStdString());
    const struct {
        QStringList args;
        const char* input;  // below the work folder
    } cases[] = {
        {{"--csv", ".", "SITE1.csv"}, "SITE1.csv"},
        {{"--csv", "out", "l/site1.csv"}, "out/SITE1.csv"},
        {{"--export", "--reports-dir", ".", "menu.html"}, "menu.html"},
        {{"--export", "--reports-dir", ".", "a/site1.csv", "SITE1.html"}, "SITE1.html"},
        {{"--csv", ".", "summary.csv"}, "summary.csv"},  // its own CSV is SUMMARY-2.csv
    };
    for (const auto& c : cases) {
        QDir(work).removeRecursively();
        home.write("a/site1.csv", logText);
        home.write(c.input, logText);
        QDir(work).mkdir("l");
        QFile::link(work + "/out/SITE1.csv", work + "/l/site1.csv");
        run(c.args);
        EXPECT_EQ(exitCode, 1) << c.input;
        EXPECT_EQ(test::readFile(home.path() / c.input), logText) << c.input;
        EXPECT_TRUE(err.contains("not written, since it is the input ")) << err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(work + "/SUMMARY-2.csv"));  // a case-blind file system would take it for summary.csv
}

// Runs at the same time into one reports folder never take each other's
// unfinished files: every run ends well and the folder holds whole bills and
// a menu linking all of them.
TEST_F(Calc, TenRunsAtATimeIntoOneFolderAllEndWell)
{
    const QStringList args{"--export",       "--reports-dir",  "shared",
                           log("site1.csv"), log("site2.csv"), log("june2023.csv")};
    for (int round = 0; round < 3; ++round) {
        QProcess runs[10];
        for (QProcess& child : runs)
            start(child, args);
        for (QProcess& child : runs)
            EXPECT_TRUE(child.waitForFinished(60000) && child.exitCode() == 0) << child.readAllStandardError().data();
        const QByteArray menu = contentOf(work + "/shared/menu.html");
        for (const QByteArray bill : {"SITE1", "SITE2", "JUNE2023"})
            EXPECT_TRUE(menu.contains(bill + ".html'") &&
                        contentOf(work + "/shared/" + bill + ".html").contains("</html>"));
        EXPECT_EQ(QDir(work + "/shared").entryList(QDir::Files | QDir::Hidden).size(), 5) << round;
    }
}

// A year of 15-minute readings month by month: twelve bills with charts, and JSON
// whose months add up to all the energy booked over the year. (A month's CSV rows and
// its period in the menu: BillsAndCsvCoverTheScopedDaysOfTheBookedMonth.)
TEST_F(Calc, EachMonthOfAYearAddsUpToTheWholeLog)
{
    std::string text = "Status,Timestamp,Value\r\n";
    double value = 5000;
    for (QDateTime t(QDate(2012, 1, 1), QTime(0, 0), Qt::UTC); t.date().year() == 2012; t = t.addSecs(15 * 60)) {
        value += 0.125 * (t.time().hour() % 7 + (t.date().day() - 1) % 3);  // none before the first reading
        text += "0," + t.toString("dd/MM/yyyy HH:mm").toStdString() + "," + std::to_string(value) + "\r\n";
    }
    run({"--each-month", "--export", "--reports-dir", "out", "--json",
         QString::fromStdString(home.write("site1.csv", text))});
    ASSERT_EQ(exitCode, 0) << err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(out).object();
    const QJsonArray months = doc["files"].toArray();
    ASSERT_EQ(months.size(), 12);
    double sum = 0;
    for (int m = 0; m < 12; ++m) {
        const QString name = QString::asprintf("SITE1-2012-%02d", m + 1);
        EXPECT_EQ(months[m]["title"].toString(), name);
        sum += months[m]["dayKwh"].toDouble() + months[m]["nightKwh"].toDouble();
        EXPECT_TRUE(contentOf(months[m]["bill"].toString()).contains("<svg")) << name.toStdString();
    }
    EXPECT_NEAR(sum, value - 5000, 1e-6);
    EXPECT_NEAR(doc["totals"]["totalKwh"].toDouble(), value - 5000, 1e-6);
}

// What one file may take is bounded: past the cap it is refused by name, and memory
// running out below the cap is one line and status 1, never an abort.
TEST_F(Calc, MemoryLimitsEndTheRunWithOneLine)
{
    QFile huge(work + "/huge.csv");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(kMaxMeterLogBytes) + 1));
    huge.close();
    run({huge.fileName()});
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(out.contains("huge.csv: the file is larger than 1 GiB") && err.count('\n') == 1) << out.toStdString();
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's shadow memory needs more address space than the limit
    ASSERT_TRUE(huge.resize(300 << 20));
    rlimitAs = 200 << 20;
    run({huge.fileName()});
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(out.isEmpty() && err == "lumivane-calc: out of memory\n") << err.toStdString();
#endif
}

namespace {

const std::string kHeader = "Status,Timestamp,Value\r\n";
// A log from 25/3/2023 with a falling reading in March and a line without a date in April.
const std::string kMonths = kHeader + "0,25/03/2023 10:00,100\r\n0,26/03/2023 10:00,90\r\n0,27/03/2023 10:00,101\r\n"
                                      "0,02/04/2023 10:00,105\r\n0,notadate,5\r\n0,20/04/2023 10:00,110\r\n";

}  // namespace

// Bill, CSV and menu cover the scope's days of the booked month, with the text's money
// (never the scope's day numbers laid over another month); exact halves round alike
// everywhere (2.5 kWh x 0.09 is 0.23, 0.5005 kWh is 0.501) and a row's total is its costs'.
TEST_F(Calc, BillsAndCsvCoverTheScopedDaysOfTheBookedMonth)
{
    const struct {
        QStringList args;
        std::string log;
        const char *bill, *period, *row;
        int rows;
        const char* charge;
    } cases[] = {
        // clang-format off
        {{"--from", "28/2/2012"}, test::readFile(test::testDataDir() / "meterlogs" / "site1.csv"), "LOG",
         "1/3/2012 - 5/3/2012", "\n2012-03-01,12.500,0.000,2.00,0.00,2.00", 5, "2.00"},
        {{"--from", "30/12/2024", "--days", "5"},
         kHeader + "0,29/12/2024 10:00,1\r\n0,30/12/2024 10:00,3.5\r\n0,31/12/2024 22:00,4\r\n0,1/1/2025 10:00,5\r\n",
         "LOG", "30/12/2024 - 31/12/2024", "\n2024-12-30,", 2, "0.05"},
        {{"--each-month", "--from", "25/3/2023", "--days", "14"}, kMonths, "LOG-2023-04", "1/4/2023 - 7/4/2023",
         "\n2023-04-01,0.000", 7, "0.64"},
        {{"--set", "DayCost=0.09", "--set", "NightCost=0.09"}, kHeader + "0,01/03/2012 10:00,0\r\n0,01/03/2012 "
         "11:00,2.5\r\n0,01/03/2012 20:00,5\r\n0,02/03/2012 20:00,5.5005\r\n", "LOG", "1/3/2012 - 31/3/2012",
         "2012-03-01,2.500,2.500,0.23,0.23,0.46\r\n2012-03-02,0.000,0.501,0.00,0.05,0.05", 31, "0.50"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const QString path = QString::fromStdString(home.write("log.csv", c.log));
        run(c.args + QStringList{"--export", "--reports-dir", "out", "--csv", "out", path});
        SCOPED_TRACE(c.bill);
        ASSERT_EQ(exitCode, 0) << err.toStdString();
        const QByteArray bill = contentOf(work + "/out/" + c.bill + ".html");
        const QByteArray csv = contentOf(work + "/out/" + c.bill + ".csv");
        EXPECT_TRUE(bill.contains(c.period) && contentOf(work + "/out/menu.html").contains(c.period));
        EXPECT_TRUE(bill.contains(QByteArray("Total charge</td><td>&pound;") + c.charge)) << bill.toStdString();
        EXPECT_TRUE(out.contains(QByteArray("Total: ")) && out.contains(QByteArray("\xC2\xA3") + c.charge));
        EXPECT_EQ(csv.count('\n'), c.rows + 1);
        EXPECT_TRUE(csv.contains(c.row)) << csv.toStdString();
    }
}

// A standing charge and VAT on a 31-day bill: every output charges the same pennies
// (31 x 0.45 = 13.95; 49.60 + 2.07 + 13.95 = 65.62; 5 % of it 3.28), and the printed
// text is the window's.
TEST_F(Calc, StandingChargeAndVatAgreeToThePennyInEveryOutput)
{
    std::string text = kHeader + "0,1/3/2012 00:00,0\r\n";
    for (int day = 1; day <= 31; ++day)
        text += "0," + std::to_string(day) + "/3/2012 12:00," + std::to_string(10 * day) + "\r\n";
    text += "0,31/3/2012 22:00,333\r\n";
    const QString path = QString::fromStdString(home.write("flat.csv", text));
    const QStringList args{
        "--set", "StandingCharge=0.45", "--set", "VATRate=5", "--export", "--reports-dir", "out", "--csv", "out", path};
    run(args);
    ASSERT_EQ(exitCode, 0) << err.toStdString();
    SettingsRecord billed;
    std::tie(billed.settingsStandingCharge, billed.settingsVATRate) = std::pair(0.45, 5.0);
    EXPECT_EQ(out, windowText({path}, billed));
    const QByteArray bill = contentOf(work + "/out/FLAT.html"), menu = contentOf(work + "/out/menu.html");
    const std::pair<QByteArray, QByteArray> outputs[] = {
        {out, "    Standing charge: 31 days × £0.45, £13.95\n    Total before VAT: £65.62\n    VAT 5%: £3.28\n"
              "    Total including VAT: £68.90\n"},
        {out, "\nStanding charge: £13.95\nTotal before VAT: £65.62\nVAT 5%: £3.28\nTotal including VAT: £68.90\n"},
        {bill, "Standing charge: 31 days &times; &pound;0.45</td><td>&pound;13.95"},
        {bill,
         "VAT 5%</td><td>&pound;3.28</td></tr><tr class='total'><td colspan=\"4\">Total including VAT</td><td>&pound;68.90"},
        {menu, "<div class='lMid'>£68.90</div></div>"},
        {menu, "<div class=\"sum\">£68.90</div>"},
        {contentOf(work + "/out/FLAT.csv"),
         "\r\n2012-03-31,10.000,23.000,1.60,2.07,3.67,,,\r\ntotal,310.000,23.000,49.60,2.07,51.67,13.95,3.28,68.90"},
        {contentOf(work + "/out/summary.csv"),
         QFile::encodeName(path) + ",,FLAT,2012-03-01,2012-03-31,310.000,23.000,"
                                   "49.60,2.07,13.95,3.28,68.90,0\r\nTOTAL,,,,,310.000,23.000,49.60,2.07,"
                                   "13.95,3.28,68.90,0"},
    };
    for (const auto& [output, shows] : outputs)
        EXPECT_TRUE(output.contains(shows)) << shows.toStdString() << "\nin\n" << output.toStdString();
    run(QStringList{"--json"} + args);
    const QJsonObject doc = QJsonDocument::fromJson(out).object();
    for (const QJsonValue& charged : {doc["files"][0], doc["totals"]})
        EXPECT_TRUE(charged["standingCharge"].toDouble() == 13.95 && charged["vat"].toDouble() == 3.28 &&
                    charged["totalWithVat"].toDouble() == 68.90)
            << out.toStdString();
}

// Logs of one name from two folders get a bill, a CSV and a menu row each; a line says which got which name.
TEST_F(Calc, SameNamedLogsKeepTheirOwnReports)
{
    home.write("a/site01.csv", kHeader + "0,1/3/2012 10:00,1\r\n0,1/3/2012 11:00,2\r\n");
    home.write("b/Site01.csv", kHeader + "0,1/3/2012 10:00,1\r\n0,1/3/2012 11:00,4\r\n");
    run({"--export", "--reports-dir", "out", "--csv", "out", "a/site01.csv", "b/Site01.csv"});
    EXPECT_TRUE(exitCode == 0 && contentOf(work + "/out/SITE01.csv").contains(",1.000,") &&
                contentOf(work + "/out/SITE01-2.csv").contains(",3.000,"));
    const QByteArray menu = contentOf(work + "/out/menu.html");
    EXPECT_TRUE(menu.contains("SITE01.html' title") && menu.contains("SITE01-2.html' title"));
    const QByteArray line = "b/Site01.csv: its reports are named SITE01-2, since SITE01 is an earlier file's name";
    EXPECT_TRUE(out.contains(line) && err.contains(line)) << err.toStdString();
}

// Totals that are no number, and folders that cannot be made, are one problem each:
// the text is still printed, the other outputs written, status 1. (Grand totals that
// are no number and a CSV folder that cannot be made: JsonDocumentIsTheContract.)
TEST_F(Calc, NonFiniteTotalsAndMissingFoldersAreOneProblemEach)
{
    const QString big =
        QString::fromStdString(home.write("big.csv", kHeader + "0,1/3/2012 10:00,0\r\n0,1/3/2012 11:00,1e308\r\n"));
    home.write("blocker", "a file");
    const struct {
        QStringList args;
        const char* problem;
    } cases[] = {
        {{"--set", "DayCost=1e308", big},
         "big.csv: the totals or costs are not finite numbers (the price is too large)"},
        {{"--export", "--reports-dir", "blocker/r", "--csv", "csv", big}, "cannot create the reports folder"},
    };
    for (const auto& c : cases) {
        run(c.args);
        EXPECT_EQ(exitCode, 1);
        EXPECT_TRUE(err.count('\n') == 1 && err.contains(c.problem)) << err.toStdString();
        EXPECT_TRUE(out.contains("- TOTAL -")) << c.problem;  // the text is printed all the same
    }
    EXPECT_TRUE(QFile::exists(work + "/csv/BIG.csv"));
}

// The whole document for a scope, a setting, a file that cannot be read, totals that are
// no number, a file with nothing in scope, a name that is not UTF-8 and a CSV folder that
// cannot be made: every member scripts read, null where there is no value.
TEST_F(Calc, JsonDocumentIsTheContract)
{
    home.write("site.csv", kHeader + "0,28/02/2012 23:00,1\r\n0,1/3/2012 10:00,2\r\n0,1/3/2012 20:00,3.5\r\n"
                                     "0,2/3/2012 10:00,2.5\r\n");
    home.write("caf\xE9.csv", kHeader + "0,1/3/2012 10:00,0\r\n0,1/3/2012 11:00,1e308\r\n");
    home.write("april.csv", kHeader + "0,1/4/2012 10:00,0\r\n");
    home.write("blocker", "a file");
    // Through the shell, since a name that is not UTF-8 cannot pass through QString.
    run({"-c",
         "exec \"$0\" --json --from 1/3/2012 --set DayCost=0.2 --csv blocker/c site.csv missing.csv "
         "\"$(printf 'caf\\351.csv')\" \"$(printf 'caf\\351.csv')\" april.csv",
         LUMIVANE_CALC_EXE},
        "/bin/sh");
    EXPECT_EQ(exitCode, 1);
    const std::string document = out.toStdString();
    const std::string version = "\"version\":\"" + versionText() + "\"";
    ASSERT_NE(document.find(version), std::string::npos);
    EXPECT_EQ(std::string(document).replace(document.find(version), version.size(), "\"version\":\"VERSION\""),
              test::readFile(test::testDataDir() / "run_text" / "json_document.json"));
}
