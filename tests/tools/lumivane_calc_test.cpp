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
    void run(const QStringList& args, const QString& program = LUMIVANE_CALC_EXE)
    {
        QProcess child;
        child.setWorkingDirectory(work);
        child.setProcessEnvironment(environment());
        child.setChildProcessModifier([limit = rlimitAs] {
            const rlimit space{limit, limit};
            setrlimit(RLIMIT_AS, &space);
        });
        child.start(program, args);
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
    EXPECT_TRUE(err.startsWith("lumivane-calc: ") && err.count('\n') == 2) << err.toStdString();
    run(QStringList{"--from", "5/03/2012", "--days", "3"} + files);
    EXPECT_EQ(out, windowText(files, {}, DateScope{true, "5", "03", "2012", "3"}));
    // Bytes of a log and of a file name never steer the terminal or split a line.
    run({QString::fromStdString(home.write("a\nb.csv", "S,T,V\r\n0,1/3/2012 8:00,\x1b[2J\r\n"))});
    EXPECT_TRUE(exitCode == 1 && !out.contains('\x1b') && !err.contains('\x1b') && err.count('\n') == 1 &&
                out.contains("a?b.csv: line 2: the value \"?[2J\""))
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
        for (QProcess& child : runs) {
            child.setWorkingDirectory(work);
            child.setProcessEnvironment(environment());
            child.start(LUMIVANE_CALC_EXE, args);
        }
        for (QProcess& child : runs)
            EXPECT_TRUE(child.waitForFinished(60000) && child.exitCode() == 0) << child.readAllStandardError().data();
        const QByteArray menu = contentOf(work + "/shared/menu.html");
        for (const QByteArray bill : {"SITE1", "SITE2", "JUNE2023"})
            EXPECT_TRUE(menu.contains(bill + ".html'") &&
                        contentOf(work + "/shared/" + bill + ".html").contains("</html>"));
        EXPECT_EQ(QDir(work + "/shared").entryList(QDir::Files | QDir::Hidden).size(), 5) << round;
    }
}

// A year of 15-minute readings month by month: twelve bills with charts, twelve CSV
// files, and JSON whose months add up to all the energy booked over the year.
TEST_F(Calc, EachMonthOfAYearAddsUpToTheWholeLog)
{
    std::string text = "Status,Timestamp,Value\r\n";
    double value = 5000;
    for (QDateTime t(QDate(2012, 1, 1), QTime(0, 0), Qt::UTC); t.date().year() == 2012; t = t.addSecs(15 * 60)) {
        value += 0.125 * (t.time().hour() % 7 + (t.date().day() - 1) % 3);  // none before the first reading
        text += "0," + t.toString("dd/MM/yyyy HH:mm").toStdString() + "," + std::to_string(value) + "\r\n";
    }
    run({"--each-month", "--export", "--reports-dir", "out", "--csv", "csv", "--json",
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
        EXPECT_EQ(contentOf(work + "/csv/" + name + ".csv").count('\n'), QDate(2012, m + 1, 1).daysInMonth() + 1);
    }
    EXPECT_NEAR(sum, value - 5000, 1e-6);
    EXPECT_NEAR(doc["totals"]["totalKwh"].toDouble(), value - 5000, 1e-6);
    const QByteArray page = contentOf(doc["menu"].toString());
    EXPECT_TRUE(page.indexOf("SITE1-2012-09") < page.indexOf("SITE1-2012-10") && page.contains("1/2/2012 - 29/2/2012"));
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
