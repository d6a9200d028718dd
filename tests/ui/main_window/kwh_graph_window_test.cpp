// The kWh graph in the main window: bars of a run in their colours, files of
// one run ANDed over each other, the panel opened and closed with its box.
#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <QTest>

#include "ui/widgets/graph_panel.h"
#include "ui/main_window/frm_main.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::TempDir;

namespace {

QRgb pen(int r, int g, int b) { return qRgb(r, g, b) | 0xFF000000u; }
const QRgb kGreen = pen(0, 255, 0), kDarkGreen = pen(0, 127, 0);
const QRgb kRed = pen(255, 0, 0), kDarkRed = pen(127, 0, 0);
const QRgb kTeal = pen(0, 127, 127), kLightBlue = pen(0, 127, 255);

// Four equal steps of 10: two day steps (11:00, 12:00), two night steps (20:00,
// 21:00). Each bar slot is 474 / 4 = 118.5 pixels wide and every bar is 53
// pixels high: slots 0 and 1 above the axis, 2 and 3 below.
QString equalSteps(const TempDir& dir)
{
    return QString::fromStdString(dir.write("a/equal.csv", "Status,Time,Value\r\n"
                                                            "0,05/03/2012 10:00,100\r\n"
                                                            "0,05/03/2012 11:00,110\r\n"
                                                            "0,05/03/2012 12:00,120\r\n"
                                                            "0,05/03/2012 20:00,130\r\n"
                                                            "0,05/03/2012 21:00,140\r\n"));
}

// Steps 20, 10, 10, 10 in the same slots: the first bar 53 high, the others
// 26.5 (rows 27 to 53 above the axis, 55 to 82 below).
QString unequalSteps(const TempDir& dir)
{
    return QString::fromStdString(dir.write("b/unequal.csv", "Status,Time,Value\r\n"
                                                              "0,05/03/2012 10:00,100\r\n"
                                                              "0,05/03/2012 11:00,120\r\n"
                                                              "0,05/03/2012 12:00,130\r\n"
                                                              "0,05/03/2012 20:00,140\r\n"
                                                              "0,05/03/2012 21:00,150\r\n"));
}

// Middles of the four slots.
constexpr int kSlot0 = 107, kSlot1 = 225, kSlot2 = 344, kSlot3 = 462;

void run(frmMain& w, const QStringList& files)
{
    w.cmdReset->click();
    for (const QString& f : files)
        QVERIFY(w.addSelectedFile(f));
    w.showSelection();
    w.cmdStartConvert->click();
}

}  // namespace

class KwhGraphWindowTest : public QObject {
    Q_OBJECT
private slots:
    void dayBarsAboveTheAxisNightBarsBelowAndTheMiddleRowEmpty()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QImage empty = w.picGraph->image();
        w.chkGraph->click();
        run(w, {equalSteps(dir)});
        const QImage img = w.picGraph->image();

        // The surface's colours there are such that every pen shows.
        QVERIFY(img.pixel(kSlot0, 20) != empty.pixel(kSlot0, 20));
        QVERIFY(img.pixel(kSlot2, 80) != empty.pixel(kSlot2, 80));
        for (int y : {0, 20, 52, 53}) {
            QCOMPARE(img.pixel(kSlot0, y), empty.pixel(kSlot0, y) & kGreen);
            QCOMPARE(img.pixel(kSlot1, y), empty.pixel(kSlot1, y) & kGreen);
            QCOMPARE(img.pixel(kSlot2, y), empty.pixel(kSlot2, y));  // night slot: nothing above
        }
        for (int y : {55, 80, 108}) {
            QCOMPARE(img.pixel(kSlot2, y), empty.pixel(kSlot2, y) & kDarkGreen);
            QCOMPARE(img.pixel(kSlot3, y), empty.pixel(kSlot3, y) & kDarkGreen);
            QCOMPARE(img.pixel(kSlot0, y), empty.pixel(kSlot0, y));  // day slot: nothing below
        }
        for (int x = 0; x < GraphPanel::kWidth; ++x) {
            QCOMPARE(img.pixel(x, 54), empty.pixel(x, 54));
            QCOMPARE(img.pixel(x, 110), empty.pixel(x, 110));  // below the tallest night bar
        }
        // Left of the margin and right of the last slot stay as they were.
        QCOMPARE(img.pixel(40, 20), empty.pixel(40, 20));
        QCOMPARE(img.pixel(525, 80), empty.pixel(525, 80));
    }

    void twoFilesOfOneRunMixByAnd()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QImage empty = w.picGraph->image();
        w.chkGraph->click();
        run(w, {equalSteps(dir), unequalSteps(dir)});
        const QImage img = w.picGraph->image();

        // Where only the first file drew, its colour; where both did, the AND of both.
        QCOMPARE(img.pixel(kSlot1, 10), empty.pixel(kSlot1, 10) & kGreen);
        QCOMPARE(img.pixel(kSlot1, 40), empty.pixel(kSlot1, 40) & kGreen & kRed);
        QVERIFY(img.pixel(kSlot1, 40) != img.pixel(kSlot1, 10));
        QCOMPARE(img.pixel(kSlot0, 10), empty.pixel(kSlot0, 10) & kGreen & kRed);
        QCOMPARE(img.pixel(kSlot2, 70), empty.pixel(kSlot2, 70) & kDarkGreen & kDarkRed);
        QCOMPARE(img.pixel(kSlot2, 100), empty.pixel(kSlot2, 100) & kDarkGreen);
    }

    void colourPairsMoveOnByTwoPerFile()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        const QImage empty = w.picGraph->image();
        w.chkGraph->click();
        const QString file = equalSteps(dir);
        const QRgb pairs[3][2] = {{kGreen, kDarkGreen}, {kRed, kDarkRed}, {kTeal, kLightBlue}};
        for (const auto& pair : pairs) {
            // Each run with the box ticked starts from an empty graph.
            run(w, {file});
            const QImage img = w.picGraph->image();
            QCOMPARE(img.pixel(kSlot0, 30), empty.pixel(kSlot0, 30) & pair[0]);
            QCOMPARE(img.pixel(kSlot3, 90), empty.pixel(kSlot3, 90) & pair[1]);
        }
        QCOMPARE(w.graph.graphColourIndex, std::int16_t(6));
    }

    void boxOpensAndClosesThePanel()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(564, 484));
        QCOMPARE(w.fraGraph->height(), 8);

        w.chkGraph->click();
        QCOMPARE(w.fraGraph->height(), 138);
        QCOMPARE(w.size(), QSize(564, 601));
        // All of the drawing surface shows inside its frame and the window.
        const QRect surface(w.picGraph->mapTo(&w, QPoint(0, 0)), w.picGraph->size());
        QCOMPARE(surface.size(), QSize(529, 113));
        QVERIFY(w.rect().contains(surface));
        QVERIFY(w.fraGraph->geometry().contains(surface));

        w.chkGraph->click();
        QCOMPARE(w.fraGraph->height(), 8);
        QCOMPARE(w.size(), QSize(564, 484));
    }

    void keptPictureOutlastsThePanelAndRunsWithoutItUntilReset()
    {
        TempDir dir;
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage empty = w.picGraph->image();
        w.chkGraph->click();
        run(w, {equalSteps(dir), unequalSteps(dir)});
        const QImage drawn = w.picGraph->image();
        QVERIFY(drawn != empty);

        // Closing and opening the panel keeps the bars, and what it paints is the kept picture.
        w.chkGraph->click();
        w.chkGraph->click();
        QCOMPARE(w.picGraph->image(), drawn);
        QCOMPARE(w.picGraph->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);

        // A run with the box clear neither erases nor draws; the colours still move on per file.
        w.chkGraph->click();
        w.cmdStartConvert->click();
        QCOMPARE(w.picGraph->image(), drawn);
        QCOMPARE(w.graph.graphColourIndex, std::int16_t(8));

        w.cmdReset->click();
        QCOMPARE(w.picGraph->image(), empty);
    }
};

QTEST_MAIN(KwhGraphWindowTest)
#include "kwh_graph_window_test.moc"
