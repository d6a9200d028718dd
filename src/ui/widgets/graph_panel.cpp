#include "ui/widgets/graph_panel.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Background colour of the surface where no picture covers it.
constexpr QRgb kSurfaceColour = qRgb(255, 255, 192);

QRgb penOf(lumivane::Colour colour)
{
    const auto channel = [colour](int shift) { return static_cast<int>((colour >> shift) & 0xFFu); };
    return qRgb(channel(0), channel(8), channel(16)) | 0xFF000000u;
}

// The whole pixels from the rounded lower to the rounded upper coordinate,
// clipped to 0..limit-1; false when none. Coordinates are clamped before
// rounding, so huge or infinite bar heights cannot overflow the rounding.
bool pixelRange(float a, float b, int limit, int& low, int& high)
{
    if (std::isnan(a) || std::isnan(b))
        return false;
    const float edge = static_cast<float>(limit);
    const float lower = std::clamp(std::min(a, b), -1.0f, edge);
    const float upper = std::clamp(std::max(a, b), -1.0f, edge);
    low = std::max(0, static_cast<int>(std::lround(lower)));
    high = std::min(limit - 1, static_cast<int>(std::lround(upper)));
    return low <= high;
}

}  // namespace

GraphPanel::GraphPanel(QWidget* parent)
    : QWidget(parent), background_(kWidth, kHeight, QImage::Format_RGB32),
      image_(kWidth, kHeight, QImage::Format_RGB32), pending_(static_cast<std::size_t>(kWidth) * kSpansPerColumn),
      pendingCount_(kWidth, 0)
{
    // The bars are drawn at the picture's size; a larger panel shows them stretched.
    setMinimumSize(kWidth, kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    background_.fill(kSurfaceColour);
    image_ = background_;
}

void GraphPanel::setBackgroundPicture(const QImage& picture)
{
    background_.fill(kSurfaceColour);
    QPainter painter(&background_);
    painter.drawImage(0, 0, picture);
    painter.end();
    clearBars();
}

void GraphPanel::clearBars()
{
    dropPending();
    image_ = background_;
    update();
}

const QImage& GraphPanel::image() const
{
    drawPending();
    return image_;
}

void GraphPanel::maskRectangle(float x1, float y1, float x2, float y2, lumivane::Colour colour)
{
    int left = 0, right = 0, top = 0, bottom = 0;
    if (!pixelRange(x1, x2, kWidth, left, right) || !pixelRange(y1, y2, kHeight, top, bottom))
        return;
    for (int x = left; x <= right; ++x)
        addSpan(x, colour, top, bottom);
    if (!anyPending_) {
        anyPending_ = true;
        update();
    }
}

void GraphPanel::addSpan(int x, lumivane::Colour colour, int top, int bottom)
{
    PendingSpan* spans = &pending_[static_cast<std::size_t>(x) * kSpansPerColumn];
    std::uint8_t& count = pendingCount_[static_cast<std::size_t>(x)];
    const PendingSpan added{colour, static_cast<std::int16_t>(top), static_cast<std::int16_t>(bottom)};
    for (int i = 0; i < count; ++i) {
        PendingSpan& span = spans[i];
        if (span.colour != colour)
            continue;
        // Bars of one colour in one column all touch their axis line, so they
        // nearly always overlap and merge into one run of rows.
        if (top <= span.bottom + 1 && bottom >= span.top - 1) {
            span.top = std::min(span.top, added.top);
            span.bottom = std::max(span.bottom, added.bottom);
        } else {
            drawSpan(x, span);
            span = added;
        }
        return;
    }
    if (count < kSpansPerColumn) {
        spans[count++] = added;
        return;
    }
    // Every slot holds another colour: draw one now to make room; order does not matter under AND.
    drawSpan(x, spans[0]);
    spans[0] = added;
}

void GraphPanel::drawSpan(int x, const PendingSpan& span) const
{
    const QRgb pen = penOf(span.colour);
    for (int y = span.top; y <= span.bottom; ++y)
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] &= pen;
}

void GraphPanel::drawPending() const
{
    if (!anyPending_)
        return;
    for (int x = 0; x < kWidth; ++x) {
        std::uint8_t& count = pendingCount_[static_cast<std::size_t>(x)];
        const PendingSpan* spans = &pending_[static_cast<std::size_t>(x) * kSpansPerColumn];
        for (int i = 0; i < count; ++i)
            drawSpan(x, spans[i]);
        count = 0;
    }
    anyPending_ = false;
}

void GraphPanel::dropPending()
{
    std::fill(pendingCount_.begin(), pendingCount_.end(), 0);
    anyPending_ = false;
}

void GraphPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image());
}
