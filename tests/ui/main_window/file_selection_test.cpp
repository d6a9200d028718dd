// The file selection: the command-line paths, drops on the zone and Reset
// Selection, seen through the zone, the buttons and what a run calculates.
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>

#include "support/main_window_fixture.h"
#include "ui/widgets/drop_zone_label.h"

using lumivane::test::MainWindowFixture;

namespace {

// Drags the files over the zone and drops them, as a file manager does; whether the drag was taken.
bool dropUrls(DropZoneLabel* zone, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPointF middle(zone->width() / 2.0, zone->height() / 2.0);
    QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &enter);
    QDropEvent drop(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &drop);
    return enter.isAccepted();
}

bool dropFiles(DropZoneLabel* zone, const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return dropUrls(zone, urls);
}

QStringList paths(const QString& stem, int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << QStringLiteral("/logs/%1%2.csv").arg(stem).arg(i);
    return list;
}

// The paths a run calculates, in its order: every missing file has a line naming it (without its root).
QStringList calculatedPaths(MainWindowFixture& f)
{
    f.find<QPushButton>("cmdStartConvert")->click();
    // The window is idle again once the event loop has turned.
    if (!QTest::qWaitFor([&] { return f.find<QPushButton>("cmdReset")->isEnabled(); }))
        return {"the window stayed busy"};
    QStringList named;
    for (const auto& line :
         QRegularExpression("^(logs/[^:]*): ", QRegularExpression::MultilineOption).globalMatch(f.results()))
        named << "/" + line.captured(1);
    return named;
}

}  // namespace

class FileSelectionTest : public QObject {
    Q_OBJECT
private slots:
    // Options, "--" and quoted paths on the command line are the calculation test's run.
    void commandLineAndDropsAddUpToThirtySixAndResetEmptiesTheSelection()
    {
        MainWindowFixture f({.arguments = paths("", 40)});
        auto* zone = f.find<DropZoneLabel>("lblDropZone");
        QCOMPARE(f.results(), QStringLiteral("The selection holds at most 36 files: 4 more named on the command line "
                                             "were left out, from \"/logs/37.csv\" on.\r\n"));
        QCOMPARE(zone->text(), QStringLiteral("36 File(s) selected."));
        QCOMPARE(calculatedPaths(f), paths("", 36));
        f.find<QPushButton>("cmdReset")->click();

        // Duplicates count; the buttons come with the selection.
        const QStringList first = paths("a", 2) + paths("a", 1);
        QVERIFY(dropFiles(zone, first));
        QCOMPARE(zone->text(), QStringLiteral("3 File(s) selected."));
        QCOMPARE(zone->backColour(), DropZoneLabel::kSelectedColour);
        for (const char* name : {"cmdStartConvert", "cmdReset", "chkDate"})
            QVERIFY2(f.find<QWidget>(name)->isEnabled(), name);

        // The 37th path is refused and named; what fitted stays, the caption is not shown again.
        const QStringList more = paths("b", 35);
        dropFiles(zone, more);
        QCOMPARE(f.results(), QStringLiteral("The selection is full: 36 files are selected, so \"%1\" and 1 more "
                                             "were not added.\r\n")
                                  .arg(more.at(33)));
        QCOMPARE(zone->text(), QStringLiteral("3 File(s) selected."));
        QCOMPARE(calculatedPaths(f), first + more.mid(0, 33));

        f.find<QPushButton>("cmdReset")->click();
        QCOMPARE(zone->text(), QStringLiteral("DROP FILES HERE"));
        QCOMPARE(zone->backColour(), DropZoneLabel::kEmptyColour);
        QCOMPARE(f.results(), QString());
        for (const char* name : {"cmdStartConvert", "cmdReset", "chkDate"})
            QVERIFY2(!f.find<QWidget>(name)->isEnabled(), name);
        // A name that is no UTF-8 (Latin-1 "é") reaches the run as its own bytes, shown as UTF-8.
        QVERIFY(dropUrls(zone, {QUrl::fromEncoded("file:///logs/caf%E9.csv")}));
        QCOMPARE(zone->text(), QStringLiteral("1 File(s) selected."));
        QCOMPARE(calculatedPaths(f), QStringList{QStringLiteral("/logs/caf\u00E9.csv")});
    }
};

QTEST_MAIN(FileSelectionTest)
#include "file_selection_test.moc"
