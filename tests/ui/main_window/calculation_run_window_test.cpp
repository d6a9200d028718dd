// The calculation run as the main window drives it: the results text, the
// busy state seen from inside the run, the return to idle, the Reports button.
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <functional>
#include <map>

#include "core/tariff/calculation_run.h"
#include "ui/widgets/drop_zone_label.h"
#include "platform/desktop_services.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;
using lumivane::test::TempDir;

namespace {

const QString kSiteOne = QStringLiteral("north/site1.csv");
const QString kSiteTwo = QStringLiteral("south/site2.csv");

// Two small meter logs by name, written into `dir`; any other name is a file that is not there.
QString logPath(const TempDir& dir, const QString& name)
{
    static const std::map<QString, std::string> logs = {
        {kSiteOne, "Status,Time,Value\r\n0,05/03/2012 05:00,100\r\n0,05/03/2012 06:00,101.5\r\n"
                   "0,05/03/2012 12:00,110\r\n0,05/03/2012 20:00,112.25\r\n0,06/03/2012 02:00,115\r\n"
                   "0,06/03/2012 09:00,121\r\n"},
        {kSiteTwo, "Status,Time,Value\r\n0,05/03/2012 07:00,5000\r\n0,05/03/2012 08:00,5020\r\n"
                   "0,05/03/2012 23:00,5031\r\n0,07/03/2012 10:00,5100\r\n"}};
    const auto log = logs.find(name);
    return QString::fromStdString(log == logs.end() ? (dir.path() / name.toStdString()).string()
                                                    : dir.write(name.toStdString(), log->second));
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

// Runs `inside` once, when the run first writes to the results area: the area
// changes only while a run works, so this looks at the window from inside it.
class DuringTheRun {
public:
    DuringTheRun(frmMain& w, std::function<void()> inside) : inside_(std::move(inside))
    {
        connection_ = QObject::connect(w.txtProcess, &QPlainTextEdit::textChanged, [this] {
            if (ran)
                return;
            ran = true;  // before `inside`, which may come back here
            inside_();
        });
    }
    ~DuringTheRun() { QObject::disconnect(connection_); }
    bool ran = false;

private:
    std::function<void()> inside_;
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

// The controls the busy state disables.
QList<QWidget*> busyControls(frmMain& w)
{
    return {w.cmdStartConvert, w.cmdReset, w.chkDate, w.cmdExit, w.cmdSettings};
}

void verifyIdle(frmMain& w, const QString& zoneCaption)
{
    QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("&Start Calculation"));
    for (QWidget* control : busyControls(w))
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    QCOMPARE(w.lblDropZone->text(), zoneCaption);
    QCOMPARE(w.lblDropZone->backColour(), QColor(192, 255, 192));
    QVERIFY(w.lblDropZone->acceptDrops());
}

}  // namespace

class CalculationRunWindowTest : public QObject {
    Q_OBJECT
private slots:
    // ---- The results text --------------------------------------------------------

    void resultsAreaShowsTheRunTextOfTheSelection_data()
    {
        QTest::addColumn<QStringList>("logs");
        QTest::newRow("two files") << QStringList{kSiteOne, kSiteTwo};
        QTest::newRow("an unreadable file between two good ones")
            << QStringList{kSiteOne, QStringLiteral("gone/missing.csv"), kSiteTwo};
        QTest::newRow("empty selection") << QStringList{};
    }

    void resultsAreaShowsTheRunTextOfTheSelection()
    {
        QFETCH(QStringList, logs);
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        QStringList files;
        for (const QString& log : logs)
            files << logPath(dir, log);
        select(w, files);
        w.txtProcess->setText(QStringLiteral("text of before\r\n"));
        w.cmdStartConvert->click();

        // Header, then every file's block or error line in selection order, then the totals.
        const QString text = w.txtProcess->text();
        QCOMPARE(text, runText(w, files));
        qsizetype at = 0;
        for (const QString& log : logs) {
            at = text.indexOf(log, at);
            QVERIFY2(at >= 0, qPrintable(log + QStringLiteral(" missing or out of order in:\n") + text));
        }
        QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
        verifyIdle(w, QStringLiteral("%1 File(s) selected.").arg(logs.size()));

        // A second run starts afresh.
        w.cmdStartConvert->click();
        QCOMPARE(w.txtProcess->text(), text);
    }

    void scopeFieldsAreHandedToTheRun()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList files{logPath(dir, kSiteOne)};
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

    // ---- Busy and idle -------------------------------------------------------------

    void windowIsBusyWhileTheRunWorksAndIdleAfter()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {logPath(dir, kSiteOne), logPath(dir, kSiteTwo)});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        DuringTheRun during(w, [&] {
            QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("&Cancel"));
            for (QWidget* control : busyControls(w))
                QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
            QCOMPARE(w.lblDropZone->text(), QStringLiteral("Calculating!"));
            QCOMPARE(w.lblDropZone->backColour(), QColor(255, 255, 255));
            QVERIFY(!w.lblDropZone->acceptDrops());
            // Closing is refused and the window stays; a drop is not taken.
            QVERIFY(!w.close());
            QVERIFY(w.isVisible());
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(logPath(dir, kSiteTwo))});
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.lblDropZone, &drop);
            QCOMPARE(w.selectedCount, qint16(2));
        });
        w.cmdStartConvert->click();
        QVERIFY(during.ran);
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
        // After the run the window closes at once.
        QVERIFY(w.close());
    }

    void inputGivenDuringTheRunIsDiscarded()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {logPath(dir, kSiteOne), logPath(dir, kSiteTwo)});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
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
        DuringTheRun during(w, [&] {
            click(w.cmdReset);
            click(w.cmdStartConvert);
            click(w.chkGraph);
            // The window system's close request comes in its turn, after the clicks.
            QCoreApplication::postEvent(&closeRequest, new QEvent(QEvent::User));
        });
        w.cmdStartConvert->click();
        QVERIFY(during.ran);
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

    void runCalledOnAnIdleWindowDoesNotStartAnotherRun()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        select(w, {logPath(dir, kSiteOne)});
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

    void reportsButtonAndMenuComeOnlyWithExportOne_data()
    {
        QTest::addColumn<QString>("exportSetting");
        QTest::newRow("Export 1") << "1";
        QTest::newRow("Export 0") << "0";
    }

    void reportsButtonAndMenuComeOnlyWithExportOne()
    {
        QFETCH(QString, exportSetting);
        const bool exported = exportSetting == QLatin1String("1");
        TempDir dir;
        MainWindowFixture fixture(StoredSettings{{"Export", exportSetting.toStdString()}});
        frmMain& w = fixture.window();
        const QString menu = w.reportsFolder + QStringLiteral("menu.html");
        QFile::remove(menu);
        const QStringList files{logPath(dir, kSiteOne), logPath(dir, kSiteTwo)};
        select(w, files);
        QVERIFY(w.cmdTot->isHidden());
        w.cmdStartConvert->click();

        QVERIFY2(!w.txtProcess->text().contains(QStringLiteral("no bill")), qPrintable(w.txtProcess->text()));
        QCOMPARE(w.txtProcess->text(), runText(w, files));
        QCOMPARE(QFile::exists(menu), exported);
        QCOMPARE(fixture.desktop().opened, exported ? QStringList{menu} : QStringList{});
        QCOMPARE(w.cmdTot->isHidden(), !exported);
        QCOMPARE(w.cmdTot->isEnabled(), exported);
        verifyIdle(w, QStringLiteral("2 File(s) selected."));
        if (exported) {
            w.cmdTot->click();
            QCOMPARE(fixture.desktop().opened, (QStringList{menu, menu}));
        }
    }

    void menuThatCannotBeWrittenIsReportedAndNotOpened()
    {
        TempDir dir;
        MainWindowFixture fixture(StoredSettings{{"Export", "1"}});
        frmMain& w = fixture.window();
        w.reportsFolder = QString::fromStdString((dir.path() / "no such folder").string()) + QLatin1Char('/');
        const QStringList files{logPath(dir, kSiteOne)};
        select(w, files);
        w.cmdStartConvert->click();

        const QString text = w.txtProcess->text();
        const QString run = runText(w, files);
        QVERIFY(text.startsWith(run));
        const QString last = text.mid(run.size());
        QVERIFY2(last.startsWith(QStringLiteral("no reports menu")) && last.endsWith(QStringLiteral("\r\n")),
                 qPrintable(last));
        QVERIFY(fixture.desktop().opened.isEmpty());
        QVERIFY(w.cmdTot->isHidden());
        verifyIdle(w, QStringLiteral("1 File(s) selected."));
    }
};

QTEST_MAIN(CalculationRunWindowTest)
#include "calculation_run_window_test.moc"
