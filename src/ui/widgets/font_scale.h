#pragma once
// Pixel geometry of hand-placed controls, laid out for a 9-point desktop font
// and grown in proportion for a larger one, so captions are never clipped.
#include <QRect>

class QFont;

class FontScale {
public:
    // The scale for controls drawn in that font: 1 up to the layout's own font, larger above it.
    explicit FontScale(const QFont& font);

    // The factor applied to every length.
    double factor() const { return factor_; }
    // A length of the 9-point layout, scaled.
    int operator()(int pixels) const;
    // A rectangle of the 9-point layout, scaled about the window's origin.
    QRect operator()(QRect rect) const;

private:
    double factor_ = 1.0;
};
