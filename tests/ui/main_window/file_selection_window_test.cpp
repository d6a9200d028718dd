// The drop zone and the file selection of the main window: real drag and drop
// events carrying file addresses, Reset Selection, and the command line.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "ui/widgets/drop_zone_label.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::TempDir;

namespace {

const QColor kGrey(224, 224, 224);
const QColor kYellow(255, 255, 192);
const QColor kGreen(192, 255, 192);

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
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    dragOver(zone, &mime);
    QDropEvent drop(QPointF(zone->width() / 2.0, zone->height() / 2.0), Qt::CopyAction, &mime, Qt::LeftButton,
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

    void twoThenThreeDroppedFilesShowFiveDuplicatesIncluded()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QStringList first = pathsIn(dir, QStringLiteral("site"), 2);
        dropFiles(w.lblDropZone, first);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("2 File(s) selected."));
        verifyThreeControlsEnabled(w, true);
        // The second drop names a file of the first again: it is listed twice.
        const QStringList second = pathsIn(dir, QStringLiteral("site"), 2, 3) << first.at(0);
        dropFiles(w.lblDropZone, second);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("5 File(s) selected."));
        QCOMPARE(w.lblDropZone->backColour(), kGreen);
        QCOMPARE(w.selectedCount, qint16(5));
        QCOMPARE(w.selectedFiles, first + second);
        // A drop adds; the results area is left alone.
        QCOMPARE(w.txtProcess->text(), QString());
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

    void onlyADragCarryingFilesIsTakenAndTurnsTheZoneLightYellow()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        QMimeData words;
        words.setText(QStringLiteral("just some words"));
        QVERIFY(!dragOver(w.lblDropZone, &words));
        QCOMPARE(w.lblDropZone->backColour(), kGrey);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.lblDropZone, &drop);

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(pathsIn(dir, QStringLiteral("site"), 1).at(0))});
        QVERIFY(dragOver(w.lblDropZone, &files));
        QCOMPARE(w.lblDropZone->backColour(), kYellow);
        // Left without a drop, it stays light yellow; nothing was selected.
        QDragLeaveEvent leave;
        QApplication::sendEvent(w.lblDropZone, &leave);
        QCOMPARE(w.lblDropZone->backColour(), kYellow);
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

        // That Reset erases the bars themselves is pinned with the graph.
        w.cmdReset->click();
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("DROP FILES HERE"));
        QCOMPARE(w.lblDropZone->backColour(), kGrey);
        QCOMPARE(w.txtProcess->text(), QString());
        verifyThreeControlsEnabled(w, false);
        QCOMPARE(w.selectedCount, qint16(0));
        QCOMPARE(w.graph.graphDayX, 0.0);
        QCOMPARE(w.graph.graphNightX, 0.0);

        const QStringList one = pathsIn(dir, QStringLiteral("later"), 1);
        dropFiles(w.lblDropZone, one);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("1 File(s) selected."));
        QCOMPARE(w.selectedFiles, one);
        verifyThreeControlsEnabled(w, true);
    }

    // ---- The command line ----------------------------------------------------------

    // Linux hands over the arguments already split: each one that is no option is one path.
    void commandLineArgumentsArePathsInOrder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("line");
        QStringList forty;
        for (int i = 1; i <= 40; ++i)
            forty << QStringLiteral("/logs/%1.csv").arg(i);

        QTest::newRow("two paths") << QStringList{"/logs/site b.csv", "/logs/site a.csv"}
                                   << QStringList{"/logs/site b.csv", "/logs/site a.csv"}
                                   << "2 File(s) selected." << QString();
        QTest::newRow("options only") << QStringList{"-verbose"} << QStringList{} << "0 File(s) selected."
                                      << QString();
        QTest::newRow("none: the start state") << QStringList{} << QStringList{} << "DROP FILES HERE" << QString();
        QTest::newRow("after -- a leading dash is a path")
            << QStringList{"-x", "/logs/a.csv", "--", "-odd name.csv"} << QStringList{"/logs/a.csv", "-odd name.csv"}
            << "2 File(s) selected." << QString();
        QTest::newRow("a path holding a double quote keeps its place")
            << QStringList{"/logs/one.csv", "/logs/say \"hi\".csv", "/logs/three.csv"}
            << QStringList{"/logs/one.csv", "/logs/say \"hi\".csv", "/logs/three.csv"} << "3 File(s) selected."
            << QString();
        QTest::newRow("40 paths: four left out")
            << forty << forty.mid(0, 36) << "36 File(s) selected."
            << "The selection holds at most 36 files: 4 more named on the command line were left out, "
               "from \"/logs/37.csv\" on.\r\n";
    }

    void commandLineArgumentsArePathsInOrder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, selected);
        QFETCH(QString, caption);
        QFETCH(QString, line);
        MainWindowFixture fixture({}, arguments);
        frmMain& w = fixture.window();
        QCOMPARE(w.selectedFiles, selected);
        QCOMPARE(w.selectedCount, qint16(selected.size()));
        QCOMPARE(w.lblDropZone->text(), caption);
        QCOMPARE(w.txtProcess->text(), line);
        verifyThreeControlsEnabled(w, !arguments.isEmpty());
    }

    // The raw command-line text, as Windows hands it over: only quoted text is a path.
    void rawCommandLineTextSelectsTheQuotedPaths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("line");
        QString thirtySeven;
        QStringList thirtySix;
        for (int i = 1; i <= 37; ++i) {
            thirtySeven += QStringLiteral("\"/logs/%1.csv\" ").arg(i);
            if (i <= 36)
                thirtySix << QStringLiteral("/logs/%1.csv").arg(i);
        }

        QTest::newRow("quoted and unquoted") << "-x \"/logs/one.csv\" unquoted.csv \"/logs/two words.csv\""
                                             << QStringList{"/logs/one.csv", "/logs/two words.csv"} << QString();
        QTest::newRow("no quotes at all") << "no quotes at all" << QStringList{} << QString();
        QTest::newRow("an unclosed quote drops its path") << "\"a\" \"b" << QStringList{"a"} << QString();
        QTest::newRow("37 quoted paths: one left out")
            << thirtySeven << thirtySix
            << "The selection holds at most 36 files: 1 more named on the command line was left out, "
               "from \"/logs/37.csv\" on.\r\n";
    }

    void rawCommandLineTextSelectsTheQuotedPaths()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, selected);
        QFETCH(QString, line);
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.loadCommandLineFiles(text);
        QCOMPARE(w.selectedFiles, selected);
        QCOMPARE(w.lblDropZone->text(), QStringLiteral("%1 File(s) selected.").arg(selected.size()));
        QCOMPARE(w.txtProcess->text(), line);
        verifyThreeControlsEnabled(w, true);
    }
};

QTEST_MAIN(FileSelectionWindowTest)
#include "file_selection_window_test.moc"
