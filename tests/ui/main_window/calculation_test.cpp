// The calculation as the window runs it: the results text against the core's
// own run of the same files (one block per file or per month), the reports
// menu, the run's progress, Cancel and Exit, keeping the results, and the kWh graph.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>

#include "core/tariff/calculation_run.h"
#include "core/tariff/file_blocks.h"
#include "platform/desktop_services.h"
#include "platform/utf8_text.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"
#include "ui/widgets/drop_zone_label.h"
#include "ui/widgets/graph_panel.h"
#include "ui/widgets/process_text_area.h"

using lumivane::test::MainWindowFixture;

namespace {

QString sample(const char* name)
{
    return QString::fromStdString((lumivane::test::testDataDir() / "meterlogs" / name).string());
}

// What the core's own run gives for these files with the stored settings: header, blocks, totals.
QString coreRunText(MainWindowFixture& f, const QStringList& files, bool eachMonth = false)
{
    lumivane::ReportEnvironment environment{
        QFile::encodeName(f.folders().reports).toStdString(),
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/").toStdString(), &f.clock(),
        lumivane::getComputerName().toStdString()};
    lumivane::GraphState graph;
    const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
    lumivane::CalculationRun run(lumivane::loadSettings(f.store()), environment, graph, palette);
    std::string text = run.headerText();
    for (const QString& file : files)
        for (const auto& block : lumivane::calculateFileBlocks(run, lumivane::pathBytes(file), {}, eachMonth, nullptr))
            text += block.text;
    return QString::fromStdString(text + run.closingText());
}

const QStringList kBusyControls{"cmdReset", "cmdAddFiles", "chkDate", "cmdSettings", "chkEachMonth", "cmdSaveResults"};

}  // namespace

class CalculationTest : public QObject {
    Q_OBJECT
private slots:
    void resultsEqualTheCoreRunAndTheMenuComesWithExport()
    {
        // A log with data notes, and one whose name is Latin-1 (no UTF-8) as an old share names it.
        lumivane::test::TempDir dir;
        const std::string latin1 = (dir.path() / "caf\xE9.csv").string();
        QVERIFY(std::filesystem::copy_file(sample("reset_gap_month.csv").toStdString(), latin1));
        // Options are skipped, after "--" a leading dash starts a path, and a quote in a path keeps its place.
        const QStringList files{sample("plain_site1.csv"), "/no/such/say \"hi\".csv",  sample("long_form.csv"),
                                sample("unit4.IRIO.txt"),  lumivane::pathText(latin1), "-no-such.csv"};
        // Export 0, Export 1, and Export 1 with the reports folder removed after start-up.
        for (const auto& [exportSetting, reportsFolderKept] : {std::pair{0, true}, {1, true}, {1, false}}) {
            MainWindowFixture f({.stored = {{"Export", std::to_string(exportSetting)}},
                                 .arguments = QStringList{"-x"} + files.mid(0, 5) + QStringList{"--", files.last()}});
            const QString menu = f.folders().reports + "menu.html";
            if (!reportsFolderKept)
                QVERIFY(QDir(f.folders().reports).removeRecursively());
            QVERIFY(f.runCalculation());

            const QString core = coreRunText(f, files);
            const QString text = f.results();
            const bool menuShown = exportSetting == 1 && reportsFolderKept;
            QCOMPARE(text.left(core.size()), core);
            QVERIFY(text.contains(QStringLiteral("caf\u00E9.csv results...")) && text.contains(" DATA NOTES "));
            QCOMPARE(text.mid(core.size()).startsWith("no reports menu"), exportSetting == 1 && !reportsFolderKept);
            QCOMPARE(QFile::exists(menu), menuShown);
            QCOMPARE(f.desktop().opened, menuShown ? QStringList{menu} : QStringList{});
            auto* reports = f.find<QPushButton>("cmdTot");
            QCOMPARE(!reports->isHidden(), menuShown);
            // Nothing half-written is left, and the folder is not silently made again.
            QCOMPARE(QDir(f.folders().reports).exists(), reportsFolderKept);
            if (menuShown) {
                reports->click();
                QCOMPARE(f.desktop().opened, (QStringList{menu, menu}));
            }
            QVERIFY(f.runCalculation());
            QCOMPARE(f.results(), text);
        }
    }

    void runShowsProgressCancelsAfterTheCurrentFileAndExitAsksFirst()
    {
        QStringList files{sample("long_form.csv"), sample("plain_site1.csv"), sample("unit4.IRIO.txt")};
        MainWindowFixture f({.arguments = files});
        frmMain& w = f.window();
        w.show();
        auto* start = f.find<QPushButton>("cmdStartConvert");
        auto* zone = f.find<DropZoneLabel>("lblDropZone");
        QString progress;
        // The first file's block is shown while the run goes on: the operator cancels then.
        const auto hook = connect(f.find<ProcessTextArea>("txtProcess"), &QPlainTextEdit::textChanged, [&] {
            if (!progress.isEmpty() || !f.results().contains(" results..."))
                return;
            progress = zone->text();
            QVERIFY(start->isEnabled());
            start->click();
        });
        start->click();
        QCOMPARE(start->text(), QStringLiteral("&Cancel"));
        for (const QString& name : kBusyControls)
            QVERIFY2(!w.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        QVERIFY(!zone->acceptDrops());
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start &Calculation"), 20000);
        disconnect(hook);
        QCOMPARE(progress, QStringLiteral("Calculating!\nfile 1 of 3\nlong_form.csv"));
        QCOMPARE(f.results().count(" results..."), 1);
        QVERIFY2(f.results().endsWith(QStringLiteral("The calculation was cancelled: 2 files were not calculated: "
                                                     "\"%1\", \"%2\".\r\n")
                                          .arg(files.at(1), files.at(2))),
                 qPrintable(f.results()));
        for (const QString& name : kBusyControls)
            QVERIFY2(w.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        QCOMPARE(zone->text(), QStringLiteral("3 File(s) selected."));

        // Exit during a run asks; "No" lets the run go on, "Yes" closes once it has ended.
        start->click();
        f.answer = QMessageBox::No;
        QVERIFY(!w.close());
        QCOMPARE(f.messages.filter("A calculation is running").size(), 1);
        QVERIFY(w.isVisible() && start->text() == QStringLiteral("&Cancel"));
        f.answer = QMessageBox::Yes;
        f.find<QPushButton>("cmdExit")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 20000);
        QVERIFY(f.results().contains("The calculation was cancelled"));
    }

    void eachMonthGivesTheMonthlyBlocksAndIsKept()
    {
        const QStringList files{sample("plain_site1.csv"), sample("thirteen_months.csv"), sample("long_form.csv")};
        MainWindowFixture f({.arguments = files});
        auto* box = f.find<QCheckBox>("chkEachMonth");
        QVERIFY(!box->isChecked());
        box->click();
        QCOMPARE(f.store().GetSetting("EachMonth"), std::optional<std::string>("1"));
        QVERIFY(f.runCalculation());
        QCOMPARE(f.results(), coreRunText(f, files, true));
        QVERIFY(f.results().count(" results...") > 13);

        MainWindowFixture kept({.stored = {{"EachMonth", "1"}}});
        QVERIFY(kept.find<QCheckBox>("chkEachMonth")->isChecked());
    }

    void saveResultsWritesTheTextAsShown()
    {
        MainWindowFixture f({.arguments = {sample("reset_gap_month.csv")}});
        QVERIFY(f.runCalculation());
        lumivane::test::TempDir dir;
        const QString target = QString::fromStdString((dir.path() / "r\u00E9sults.txt").string());
        f.find<QPushButton>("cmdSaveResults")->click();
        auto* dialog = f.window().findChild<QFileDialog*>("dlgSaveResults");
        QVERIFY(dialog && dialog->isVisible());
        dialog->selectFile(target);
        static_cast<QDialog*>(dialog)->accept();
        QCOMPARE(lumivane::test::contentOf(target), f.results().toUtf8());
        QVERIFY(f.results().contains("\r\n"));
        QCOMPARE(f.store().GetSetting("ResultsFolder"), std::optional<std::string>(dir.path().string()));

        // The reports folder opens in the file manager; a missing one is said so.
        f.find<QPushButton>("cmdOpenReports")->click();
        QCOMPARE(f.desktop().opened, QStringList{f.folders().reports});
        QVERIFY(QDir(f.folders().reports).removeRecursively());
        f.find<QPushButton>("cmdOpenReports")->click();
        QCOMPARE(f.messages.filter("could not be opened").size(), 1);
    }

    void graphBoxOpensThePanelAndBarsOfOneRunMixByAnd()
    {
        MainWindowFixture f({.arguments = {sample("graph_equal_steps.csv"), sample("graph_unequal_steps.csv")}});
        auto* panel = f.find<GraphPanel>("picGraph");
        const QImage empty = panel->image();
        f.find<QCheckBox>("chkGraph")->click();
        QVERIFY(f.runCalculation());
        const QImage drawn = panel->image();

        // A day bar of the first file alone (green), and where the second file's lower bar (red) ANDs into it.
        // Where bars stand and how high is the bar geometry's and the calculation run's tests.
        QCOMPARE(drawn.pixel(225, 10), empty.pixel(225, 10) & qRgb(0, 255, 0));
        QCOMPARE(drawn.pixel(225, 40), empty.pixel(225, 40) & qRgb(0, 255, 0) & qRgb(255, 0, 0));

        // A run with the box clear neither erases nor draws; Reset Selection erases.
        f.find<QCheckBox>("chkGraph")->click();
        QVERIFY(f.runCalculation());
        QCOMPARE(panel->image(), drawn);
        f.find<QPushButton>("cmdReset")->click();
        QCOMPARE(panel->image(), empty);
    }
};

QTEST_MAIN(CalculationTest)
#include "calculation_test.moc"
