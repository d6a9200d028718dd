#include "ui/widgets/drop_zone_label.h"

#include "platform/utf8_text.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

DropZoneLabel::DropZoneLabel(QWidget* parent) : QLabel(parent)
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
    // It shows file names, which may hold anything a file system allows.
    setTextFormat(Qt::PlainText);
}

void DropZoneLabel::setBackColour(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

QColor DropZoneLabel::backColour() const { return palette().color(QPalette::Window); }

QStringList DropZoneLabel::localPaths(const QMimeData* mime)
{
    // Only files and folders of the file system can be calculated; web
    // addresses and plain text dragged from elsewhere are not offered.
    QStringList paths;
    if (!mime)
        return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            // The path's own bytes, as the address carries them percent-encoded: a
            // name that is no UTF-8 would lose them through toLocalFile.
            paths << lumivane::pathText(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    return paths;
}

void DropZoneLabel::dragEnterEvent(QDragEnterEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty())
        return;
    // The drop effect stays as the source offers it.
    event->acceptProposedAction();
    emit dragOver();
}

void DropZoneLabel::dragMoveEvent(QDragMoveEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
    emit dragOver();
}

void DropZoneLabel::dropEvent(QDropEvent* event)
{
    // While a calculation runs the zone takes nothing, however the drop arrives.
    if (!acceptDrops())
        return;
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

void DropZoneLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
