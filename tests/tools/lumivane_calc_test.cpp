// lumivane-calc end to end: the built program run as a child process on real
// files, with its own throw-away HOME, config and data folders, compared with
// the same run made in this process through CalculationRun.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <memory>
#include <optional>

#include "core/tariff/calculation_run.h"
#include "platform/settings_store.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

using lumivane::SettingsStore;
using lumivane::test::TempDir;

namespace {

struct ChildRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString samplePath(const char* name) { return QStringLiteral(LUMIVANE_SAMPLES_DIR "/") + QLatin1String(name); }

// A small plain log of 1 to 3 March 2012, every hour.
QByteArray plainLog(double start)
{
    QByteArray text = "Status,Timestamp,Value\r\n";
    double value = start;
    for (int day = 1; day <= 3; ++day)
        for (int hour = 0; hour < 24; ++hour) {
            text += "0," + QByteArray::number(day).rightJustified(2, '0') + "/03/2012 " +
                    QByteArray::number(hour).rightJustified(2, '0') + ":00," + QByteArray::number(value, 'f', 3) +
                    "\r\n";
            value += (hour >= 8 && hour <= 17) ? 4.25 : 1.5;
        }
    return text;
}

}  // namespace

class LumivaneCalcTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> home_;
    std::unique_ptr<TempDir> work_;

    QString configHome() const { return QString::fromStdString((home_->path() / "config").string()); }
    QString dataHome() const { return QString::fromStdString((home_->path() / "data").string()); }

    ChildRun runCalc(const QStringList& args, const QString& workingDir = QString())
    {
        QProcess child;
        if (!workingDir.isEmpty())
            child.setWorkingDirectory(workingDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), QString::fromStdString(home_->path().string()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(LUMIVANE_CALC_EXE), args);
        ChildRun run;
        if (!child.waitForStarted(10000) || !child.waitForFinished(60000)) {
            child.kill();
            child.waitForFinished(5000);
            return run;
        }
        run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        run.out = child.readAllStandardOutput();
        run.err = child.readAllStandardError();
        return run;
    }

    // What the window's results area holds after the same run, with "\n" line ends.
    static QByteArray expectedText(const QStringList& files, const lumivane::SettingsRecord& settings,
                                   const lumivane::DateScope& scope = {})
    {
        const lumivane::test::FixedClock clock;
        lumivane::ReportEnvironment environment;
        environment.programFolder = QCoreApplication::applicationDirPath().toStdString() + "/";
        environment.reportsFolder = "/nonexistent-reports-folder/";
        environment.clock = &clock;
        environment.computerName = "test";
        lumivane::GraphState graph;
        lumivane::SettingsRecord noExport = settings;
        noExport.settingsExport = 0;
        lumivane::CalculationRun run(noExport, environment, graph, lumivane::defaultGraphPalette());
        std::string text = run.headerText();
        for (const QString& file : files)
            text += run.calculateFile(file.toStdString(), scope, nullptr).text;
        text += run.grandTotalsText();
        return QByteArray::fromStdString(text).replace("\r\n", "\n");
    }

    static lumivane::SettingsRecord storedSettings() { return lumivane::loadSettings(SettingsStore("lumivane")); }

    QString writeLog(const char* name, const QByteArray& bytes) const
    {
        return QString::fromStdString(work_->write(name, std::string_view(bytes.constData(), bytes.size())));
    }

private slots:
    void init()
    {
        // Every case starts from an empty store and data tree, also for the store used in this process.
        home_ = std::make_unique<TempDir>();
        work_ = std::make_unique<TempDir>();
        QDir().mkpath(configHome());
        QDir().mkpath(dataHome());
        qputenv("HOME", home_->path().string().c_str());
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
        SettingsStore probe(QStringLiteral("lumivane"));
        QSettings where(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"),
                        QStringLiteral("lumivane"));
        QVERIFY2(where.fileName().startsWith(configHome()), qPrintable(where.fileName()));
    }

    void cleanup()
    {
        work_.reset();
        home_.reset();
    }

    void printsTheRunTextInUtf8WithLineFeeds()
    {
        const QStringList files{samplePath("site1.csv"), samplePath("gateway_export.csv"),
                                samplePath("unit4.IRIO.txt")};
        const ChildRun run = runCalc(files);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QVERIFY(!run.out.contains('\r'));
        QCOMPARE(run.out, expectedText(files, lumivane::SettingsRecord{}));
        QVERIFY(run.out.startsWith("Day Tariff: 0.16, Night Tariff: 0.09, Multiplier: 1\n" + QByteArray(79, '-') + "\n"));
        QVERIFY(run.out.contains("samples/site1.csv results...\n"));
        QVERIFY(run.out.contains("--------------------------------- TOTAL ---------------------------------\n"));
        // The pound sign as two UTF-8 bytes, three times in each file's block and in the totals.
        QVERIFY(run.out.contains("kWh, \xC2\xA3"));
        for (qsizetype i = 0; i < run.out.size(); ++i)
            if (static_cast<unsigned char>(run.out[i]) == 0xA3)
                QVERIFY(i > 0 && static_cast<unsigned char>(run.out[i - 1]) == 0xC2);
        QCOMPARE(QString::fromUtf8(run.out).toUtf8(), run.out);
        QCOMPARE(QString::fromUtf8(run.out).count(QChar(0x00A3)), 3 * (files.size() + 1));
    }

    void scopeFromAndDaysReachTheRun()
    {
        const QStringList files{samplePath("site1.csv")};
        const lumivane::DateScope scope{true, "5", "03", "2012", "3"};
        const ChildRun run = runCalc(QStringList{"--from", "5/03/2012", "--days", "3"} + files);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expectedText(files, lumivane::SettingsRecord{}, scope));
        // Not the whole month: the scope changed the figures.
        QVERIFY(run.out != expectedText(files, lumivane::SettingsRecord{}));
    }

    void usageErrorsExitWithTwoAndOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        const QString log = QStringLiteral("a.csv");
        QTest::newRow("unknown option") << QStringList{"--frobnicate", log};
        QTest::newRow("days not a whole number") << QStringList{"--from", "1/3/2012", "--days", "abc", log};
        QTest::newRow("from not a calendar date") << QStringList{"--from", "31/02/2012", log};
        QTest::newRow("set of an unknown key") << QStringList{"--set", "Nope=1", log};
        QTest::newRow("set of a text the key cannot take") << QStringList{"--set", "FromHour=abc", log};
        QTest::newRow("no file") << QStringList{"--from", "1/3/2012"};
        QStringList many;
        for (int i = 0; i < 37; ++i)
            many << QStringLiteral("f%1.csv").arg(i);
        QTest::newRow("37 files") << many;
    }

    void usageErrorsExitWithTwoAndOneLine()
    {
        QFETCH(QStringList, args);
        const ChildRun run = runCalc(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.out.isEmpty(), run.out.constData());
        QVERIFY2(run.err.startsWith("lumivane-calc: "), run.err.constData());
        QVERIFY2(run.err.endsWith('\n') && run.err.count('\n') == 1, run.err.constData());
    }

    void filesThatCannotBeCalculatedExitWithOneAndTheGoodOnesStand()
    {
        const QString first = writeLog("first.csv", plainLog(100.0));
        const QString missing = QString::fromStdString((work_->path() / "missing.csv").string());
        const QString bad = writeLog("bad.csv", "Status,Timestamp,Value\r\n0,01/03/2012 00:00,12.5\r\n"
                                                "0,01/03/2012 00:30,twelve\r\n");
        const QString last = writeLog("last.csv", plainLog(5000.0));
        const QStringList files{first, missing, bad, last};
        const ChildRun run = runCalc(files);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, expectedText(files, lumivane::SettingsRecord{}));
        const QByteArray folder = QFileInfo(first).dir().dirName().toUtf8();
        QVERIFY2(run.out.contains(folder + "/first.csv results..."), run.out.constData());
        QVERIFY2(run.out.contains(folder + "/last.csv results..."), run.out.constData());
        // One line on stderr for each file that was not calculated.
        QCOMPARE(run.err.count('\n'), 2);
        QVERIFY2(run.err.startsWith("lumivane-calc: ") && run.err.contains("missing.csv") &&
                     run.err.contains("bad.csv"),
                 run.err.constData());
    }

    void settingsComeFromTheWindowsStoreAndSetChangesOneRunOnly()
    {
        SettingsStore store(QStringLiteral("lumivane"));
        store.SaveSetting("Multiplier", "2.5");
        store.SaveSetting("NightCost", "0.11");
        store.SaveSetting("FromHour", "8");
        // The store named after the command is not the window's, and is not read.
        SettingsStore(QStringLiteral("lumivane-calc")).SaveSetting("DayCost", "0.5");
        const QString log = writeLog("site.csv", plainLog(100.0));

        const ChildRun stored = runCalc({log});
        QCOMPARE(stored.exitCode, 0);
        QVERIFY2(stored.out.startsWith("Day Tariff: 0.16, Night Tariff: 0.11, Multiplier: 2.5\n"),
                 stored.out.constData());
        QCOMPARE(stored.out, expectedText({log}, storedSettings()));
        QVERIFY(stored.out != expectedText({log}, lumivane::SettingsRecord{}));

        const ChildRun overridden = runCalc({"--set", "DayCost=0.2", log});
        QCOMPARE(overridden.exitCode, 0);
        QVERIFY2(overridden.out.startsWith("Day Tariff: 0.2, Night Tariff: 0.11,"), overridden.out.constData());
        lumivane::SettingsRecord expected = storedSettings();
        expected.settingsDayCost = 0.2;
        QCOMPARE(overridden.out, expectedText({log}, expected));
        // Nothing was saved: the store holds no DayCost, and the next run is as before.
        QCOMPARE(SettingsStore(QStringLiteral("lumivane")).GetSetting("DayCost").value_or("missing"),
                 std::string("missing"));
        QCOMPARE(runCalc({log}).out, stored.out);
    }

    void exportWritesTheBillsAndTheMenuIntoTheReportsDir()
    {
        const QString one = writeLog("one.csv", plainLog(100.0));
        const QString two = writeLog("two.csv", plainLog(900.0));
        // A relative folder is taken from where the command runs, and created.
        const QString workDir = QString::fromStdString(work_->path().string());
        const QString reports = workDir + "/out/reports";
        QVERIFY(!QFileInfo::exists(reports));
        const ChildRun run = runCalc({"--export", "--reports-dir", "out/reports", one, two}, workDir);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        const QStringList pages = QDir(reports).entryList({QStringLiteral("*.html")}, QDir::Files);
        QCOMPARE(pages.size(), 3);  // two bills and the menu
        QVERIFY(pages.contains(QStringLiteral("menu.html")));
        // The menu links both bills of this run by their absolute path.
        QFile menu(reports + "/menu.html");
        QVERIFY(menu.open(QIODevice::ReadOnly));
        const QByteArray menuText = menu.readAll();
        for (const QString& page : pages)
            if (page != QStringLiteral("menu.html"))
                QVERIFY2(menuText.contains("file://" + QFile::encodeName(reports) + "/" + page.toUtf8()),
                         menuText.constData());
        // The stdout text is the results text; the bills add nothing to it.
        QCOMPARE(run.out, expectedText({one, two}, lumivane::SettingsRecord{}));
        // Nothing went to the per-user reports folder.
        QVERIFY(!QFileInfo::exists(dataHome() + "/Lumivane/reports/menu.html"));
    }

    void eachMonthOfAYearGivesTwelveBillsCsvFilesAndJsonThatAddUp()
    {
        // 2012 every 15 minutes; steps vary with the hour so day and night differ.
        QByteArray log = "Status,Timestamp,Value\r\n";
        double value = 5000;
        double last = value;
        for (QDate d(2012, 1, 1); d.year() == 2012; d = d.addDays(1))
            for (int quarter = 0; quarter < 96; ++quarter) {
                last = value;
                log += "0," + d.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + " " +
                       QByteArray::number(quarter / 4).rightJustified(2, '0') + ":" +
                       QByteArray::number(quarter % 4 * 15).rightJustified(2, '0') + "," +
                       QByteArray::number(value, 'f', 3) + "\r\n";
                value += 0.125 + 0.25 * (quarter / 4 % 7) + 0.5 * (d.day() % 3);
            }
        const double booked = last - 5000;
        const QString workDir = QString::fromStdString(work_->path().string());
        const ChildRun run = runCalc({"--each-month", "--export", "--reports-dir", "out", "--csv", "csv", "--json",
                                      writeLog("site1.csv", log)},
                                     workDir);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray files = doc.value("files").toArray();
        QCOMPARE(files.size(), 12);
        double sum = 0;
        for (int m = 0; m < 12; ++m) {
            const QJsonObject file = files.at(m).toObject();
            const QString name = QStringLiteral("SITE1-2012-%1").arg(m + 1, 2, 10, QLatin1Char('0'));
            QCOMPARE(file.value("title").toString(), name);
            sum += file.value("dayKwh").toDouble() + file.value("nightKwh").toDouble();
            QFile bill(file.value("bill").toString());
            QVERIFY(bill.open(QIODevice::ReadOnly));
            QVERIFY(bill.readAll().contains("<svg"));
            QFile csv(workDir + "/csv/" + name + ".csv");
            QVERIFY(csv.open(QIODevice::ReadOnly));
            QCOMPARE(csv.readAll().count('\n'), QDate(2012, m + 1, 1).daysInMonth() + 1);
        }
        QVERIFY(std::abs(sum - booked) < 1e-6);
        QVERIFY(std::abs(doc.value("totals").toObject().value("totalKwh").toDouble() - booked) < 1e-6);
        QCOMPARE(doc.value("bills").toArray().size(), 12);
        QFile menu(doc.value("menu").toString());
        QVERIFY(menu.open(QIODevice::ReadOnly));
        const QByteArray menuText = menu.readAll();
        QVERIFY(menuText.indexOf("SITE1-2012-09") < menuText.indexOf("SITE1-2012-10"));
        QVERIFY(menuText.contains("1/2/2012 - 29/2/2012"));
    }

    void menuThatCannotBeWrittenIsNamedUnderTheTotalsAsInTheWindow()
    {
        const QString one = writeLog("one.csv", plainLog(100.0));
        // A folder where the menu goes: the bill is written, the menu is not.
        const QString reports = QString::fromStdString(work_->path().string()) + "/reports";
        QVERIFY(QDir().mkpath(reports + "/menu.html/inside"));
        const ChildRun run = runCalc({"--export", "--reports-dir", reports, one});
        QCOMPARE(run.exitCode, 1);
        const QByteArray expected = expectedText({one}, lumivane::SettingsRecord{});
        QVERIFY2(run.out.startsWith(expected), run.out.constData());
        const QByteArray line = run.out.mid(expected.size());
        QVERIFY2(line.startsWith("no reports menu: " + QFile::encodeName(reports) + "/menu.html") &&
                     line.endsWith("\n") && line.count('\n') == 1,
                 line.constData());
        QVERIFY2(run.err.contains(line.chopped(1)), run.err.constData());
    }

    void onlyExportWritesAndThenToThePerUserReportsFolder()
    {
        // A stored Export of 1 does not make a plain run write anything.
        SettingsStore(QStringLiteral("lumivane")).SaveSetting("Export", "1");
        const QString log = writeLog("one.csv", plainLog(100.0));
        QCOMPARE(runCalc({log}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(dataHome() + "/Lumivane"));
        QCOMPARE(QDir(QString::fromStdString(work_->path().string())).entryList(QDir::Files),
                 QStringList{QStringLiteral("one.csv")});

        QCOMPARE(runCalc({"--export", log}).exitCode, 0);
        QVERIFY(QFileInfo(dataHome() + "/Lumivane/reports/menu.html").isFile());
    }

    void helpPrintsTheUsageAndExitsWithZero()
    {
        const ChildRun run = runCalc({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Usage: lumivane-calc "));
        QVERIFY(run.out.contains("--export"));
        QCOMPARE(run.err, QByteArray());
    }
};

QTEST_GUILESS_MAIN(LumivaneCalcTest)
#include "lumivane_calc_test.moc"
