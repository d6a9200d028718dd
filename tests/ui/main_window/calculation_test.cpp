// The calculation as the window runs it: the results text against the core's
// own run of the same files, the reports menu, the busy state seen from inside
// the run, and the kWh graph.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include "core/tariff/calculation_run.h"
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
QString coreRunText(MainWindowFixture& f, const QStringList& files)
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
        text += run.calculateFile(lumivane::pathBytes(file), {}, nullptr).text;
    return QString::fromStdString(text + run.closingText());
}

// Posts an event as the window system would, spontaneous, to be delivered in its turn.
void postSpontaneous(QObject* target, QEvent* event)
{
    QSpontaneKeyEvent::setSpontaneous(event);
    QCoreApplication::postEvent(target, event);
}

void postClick(QWidget* target)
{
    const QPointF middle(target->width() / 2.0, target->height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        postSpontaneous(target, new QMouseEvent(type, middle, target->mapToGlobal(middle), Qt::LeftButton,
                                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                Qt::NoModifier));
}

const QStringList kBusyControls{"cmdStartConvert", "cmdReset", "chkDate", "cmdExit", "cmdSettings"};

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
            f.find<QPushButton>("cmdStartConvert")->click();

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
            f.find<QPushButton>("cmdStartConvert")->click();
            QCOMPARE(f.results(), text);
        }
    }

    void busyRunRefusesClosingAndDiscardsInputGivenMeanwhile()
    {
        MainWindowFixture f({.arguments = {sample("plain_site1.csv"), sample("long_form.csv")}});
        frmMain& w = f.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* zone = f.find<DropZoneLabel>("lblDropZone");
        auto* chkGraph = f.find<QCheckBox>("chkGraph");
        bool closedDuringRun = true;
        bool looked = false;  // looks at the window from inside the run, when it first writes its results
        const auto hook = connect(f.find<ProcessTextArea>("txtProcess"), &QPlainTextEdit::textChanged, [&] {
            if (std::exchange(looked, true))
                return;
            QCOMPARE(f.find<QPushButton>("cmdStartConvert")->text(), QStringLiteral("&Cancel"));
            for (const QString& name : kBusyControls)
                QVERIFY2(!w.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
            QCOMPARE(zone->text(), QStringLiteral("Calculating!"));
            QVERIFY(!zone->acceptDrops());
            closedDuringRun = w.close();
            // Clicks and a close request queued while the run works, as the window system queues them.
            for (const char* name : {"cmdReset", "cmdStartConvert", "chkGraph"})
                postClick(f.find<QWidget>(name));
            postSpontaneous(w.windowHandle(), new QCloseEvent);
        });
        f.find<QPushButton>("cmdStartConvert")->click();
        disconnect(hook);
        QVERIFY(looked);
        QVERIFY(!closedDuringRun);
        const QString results = f.results();
        // The input queued meanwhile is swallowed from the event loop, then the window is idle again.
        QTRY_COMPARE(f.find<QPushButton>("cmdStartConvert")->text(), QStringLiteral("Start &Calculation"));

        QCOMPARE(f.results(), results);
        QVERIFY(!chkGraph->isChecked());
        QVERIFY(w.isVisible());
        QCOMPARE(f.find<QPushButton>("cmdStartConvert")->text(), QStringLiteral("Start &Calculation"));
        for (const QString& name : kBusyControls)
            QVERIFY2(w.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        QCOMPARE(zone->text(), QStringLiteral("2 File(s) selected."));
        QVERIFY(zone->acceptDrops());
        QTest::mouseClick(chkGraph, Qt::LeftButton);
        QVERIFY(chkGraph->isChecked());
        QVERIFY(w.close());
    }

    void graphBoxOpensThePanelAndBarsOfOneRunMixByAnd()
    {
        MainWindowFixture f({.arguments = {sample("graph_equal_steps.csv"), sample("graph_unequal_steps.csv")}});
        auto* panel = f.find<GraphPanel>("picGraph");
        const QImage empty = panel->image();
        f.find<QCheckBox>("chkGraph")->click();
        f.find<QPushButton>("cmdStartConvert")->click();
        const QImage drawn = panel->image();

        // A day bar of the first file alone (green), and where the second file's lower bar (red) ANDs into it.
        // Where bars stand and how high is the bar geometry's and the calculation run's tests.
        QCOMPARE(drawn.pixel(225, 10), empty.pixel(225, 10) & qRgb(0, 255, 0));
        QCOMPARE(drawn.pixel(225, 40), empty.pixel(225, 40) & qRgb(0, 255, 0) & qRgb(255, 0, 0));

        // A run with the box clear neither erases nor draws; Reset Selection erases.
        QTRY_VERIFY(f.find<QPushButton>("cmdReset")->isEnabled());
        f.find<QCheckBox>("chkGraph")->click();
        f.find<QPushButton>("cmdStartConvert")->click();
        QCOMPARE(panel->image(), drawn);
        QTRY_VERIFY(f.find<QPushButton>("cmdReset")->isEnabled());
        f.find<QPushButton>("cmdReset")->click();
        QCOMPARE(panel->image(), empty);
    }
};

QTEST_MAIN(CalculationTest)
#include "calculation_test.moc"
