// lumivane-calc end to end: the built program run as a child process with its
// own HOME, compared with the same run made in this process, as the window makes it.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QSettings>

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

    void SetUp() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work + "/config"); }
    void run(const QStringList& args)
    {
        QProcess child;
        child.setWorkingDirectory(work);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, folder] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"}})
            env.insert(name, work + folder);
        child.setProcessEnvironment(env);
        child.start(LUMIVANE_CALC_EXE, args);
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
        return QByteArray::fromStdString(text + run.grandTotalsText()).replace("\r\n", "\n");
    }
    static QString log(const char* name) { return QString::fromStdString((test::testDataDir() / "meterlogs" / name).string()); }
};

}  // namespace

// The printed text is the window's, in UTF-8 with line feeds: scope, stored settings
// and --set (for one run only) reach it; files that cannot be calculated are one line each.
TEST_F(Calc, PrintsTheWindowsTextForTheSameRun)
{
    const QStringList files{log("site1.csv"), log("gateway_export.csv"), log("unit4.IRIO.txt")};
    run(files);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out, windowText(files, {}));
    EXPECT_TRUE(out.contains("kWh, \xC2\xA3") && !out.contains('\r') && err.isEmpty());
    run(QStringList{"--from", "5/03/2012", "--days", "3"} + files);
    EXPECT_EQ(out, windowText(files, {}, DateScope{true, "5", "03", "2012", "3"}));
    const QStringList broken{log("site1.csv"), work + "/missing.csv", log("bad_value.csv")};
    run(broken);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(out, windowText(broken, {}));
    EXPECT_TRUE(err.startsWith("lumivane-calc: ") && err.count('\n') == 2) << err.toStdString();
    // Bytes of a log and of a file name never steer the terminal or split a line.
    QFile hostile(work + "/a\nb.csv");
    ASSERT_TRUE(hostile.open(QIODevice::WriteOnly) && hostile.write("S,T,V\r\n0,1/3/2012 8:00,\x1b[2J\r\n") > 0);
    hostile.close();
    run({hostile.fileName()});
    EXPECT_TRUE(exitCode == 1 && !out.contains('\x1b') && !err.contains('\x1b') && err.count('\n') == 1 &&
                out.contains("a?b.csv: line 2: the value \"?[2J\"")) << out.toStdString();

    SettingsStore store("lumivane");
    store.SaveSetting("Multiplier", "2.5");
    SettingsStore("lumivane-calc").SaveSetting("NightCost", "0.5");  // not the window's store: not read
    SettingsRecord stored = loadSettings(store);
    run({"--set", "DayCost=0.2", log("site1.csv")});
    stored.settingsDayCost = 0.2;
    EXPECT_EQ(out, windowText({log("site1.csv")}, stored));
    EXPECT_FALSE(SettingsStore("lumivane").GetSetting("DayCost"));
}

TEST_F(Calc, UsageErrorsExitWithTwoAndOneLine)
{
    for (const QStringList& args : {QStringList{"--frobnicate", "a.csv"}, {"--from", "1/1/0000", "a.csv"},
                                    {"--set", "FromHour=abc", "a.csv"}, {"--from", "1/3/2012"}}) {
        run(args);
        EXPECT_EQ(exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(out.isEmpty() && err.startsWith("lumivane-calc: ") && err.count('\n') == 1) << err.toStdString();
    }
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
    QStringList pages = QDir(work + "/out/reports").entryList({"*.html"});
    pages.sort();
    EXPECT_EQ(pages, (QStringList{"SITE1.html", "SITE2.html", "menu.html"}));
    EXPECT_EQ(out, windowText({log("site1.csv"), log("site2.csv")}, {}));
    ASSERT_TRUE(QDir().mkpath(work + "/blocked/menu.html/inside"));
    run({"--export", "--reports-dir", work + "/blocked", log("site1.csv")});
    EXPECT_EQ(exitCode, 1);
    const QByteArray line = out.mid(windowText({log("site1.csv")}, {}).size());
    EXPECT_TRUE(line.startsWith("no reports menu: " + QFile::encodeName(work) + "/blocked/menu.html") &&
                line.count('\n') == 1 && line.endsWith('\n')) << line.toStdString();
    EXPECT_TRUE(err.contains(line.chopped(1)));
}
