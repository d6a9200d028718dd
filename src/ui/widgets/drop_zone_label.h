#pragma once
// The drop zone: a label that takes files dragged from the desktop's file manager.
#include <QColor>
#include <QLabel>
#include <QStringList>

class QMimeData;

class DropZoneLabel : public QLabel {
    Q_OBJECT
public:
    // The zone's colours: empty, something dragged over it, files selected, a run under way.
    static inline const QColor kEmptyColour{224, 224, 224};
    static inline const QColor kDragOverColour{255, 255, 192};
    static inline const QColor kSelectedColour{192, 255, 192};
    static inline const QColor kBusyColour{255, 255, 255};

    explicit DropZoneLabel(QWidget* parent = nullptr);

    // The zone's background colour, which shows its state to the operator.
    void setBackColour(const QColor& colour);
    QColor backColour() const;

    // The local file paths a drag or drop carries, in the order it lists them.
    static QStringList localPaths(const QMimeData* mime);

signals:
    // The pointer moves over the zone while dragging something it may drop.
    void dragOver();
    // Files were dropped, in the order the drop lists them.
    void filesDropped(const QStringList& paths);
    // The zone was double-clicked: the operator asks to choose files instead.
    void doubleClicked();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
