#include "ui/widgets/spin_control.h"

SpinControl::SpinControl(int minimum, int maximum, int value, QWidget* parent) : QScrollBar(Qt::Vertical, parent)
{
    // The handle stands high for high values; wheel and keys follow that picture.
    setInvertedAppearance(true);
    setInvertedControls(false);
    setRange(minimum, maximum);
    setSingleStep(1);
    setPageStep(1);
    setValue(value);
    connect(this, &QAbstractSlider::actionTriggered, this, &SpinControl::turnStepUpright);
}

void SpinControl::mousePressEvent(QMouseEvent* event)
{
    pressed_ = true;
    QScrollBar::mousePressEvent(event);
}

void SpinControl::mouseReleaseEvent(QMouseEvent* event)
{
    QScrollBar::mouseReleaseEvent(event);
    pressed_ = false;
}

// A scroll bar's upper arrow and the trough above the handle step towards its
// minimum, whatever its appearance. With the maximum drawn at the top that
// runs against the arrows' direction, so a step taken by the mouse is turned
// round before it becomes the value (the slider position may still be changed
// at this point).
void SpinControl::turnStepUpright(int action)
{
    if (!pressed_)
        return;
    switch (action) {
    case SliderSingleStepAdd:
    case SliderPageStepAdd: setSliderPosition(value() - singleStep()); break;
    case SliderSingleStepSub:
    case SliderPageStepSub: setSliderPosition(value() + singleStep()); break;
    default: break;
    }
}
