#include "ui/widgets/font_scale.h"

#include <QFont>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace {

// What the layout was drawn for: a 9-point sans face at 96 dots an inch.
constexpr double kLayoutLineSpacing = 14.0;
constexpr double kLayoutSampleWidth = 270.0;
const char* const kSample = "The quick brown fox jumps over the lazy dog";

}  // namespace

FontScale::FontScale(const QFont& font)
{
    const QFontMetrics metrics(font);
    // Taller and wider faces both need room: the larger of the two ratios wins.
    const double taller = metrics.lineSpacing() / kLayoutLineSpacing;
    const double wider = metrics.horizontalAdvance(QString::fromLatin1(kSample)) / kLayoutSampleWidth;
    factor_ = std::max({1.0, taller, wider});
}

int FontScale::operator()(int pixels) const { return static_cast<int>(std::lround(pixels * factor_)); }

QRect FontScale::operator()(QRect rect) const
{
    // Scaling both edges keeps neighbours that touch at the layout size touching when grown.
    const int left = (*this)(rect.left());
    const int top = (*this)(rect.top());
    return QRect(left, top, (*this)(rect.left() + rect.width()) - left, (*this)(rect.top() + rect.height()) - top);
}
