#pragma once
// A vertical spin control: a short scroll bar whose highest value is at the
// top, so the upper arrow raises the value and the lower arrow lowers it.
#include <QScrollBar>

class SpinControl : public QScrollBar {
    Q_OBJECT
public:
    // A spin of that range and value that moves by 1 per step.
    SpinControl(int minimum, int maximum, int value, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void turnStepUpright(int action);

    bool pressed_ = false;
};
