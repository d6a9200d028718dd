#pragma once
// The kWh graph's drawing surface. Bars are drawn into a kept image, so they
// survive the window being covered, and each drawn pixel becomes the AND of
// the pen colour and what is there (mask pen).
//
// A run of many long files asks for far more rectangles than the surface has
// pixel columns, so rectangles are gathered per column and colour and drawn
// into the image in one go before anything looks at it. Since AND is
// commutative and ANDing a colour twice changes nothing, the picture is the
// same as drawing every rectangle as it comes.
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "core/graph/graph_state.h"

class GraphPanel : public QWidget, public lumivane::BarSink {
    Q_OBJECT
public:
    static constexpr int kWidth = 529;
    static constexpr int kHeight = 113;

    explicit GraphPanel(QWidget* parent = nullptr);

    // The background picture; bars already drawn are erased.
    void setBackgroundPicture(const QImage& picture);
    // Erases every bar; the background picture stays.
    void clearBars();
    // What is on the surface now, every rectangle asked for so far included.
    const QImage& image() const;

    // ANDs the colour into the pixels whose centres lie in the rectangle
    // between the two corners (edges included, rounded to whole pixels),
    // clipped to the surface.
    void maskRectangle(float x1, float y1, float x2, float y2, lumivane::Colour colour) override;

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Rows top..bottom of one column still to be ANDed with one colour.
    struct PendingSpan {
        lumivane::Colour colour;
        std::int16_t top;
        std::int16_t bottom;
    };
    // A few colours per column: a file draws two, and a run ANDs files over each other.
    static constexpr int kSpansPerColumn = 4;

    void addSpan(int x, lumivane::Colour colour, int top, int bottom);
    void drawSpan(int x, const PendingSpan& span) const;
    void drawPending() const;
    void dropPending();

    QImage background_;
    mutable QImage image_;
    mutable std::vector<PendingSpan> pending_;        // kSpansPerColumn slots per column
    mutable std::vector<std::uint8_t> pendingCount_;  // used slots per column
    mutable bool anyPending_ = false;
};
