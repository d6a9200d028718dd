#pragma once
// A label that reports clicks, double-clicks and the mouse moving over it.
#include <QLabel>

class EventLabel : public QLabel {
    Q_OBJECT
public:
    explicit EventLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    void mouseMoved();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};
