// The graph panel's surface: rectangles gathered per column and colour must
// give exactly the picture that drawing each rectangle pixel by pixel gives.
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

#include "core/graph/bar_geometry.h"
#include "ui/widgets/graph_panel.h"

namespace {

QRgb penOf(lumivane::Colour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The plain way: every rectangle ANDs its colour into every pixel whose centre
// it covers, edges rounded to whole pixels, clipped to the surface.
class ReferenceSurface : public lumivane::BarSink {
public:
    explicit ReferenceSurface(QImage start) : image(std::move(start)) {}
    void maskRectangle(float x1, float y1, float x2, float y2, lumivane::Colour colour) override
    {
        if (std::isnan(x1) || std::isnan(x2) || std::isnan(y1) || std::isnan(y2))
            return;
        const double left = std::lround(std::min(x1, x2)), right = std::lround(std::max(x1, x2));
        const double top = std::lround(std::min(y1, y2)), bottom = std::lround(std::max(y1, y2));
        for (int y = int(std::max(0.0, top)); y <= std::min(double(image.height() - 1), bottom); ++y)
            for (int x = int(std::max(0.0, left)); x <= std::min(double(image.width() - 1), right); ++x)
                image.setPixel(x, y, image.pixel(x, y) & (penOf(colour) | 0xFF000000u));
    }
    QImage image;
};

// A background with some structure, so AND results differ from pixel to pixel.
QImage stripedPicture()
{
    QImage picture(GraphPanel::kWidth, GraphPanel::kHeight, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(255 - (x % 7) * 3, 255 - (y % 5) * 9, 200 + (x + y) % 50));
    return picture;
}

QString firstDifference(const QImage& a, const QImage& b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1,%2): %3 vs %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return {};
}

}  // namespace

class GraphPanelTest : public QObject {
    Q_OBJECT
private slots:
    void randomRectanglesGiveThePictureOfDrawingEachOne_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("colours");
        QTest::newRow("two colours") << 1u << 2;
        QTest::newRow("six colours, more than a column keeps") << 2u << 6;
        QTest::newRow("eleven colours") << 3u << 11;
        QTest::newRow("another seed") << 4u << 4;
    }

    void randomRectanglesGiveThePictureOfDrawingEachOne()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, colours);
        const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
        GraphPanel panel;
        panel.setBackgroundPicture(stripedPicture());
        ReferenceSurface reference(panel.image());

        std::mt19937 random(seed);
        std::uniform_real_distribution<float> x(-20.0f, 560.0f), y(-20.0f, 140.0f), narrow(0.0f, 3.0f);
        std::uniform_int_distribution<int> colour(0, colours - 1), look(0, 49);
        for (int i = 0; i < 3000; ++i) {
            const float x1 = x(random);
            // Mostly slim bars from an axis line, as the engine draws them; some anywhere.
            const bool bar = i % 3 != 0;
            const float x2 = bar ? x1 + narrow(random) : x(random);
            const float y1 = bar ? (i % 2 ? 53.0f : 55.0f) : y(random);
            const float y2 = y(random);
            const lumivane::Colour c = palette[static_cast<std::size_t>(colour(random))];
            panel.maskRectangle(x1, y1, x2, y2, c);
            reference.maskRectangle(x1, y1, x2, y2, c);
            // Looking at the picture now and then draws what is gathered so far.
            if (look(random) == 0)
                QCOMPARE(firstDifference(panel.image(), reference.image), QString());
        }
        QCOMPARE(firstDifference(panel.image(), reference.image), QString());
    }

    void engineBarsOfSeveralFilesGiveThePictureOfDrawingEachOne()
    {
        // Thousands of sub-pixel bars per file, day and night mixed, files ANDed over each other.
        const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
        GraphPanel panel;
        ReferenceSurface reference(panel.image());
        std::mt19937 random(2012);
        std::uniform_real_distribution<double> step(-0.5, 10.0);
        lumivane::GraphState state;
        for (int file = 0; file < 5; ++file) {
            const int steps = 4000 + 700 * file;
            state.graphColourIndex = static_cast<std::int16_t>((2 + 2 * file) % 10);
            state.graphBarWidth = 474.0 / steps;
            state.graphScale = 53.0 / 10.0;
            lumivane::GraphState same = state;
            for (int i = 0; i < steps; ++i) {
                const double v = step(random);
                if ((i / 17) % 3 == 0) {
                    lumivane::drawNightBar(state, palette, panel, v);
                    lumivane::drawNightBar(same, palette, reference, v);
                } else {
                    lumivane::drawDayBar(state, palette, panel, v);
                    lumivane::drawDayBar(same, palette, reference, v);
                }
            }
            state.graphDayX = state.graphNightX = 0;
        }
        QCOMPARE(firstDifference(panel.image(), reference.image), QString());
    }

    void separateRectanglesOfOneColourKeepTheGapBetweenThem()
    {
        GraphPanel panel;
        const QImage before = panel.image();
        const QRgb pen = qRgb(0, 127, 255) | 0xFF000000u;
        panel.maskRectangle(100, 10, 100, 20, lumivane::rgb(0, 127, 255));
        panel.maskRectangle(100, 22, 100, 30, lumivane::rgb(0, 127, 255));
        panel.maskRectangle(100, 31, 100, 35, lumivane::rgb(0, 127, 255));  // touches the one above
        panel.maskRectangle(100, 5, 100, 8, lumivane::rgb(0, 127, 255));
        const QImage after = panel.image();
        for (int y = 0; y < GraphPanel::kHeight; ++y) {
            const bool drawn = (y >= 5 && y <= 8) || (y >= 10 && y <= 20) || (y >= 22 && y <= 35);
            QCOMPARE(after.pixel(100, y), drawn ? before.pixel(100, y) & pen : before.pixel(100, y));
            QCOMPARE(after.pixel(101, y), before.pixel(101, y));
        }
    }

    void hugeInfiniteAndUndefinedCoordinatesAreClippedSafely()
    {
        GraphPanel panel;
        const QImage before = panel.image();
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        panel.maskRectangle(100, 53, 101, -inf, lumivane::rgb(0, 255, 0));
        panel.maskRectangle(200, 55, 201, 1e30f, lumivane::rgb(0, 127, 0));
        panel.maskRectangle(300, 53, 301, nan, lumivane::rgb(255, 0, 0));
        panel.maskRectangle(1e30f, 53, 2e30f, 0, lumivane::rgb(255, 0, 0));
        panel.maskRectangle(-1e30f, 53, -5, 0, lumivane::rgb(255, 0, 0));
        const QImage after = panel.image();
        QCOMPARE(after.pixel(100, 0), before.pixel(100, 0) & (qRgb(0, 255, 0) | 0xFF000000u));
        QCOMPARE(after.pixel(100, 53), before.pixel(100, 53) & (qRgb(0, 255, 0) | 0xFF000000u));
        QCOMPARE(after.pixel(100, 54), before.pixel(100, 54));
        QCOMPARE(after.pixel(200, 112), before.pixel(200, 112) & (qRgb(0, 127, 0) | 0xFF000000u));
        for (int y = 0; y < GraphPanel::kHeight; ++y) {
            QCOMPARE(after.pixel(300, y), before.pixel(300, y));
            QCOMPARE(after.pixel(0, y), before.pixel(0, y));
            QCOMPARE(after.pixel(GraphPanel::kWidth - 1, y), before.pixel(GraphPanel::kWidth - 1, y));
        }
    }

    void clearingOrANewPictureErasesBarsNotYetLookedAt()
    {
        GraphPanel panel;
        panel.maskRectangle(48, 53, 300, 0, lumivane::rgb(0, 0, 255));
        panel.setBackgroundPicture(stripedPicture());
        QCOMPARE(firstDifference(panel.image(), stripedPicture()), QString());
        panel.maskRectangle(48, 53, 300, 0, lumivane::rgb(0, 0, 255));
        panel.clearBars();
        QCOMPARE(firstDifference(panel.image(), stripedPicture()), QString());
    }

    void surfaceWithoutAPictureIsLightYellow()
    {
        GraphPanel panel;
        QCOMPARE(panel.image().pixel(0, 0), qRgb(255, 255, 192));
        QCOMPARE(panel.size(), QSize(529, 113));
    }

    void paintedPanelShowsTheKeptPictureWithPendingBars()
    {
        GraphPanel panel;
        panel.setBackgroundPicture(stripedPicture());
        panel.maskRectangle(60, 53, 61.5f, 10, lumivane::rgb(0, 255, 0));
        // Painting draws the gathered bars first.
        const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), panel.image().size());
        QCOMPARE(firstDifference(shown, panel.image()), QString());
        QCOMPARE(shown.pixel(61, 30), stripedPicture().pixel(61, 30) & (qRgb(0, 255, 0) | 0xFF000000u));
    }
};

QTEST_MAIN(GraphPanelTest)
#include "graph_panel_test.moc"
