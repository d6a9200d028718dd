// The calculation run as the main window drives it: the results text, the
// busy state seen from inside the run, the return to idle, the Reports button.
#include <QCheckBox>
#include <QFile>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <optional>

#include "calc/calculation_run.h"
#include "meterdata/drop_zone_label.h"
#include "platform/desktop_services.h"
#include "shell/frm_main.h"
#include "shell/process_text_area.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;
using lumivane::test::TempDir;

namespace {

const QString kHeader = QStringLiteral("Day Tariff: 0.16, Night Tariff: 0.09, Multiplier: 1\r\n") +
                        QString(79, QLatin1Char('-')) + QStringLiteral("\r\n");

struct Reading {
    const char* time;  // dd/mm/yyyy hh:mm
    double value;
};

// A plain meter log of the given readings, status 0, CR LF line ends.
QString writeLog(const TempDir& dir, const std::string& name, std::initializer_list<Reading> readings)
{
    std::string text = "Status,Time,Value\r\n";
    for (const Reading& r : readings)
        text += "0," + std::string(r.time) + "," + std::to_string(r.value) + "\r\n";
    return QString::fromStdString(dir.write(name, text));
}

QString siteOne(const TempDir& dir)
{
    return writeLog(dir, "north/site1.csv",
                    {{"05/03/2012 05:00", 100}, {"05/03/2012 06:00", 101.5}, {"05/03/2012 12:00", 110},
                     {"05/03/2012 20:00", 112.25}, {"06/03/2012 02:00", 115}, {"06/03/2012 09:00", 121}});
}

QString siteTwo(const TempDir& dir)
{
    return writeLog(dir, "south/site2.csv",
                    {{"05/03/2012 07:00", 5000}, {"05/03/2012 08:00", 5020}, {"05/03/2012 23:00", 5031},
                     {"07/03/2012 10:00", 5100}});
}

// What the run itself gives for these files: header, each file's block, totals.
QString runText(frmMain& w, const QStringList& files, const lumivane::DateScope& scope = {})
{
    lumivane::ReportEnvironment environment;
    environment.reportsFolder = QFile::encodeName(w.reportsFolder).toStdString();
    environment.programFolder = QFile::encodeName(w.programFolder).toStdString();
    environment.clock = &w.clock();
    environment.computerName = lumivane::getComputerName().toStdString();
    lumivane::GraphState graph;
    const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
    lumivane::CalculationRun run(w.settings, environment, graph, palette);
    std::string text = run.headerText();
    for (const QString& file : files)
        text += run.calculateFile(QFile::encodeName(file).toStdString(), scope, nullptr).text;
    text += run.grandTotalsText();
    return QString::fromStdString(text);
}

// What the window looked like the first time the run wrote to the results area.
struct BusyLook {
    QString caption;
    bool startEnabled, resetEnabled, dateEnabled, exitEnabled, settingsEnabled;
    QString zoneCaption;
    QColor zoneColour;
    bool zoneAcceptsDrops;
    bool closeAccepted;
    bool stillVisible;
    qint16 countAfterDrop;
};

// Watches the run from inside: the results area changes only while it runs.
class RunWatcher {
public:
    explicit RunWatcher(frmMain& w) : w_(w)
    {
        connection_ = QObject::connect(w.txtProcess, &QPlainTextEdit::textChanged, [this] { look(); });
    }
    ~RunWatcher() { QObject::disconnect(connection_); }
    std::optional<BusyLook> first;
    QStringList dropDuringRun;
    std::function<void()> duringRun;

private:
    void look()
    {
        if (first)
            return;
        BusyLook l;
        l.caption = w_.cmdStartConvert->text();
        l.startEnabled = w_.cmdStartConvert->isEnabled();
        l.resetEnabled = w_.cmdReset->isEnabled();
        l.dateEnabled = w_.chkDate->isEnabled();
        l.exitEnabled = w_.cmdExit->isEnabled();
        l.settingsEnabled = w_.cmdSettings->isEnabled();
        l.zoneCaption = w_.lblDropZone->text();
        l.zoneColour = w_.lblDropZone->backColour();
        l.zoneAcceptsDrops = w_.lblDropZone->acceptDrops();
        first = l;  // before close(), which must not come back here
        first->closeAccepted = w_.close();
        first->stillVisible = w_.isVisible();
        if (!dropDuringRun.isEmpty()) {
            QMimeData mime;
            QList<QUrl> urls;
            for (const QString& p : dropDuringRun)
                urls << QUrl::fromLocalFile(p);
            mime.setUrls(urls);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w_.lblDropZone, &drop);
        }
        first->countAfterDrop = w_.selectedCount;
        if (duringRun)
            duringRun();
    }
    frmMain& w_;
    QMetaObject::Connection connection_;
};

// Asks the window to close the way the window system does, when its turn comes in the queue.
class WindowSystemCloseRequest : public QObject {
public:
    explicit WindowSystemCloseRequest(QWindow* window) : window_(window) {}
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        qApp->notify(window_, &close);
        return true;
    }

private:
    QWindow* window_;
};

void select(frmMain& w, const QStringList& files)
{
    for (const QString& f : files)
        QVERIFY(w.addSelectedFile(f));
    w.showSelection();
}

void verifyIdle(frmMain& w, const QString& zoneCaption)
{
    QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("&Start Calculation"));
    QVERIFY(w.cmdStartConvert->isEnabled());
    QVERIFY(w.cmdReset->isEnabled());
    QVERIFY(w.chkDate->isEnabled());
    QVERIFY(w.cmdExit->isEnabled());
    QVERIFY(w.cmdSettings->isEnabled());
    QCOMPARE(w.lblDropZone->text(), zoneCaption);
    QCOMPARE(w.lblDropZone->backColour(), QColor(192, 255, 192));
    QVERIFY(w.lblDropZone->acceptDrops());
}

}  // namespace

class CalculationRunWindowTest : public QObject {
    Q_OBJECT
private slots:
    // ---- The results text --------------------------------------------------------

    void resultsAreaShowsHeaderEachFileAndTheTotals()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList files{siteOne(dir), siteTwo(dir)};
        select(w, files);
        w.txtProcess->setText(QStringLiteral("text of before\r\n"));
        w.cmdStartConvert->click();

        const QString text = w.txtProcess->text();
        QCOMPARE(text, runText(w, files));
        QVERIFY(text.startsWith(kHeader));
        QVERIFY(text.contains(QStringLiteral("north/site1.csv results...\r\n")));
        QVERIFY(text.indexOf(QStringLiteral("north/site1.csv")) < text.indexOf(QStringLiteral("south/site2.csv")));
        QVERIFY(text.contains(QStringLiteral("--------------------------------- TOTAL ---------------------------------\r\n")));
        // Every line ends with CR LF; the files are separated by an empty line.
        QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
        QVERIFY(text.contains(QStringLiteral("\r\n\r\nsouth/site2.csv results...")));
    }

    void scopeFieldsAreHandedToTheRun()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList files{siteOne(dir)};
        select(w, files);
        w.chkDate->click();
        w.vsDD->setValue(5);
        w.vsMM->setValue(3);
        w.vsYY->setValue(2012);
        w.vsDays->setValue(1);
        w.cmdStartConvert->click();

        const lumivane::DateScope scope{true, "5", "3", "2012", "1"};
        QCOMPARE(w.txtProcess->text(), runText(w, files, scope));
        QVERIFY(w.txtProcess->text() != runText(w, files));
    }

    void unreadableFileBetweenTwoGoodOnesIsReportedAndTheRunGoesOn()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QString missing = QString::fromStdString((dir.path() / "gone" / "missing.csv").string());
        const QStringList files{siteOne(dir), missing, siteTwo(dir)};
        select(w, files);
        w.cmdStartConvert->click();

        const QString text = w.txtProcess->text();
        QCOMPARE(text, runText(w, files));
        QVERIFY2(text.contains(QStringLiteral("gone/missing.csv")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("south/site2.csv results...")));
        verifyIdle(w, QStringLiteral("3 File(s) selected."));
    }

    void aSecondRunStartsAfresh()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList files{siteOne(dir), siteTwo(dir)};
        select(w, files);
        w.cmdStartConvert->click();
        const QString first = w.txtProcess->text();
        w.cmdStartConvert->click();
        QCOMPARE(w.txtProcess->text(), first);
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
    }

    void runWithAnEmptySelectionShowsHeaderAndZeroTotals()
    {
        MainWindowFixture fixture({}, {QStringLiteral("-nothing")});
        frmMain& w = fixture.window();
        QVERIFY(w.cmdStartConvert->isEnabled());
        w.cmdStartConvert->click();
        QCOMPARE(w.txtProcess->text(), runText(w, {}));
        QVERIFY(w.txtProcess->text().contains(QStringLiteral("        Total: 0.000 kWh,")));
        verifyIdle(w, QStringLiteral("0 File(s) selected."));
    }

    // ---- Busy and idle -------------------------------------------------------------

    void windowIsBusyWhileTheRunWorks()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {siteOne(dir), siteTwo(dir)});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        RunWatcher watcher(w);
        watcher.dropDuringRun = {siteTwo(dir)};
        w.cmdStartConvert->click();

        QVERIFY(watcher.first.has_value());
        const BusyLook& busy = *watcher.first;
        QCOMPARE(busy.caption, QStringLiteral("&Cancel"));
        QVERIFY(!busy.startEnabled);
        QVERIFY(!busy.resetEnabled);
        QVERIFY(!busy.dateEnabled);
        QVERIFY(!busy.exitEnabled);
        QVERIFY(!busy.settingsEnabled);
        QCOMPARE(busy.zoneCaption, QStringLiteral("Calculating!"));
        QCOMPARE(busy.zoneColour, QColor(255, 255, 255));
        QVERIFY(!busy.zoneAcceptsDrops);
        // Closing is refused and the window stays; a drop is not taken.
        QVERIFY(!busy.closeAccepted);
        QVERIFY(busy.stillVisible);
        QCOMPARE(busy.countAfterDrop, qint16(2));
    }

    void inputGivenDuringTheRunIsDiscarded()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {siteOne(dir), siteTwo(dir)});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        RunWatcher watcher(w);
        WindowSystemCloseRequest closeRequest(w.windowHandle());
        // Clicks and a close request queued while the run works, as the window system queues them.
        const auto click = [](QWidget* target) {
            const QPointF middle(target->width() / 2.0, target->height() / 2.0);
            const QPointF global = target->mapToGlobal(middle);
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                auto* event = new QMouseEvent(type, middle, global, Qt::LeftButton,
                                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                              Qt::NoModifier);
                QSpontaneKeyEvent::setSpontaneous(event);
                QCoreApplication::postEvent(target, event);
            }
        };
        watcher.duringRun = [&] {
            click(w.cmdReset);
            click(w.cmdStartConvert);
            click(w.chkGraph);
            // The window system's close request comes in its turn, after the clicks.
            QCoreApplication::postEvent(&closeRequest, new QEvent(QEvent::User));
        };
        w.cmdStartConvert->click();
        QVERIFY(watcher.first.has_value());
        const QString results = w.txtProcess->text();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();

        QCOMPARE(w.selectedCount, qint16(2));
        QCOMPARE(w.txtProcess->text(), results);
        QVERIFY(!w.chkGraph->isChecked());
        QVERIFY(w.isVisible());
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
        // Input given after the run works as usual.
        QTest::mouseClick(w.chkGraph, Qt::LeftButton);
        QVERIFY(w.chkGraph->isChecked());
    }

    void windowReturnsToIdleWithTheSavedCaption()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {siteOne(dir), siteTwo(dir)});
        QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("Start &Calculation"));
        w.cmdStartConvert->click();
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
        // After the run the window closes at once.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.close());
    }

    void runCalledOnAnIdleWindowDoesNotStartAnotherRun()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {siteOne(dir)});
        int writes = 0;
        const auto c = QObject::connect(w.txtProcess, &QPlainTextEdit::textChanged, [&] { ++writes; });
        w.runCalculation();
        QObject::disconnect(c);
        // Header, one block, totals: one run only, and the window stays idle.
        QCOMPARE(writes, 3);
        QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("Start &Calculation"));
        QVERIFY(w.cmdExit->isEnabled());
    }

    // ---- Reports ---------------------------------------------------------------------

    void exportOneShowsTheReportsButtonAndOpensTheMenu()
    {
        TempDir dir;
        MainWindowFixture fixture(StoredSettings{{"Export", "1"}});
        frmMain& w = fixture.window();
        QCOMPARE(w.settings.settingsExport, qint16(1));
        const QStringList files{siteOne(dir), siteTwo(dir)};
        select(w, files);
        QVERIFY(w.cmdTot->isHidden());
        w.cmdStartConvert->click();

        const QString menu = w.reportsFolder + QStringLiteral("menu.html");
        QCOMPARE(fixture.desktop().opened, QStringList{menu});
        QVERIFY(QFile::exists(menu));
        QVERIFY(!w.cmdTot->isHidden());
        QVERIFY(w.cmdTot->isEnabled());
        QVERIFY2(!w.txtProcess->text().contains(QStringLiteral("no bill")), qPrintable(w.txtProcess->text()));
        QCOMPARE(w.txtProcess->text(), runText(w, files));

        w.cmdTot->click();
        QCOMPARE(fixture.desktop().opened, (QStringList{menu, menu}));
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
    }

    void exportZeroLeavesTheReportsButtonHiddenAndOpensNothing()
    {
        TempDir dir;
        MainWindowFixture fixture(StoredSettings{{"Export", "0"}});
        frmMain& w = fixture.window();
        QFile::remove(w.reportsFolder + QStringLiteral("menu.html"));
        select(w, {siteOne(dir)});
        w.cmdStartConvert->click();
        QVERIFY(w.cmdTot->isHidden());
        QVERIFY(!w.cmdTot->isEnabled());
        QVERIFY(fixture.desktop().opened.isEmpty());
        QVERIFY(!QFile::exists(w.reportsFolder + QStringLiteral("menu.html")));
    }

    void menuThatCannotBeWrittenIsReportedAndNotOpened()
    {
        TempDir dir;
        MainWindowFixture fixture(StoredSettings{{"Export", "1"}});
        frmMain& w = fixture.window();
        w.reportsFolder = QString::fromStdString((dir.path() / "no such folder").string()) + QLatin1Char('/');
        const QStringList files{siteOne(dir)};
        select(w, files);
        w.cmdStartConvert->click();

        const QString text = w.txtProcess->text();
        QVERIFY(text.startsWith(runText(w, files)));
        const QString last = text.mid(runText(w, files).size());
        QVERIFY2(last.startsWith(QStringLiteral("no reports menu")) && last.endsWith(QStringLiteral("\r\n")),
                 qPrintable(last));
        QVERIFY(fixture.desktop().opened.isEmpty());
        QVERIFY(w.cmdTot->isHidden());
        verifyIdle(w, QStringLiteral("1 File(s) selected."));
    }
};

QTEST_MAIN(CalculationRunWindowTest)
#include "calculation_run_window_test.moc"
