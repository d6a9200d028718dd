// The drop zone and the file selection of the main window: real drag and drop
// events carrying file addresses, Reset Selection, and the command line.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "graph/graph_panel.h"
#include "meterdata/drop_zone_label.h"
#include "shell/frm_main.h"
#include "shell/process_text_area.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::TempDir;

namespace {

const QColor kGrey(224, 224, 224);
const QColor kYellow(255, 255, 192);
const QColor kGreen(192, 255, 192);

QMimeData* fileDrag(const QStringList& paths)
{
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    mime->setUrls(urls);
    return mime;
}

// Moves a drag over the zone without dropping it; true when the zone took it.
bool dragOver(DropZoneLabel* zone, const QMimeData* mime)
{
    const QPoint middle(zone->width() / 2, zone->height() / 2);
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &enter);
    QDragMoveEvent move(middle, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &move);
    return enter.isAccepted();
}

// Drags the paths over the zone and drops them, as a file manager does.
void dropFiles(DropZoneLabel* zone, const QStringList& paths)
{
    std::unique_ptr<QMimeData> mime(fileDrag(paths));
    dragOver(zone, mime.get());
    QDropEvent drop(QPointF(zone->width() / 2.0, zone->height() / 2.0), Qt::CopyAction, mime.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(zone, &drop);
}

QStringList pathsIn(const TempDir& dir, const QString& stem, int count, int first = 1)
{
    QStringList paths;
    for (int i = first; i < first + count; ++i)
        paths << QString::fromStdString(dir.write((stem + QString::number(i) + QStringLiteral(".csv")).toStdString(),
                                                  "Status,Time,Value\r\n"));
    return paths;
}

void verifyThreeControlsEnabled(frmMain& w, bool enabled)
{
    QCOMPARE(w.cmdStartConvert->isEnabled(), enabled);
    QCOMPARE(w.cmdReset->isEnabled(), enabled);
    QCOMPARE(w.chkDate->isEnabled(), enabled);
}

}  // namespace

class FileSelectionWindowTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Drops -----------------------------------------------------------------

    void twoThenThreeDroppedFilesShowFive()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList first = pathsIn(dir, QStringLiteral("site"), 2);
        const QStringList second = pathsIn(dir, QStringLiteral("site"), 3, 3);
        dropFiles(w.lblDropZone, first);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("2 File(s) selected."));
        verifyThreeControlsEnabled(w, true);
        dropFiles(w.lblDropZone, second);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("5 File(s) selected."));
        QCOMPARE(w.lblDropZone->backColour(), kGreen);
        QCOMPARE(w.selectedCount, qint16(5));
        QCOMPARE(w.selectedFiles, first + second);
        // A drop adds; the results area is left alone.
        QCOMPARE(w.txtProcess->text(), QString());
    }

    void theSameFileDroppedTwiceIsListedTwice()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList one = pathsIn(dir, QStringLiteral("site"), 1);
        dropFiles(w.lblDropZone, one);
        dropFiles(w.lblDropZone, one);
        QCOMPARE(w.selectedCount, qint16(2));
        QCOMPARE(w.selectedFiles, one + one);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("2 File(s) selected."));
    }

    void thirtySeventhPathFailsAndTheThirtySixStay()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList many = pathsIn(dir, QStringLiteral("site"), 35);
        dropFiles(w.lblDropZone, many);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("35 File(s) selected."));
        w.txtProcess->setText(QStringLiteral("earlier text\r\n"));

        const QStringList more = pathsIn(dir, QStringLiteral("extra"), 3);
        dropFiles(w.lblDropZone, more);
        QCOMPARE(w.selectedCount, qint16(36));
        QCOMPARE(w.selectedFiles, many + more.mid(0, 1));
        QCOMPARE(w.txtProcess->text(),
                 QStringLiteral("The selection is full: 36 files are selected, so \"%1\" and 1 more were not added.\r\n")
                     .arg(more.at(1)));
        // The failed drop does not show the selection again.
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("35 File(s) selected."));
        QCOMPARE(w.lblDropZone->backColour(), kGreen);

        dropFiles(w.lblDropZone, more.mid(2));
        QCOMPARE(w.selectedCount, qint16(36));
        QCOMPARE(w.txtProcess->text(),
                 QStringLiteral("The selection is full: 36 files are selected, so \"%1\" was not added.\r\n")
                     .arg(more.at(2)));
    }

    void addSelectedFileFailsOnlyWhenFull()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        for (int i = 1; i <= 36; ++i)
            QVERIFY(w.addSelectedFile(QStringLiteral("/logs/%1.csv").arg(i)));
        QVERIFY(!w.addSelectedFile(QStringLiteral("/logs/37.csv")));
        QCOMPARE(w.selectedCount, qint16(36));
        QCOMPARE(w.selectedFiles.size(), 36);
        QCOMPARE(w.selectedFiles.last(), QStringLiteral("/logs/36.csv"));
    }

    void draggingFilesOverTheZoneTurnsItLightYellow()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        std::unique_ptr<QMimeData> mime(fileDrag(pathsIn(dir, QStringLiteral("site"), 1)));
        QVERIFY(dragOver(w.lblDropZone, mime.get()));
        QCOMPARE(w.lblDropZone->backColour(), kYellow);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("DROP FILES HERE"));
        // Left without a drop, it stays light yellow; nothing was selected.
        QDragLeaveEvent leave;
        QApplication::sendEvent(w.lblDropZone, &leave);
        QCOMPARE(w.lblDropZone->backColour(), kYellow);
        QCOMPARE(w.selectedCount, qint16(0));
    }

    void dragCarryingNoFilesIsNotTaken()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        QMimeData text;
        text.setText(QStringLiteral("just some words"));
        QVERIFY(!dragOver(w.lblDropZone, &text));
        QCOMPARE(w.lblDropZone->backColour(), kGrey);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.lblDropZone, &drop);
        QCOMPARE(w.selectedCount, qint16(0));
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("DROP FILES HERE"));
    }

    // ---- Reset Selection ---------------------------------------------------------

    void resetAfterADropEmptiesEverythingAndTheNextDropCountsFromOne()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        dropFiles(w.lblDropZone, pathsIn(dir, QStringLiteral("site"), 3));
        w.txtProcess->setText(QStringLiteral("results\r\n"));
        w.graph.graphDayX = 120;
        w.graph.graphNightX = 120;
        w.picGraph->maskRectangle(60, 10, 70, 53, lumivane::rgb(0, 255, 0));
        const QImage drawn = w.picGraph->image();

        QVERIFY(w.cmdReset->isEnabled());
        w.cmdReset->click();
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("DROP FILES HERE"));
        QCOMPARE(w.lblDropZone->backColour(), kGrey);
        QCOMPARE(w.txtProcess->text(), QString());
        verifyThreeControlsEnabled(w, false);
        QCOMPARE(w.selectedCount, qint16(0));
        QCOMPARE(w.graph.graphDayX, 0.0);
        QCOMPARE(w.graph.graphNightX, 0.0);
        QVERIFY(w.picGraph->image() != drawn);

        const QStringList one = pathsIn(dir, QStringLiteral("later"), 1);
        dropFiles(w.lblDropZone, one);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("1 File(s) selected."));
        QCOMPARE(w.selectedFiles, one);
        verifyThreeControlsEnabled(w, true);
    }

    // ---- The command line ----------------------------------------------------------

    void commandLineWithTwoPathsSelectsBothInOrder()
    {
        const QStringList paths{QStringLiteral("/logs/site b.csv"), QStringLiteral("/logs/site a.csv")};
        MainWindowFixture fixture({}, paths);
        frmMain& w = fixture.window();
        QCOMPARE(w.selectedFiles, paths);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("2 File(s) selected."));
        verifyThreeControlsEnabled(w, true);
    }

    void quotedCommandLineTextSelectsThePathsBetweenQuotes()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.loadCommandLineFiles(QStringLiteral("-x \"/logs/one.csv\" unquoted.csv \"/logs/two words.csv\""));
        QCOMPARE(w.selectedFiles, (QStringList{QStringLiteral("/logs/one.csv"), QStringLiteral("/logs/two words.csv")}));
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("2 File(s) selected."));
    }

    void commandLineWithoutPathsShowsCountZeroAndEnablesTheControls()
    {
        MainWindowFixture fixture({}, {QStringLiteral("-verbose")});
        frmMain& w = fixture.window();
        QCOMPARE(w.selectedCount, qint16(0));
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("0 File(s) selected."));
        verifyThreeControlsEnabled(w, true);

        MainWindowFixture other;
        other.window().loadCommandLineFiles(QStringLiteral("no quotes at all"));
        QCOMPARE(other.window().lblDropZone->text(), QStringLiteral("0 File(s) selected."));
        verifyThreeControlsEnabled(other.window(), true);
    }

    void noCommandLineLeavesTheStartState()
    {
        MainWindowFixture fixture;
        QCOMPARE(fixture.window().lblDropZone->text(), QStringLiteral("DROP FILES HERE"));
        verifyThreeControlsEnabled(fixture.window(), false);
    }

    void unclosedQuoteAtTheEndDropsThatPath()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.loadCommandLineFiles(QStringLiteral("\"a\" \"b"));
        QCOMPARE(w.selectedFiles, QStringList{QStringLiteral("a")});
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("1 File(s) selected."));
    }

    void argumentsAfterDoubleDashArePathsEvenWithALeadingDash()
    {
        MainWindowFixture fixture({}, {QStringLiteral("-x"), QStringLiteral("/logs/a.csv"), QStringLiteral("--"),
                                       QStringLiteral("-odd name.csv")});
        QCOMPARE(fixture.window().selectedFiles,
                 (QStringList{QStringLiteral("/logs/a.csv"), QStringLiteral("-odd name.csv")}));
    }

    void pathHoldingADoubleQuoteIsSelectedInItsPlace()
    {
        const QStringList paths{QStringLiteral("/logs/one.csv"), QStringLiteral("/logs/say \"hi\".csv"),
                                QStringLiteral("/logs/three.csv")};
        MainWindowFixture fixture({}, paths);
        QCOMPARE(fixture.window().selectedFiles, paths);
        QCOMPARE(fixture.window().lblDropZone->text(), QStringLiteral("3 File(s) selected."));
    }

    void moreThanThirtySixCommandLinePathsAreLeftOutWithALine()
    {
        QStringList paths;
        for (int i = 1; i <= 40; ++i)
            paths << QStringLiteral("/logs/%1.csv").arg(i);
        MainWindowFixture fixture({}, paths);
        frmMain& w = fixture.window();
        QCOMPARE(w.selectedCount, qint16(36));
        QCOMPARE(w.selectedFiles, paths.mid(0, 36));
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("36 File(s) selected."));
        QCOMPARE(w.txtProcess->text(),
                 QStringLiteral("The selection holds at most 36 files: 4 more named on the command line were left "
                                "out, from \"/logs/37.csv\" on.\r\n"));
    }

    void moreThanThirtySixQuotedPathsInTheTextAreLeftOutWithALine()
    {
        QString text;
        for (int i = 1; i <= 37; ++i)
            text += QStringLiteral("\"/logs/%1.csv\" ").arg(i);
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.loadCommandLineFiles(text);
        QCOMPARE(w.selectedCount, qint16(36));
        QCOMPARE(w.txtProcess->text(),
                 QStringLiteral("The selection holds at most 36 files: 1 more named on the command line was left "
                                "out, from \"/logs/37.csv\" on.\r\n"));
    }
};

QTEST_MAIN(FileSelectionWindowTest)
#include "file_selection_window_test.moc"
