// The graph panel's surface: rectangles gathered per column and colour must
// give exactly the picture that drawing each rectangle pixel by pixel gives.
#include <QTest>

#include <cmath>
#include <random>

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
        const double left = std::lround(std::min(x1, x2)), right = std::lround(std::max(x1, x2));
        const double top = std::lround(std::min(y1, y2)), bottom = std::lround(std::max(y1, y2));
        for (int y = int(std::max(0.0, top)); y <= std::min(double(image.height() - 1), bottom); ++y)
            for (int x = int(std::max(0.0, left)); x <= std::min(double(image.width() - 1), right); ++x)
                image.setPixel(x, y, image.pixel(x, y) & (penOf(colour) | 0xFF000000u));
    }
    QImage image;
};

}  // namespace

class GraphPanelTest : public QObject {
    Q_OBJECT
private slots:
    // Eleven colours: more than a column keeps, so the gathering must flush and start again.
    void randomRectanglesGiveThePictureOfDrawingEachOne()
    {
        const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
        // The shipped graph picture: its colours make AND results differ from pixel to pixel.
        const QImage background(QCoreApplication::applicationDirPath() + "/gr1.bmp");
        QVERIFY(!background.isNull());
        GraphPanel panel;
        panel.setBackgroundPicture(background);
        ReferenceSurface reference(panel.image());

        std::mt19937 random(3);
        std::uniform_real_distribution<float> x(-20.0f, 560.0f), y(-20.0f, 140.0f), narrow(0.0f, 3.0f);
        std::uniform_int_distribution<int> colour(0, 10), look(0, 49);
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
                QCOMPARE(panel.image(), reference.image);
        }
        QCOMPARE(panel.image(), reference.image);
    }
};

QTEST_MAIN(GraphPanelTest)
#include "graph_panel_test.moc"
