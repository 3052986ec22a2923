#pragma once

// Qt's drag events sent straight to a widget, as a drag over it delivers
// them. Header only: for the tests that link Qt Widgets.

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QWidget>
#include <memory>
#include <vector>

namespace quorvel::test {

// One drag event of `type` (DragEnter, DragMove, DragLeave or Drop) at `at`:
// the action the widget accepted it with, IgnoreAction when it refused.
inline Qt::DropAction sendDrag(QWidget* to, QEvent::Type type, QPoint at, const QMimeData* mime,
                               Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::DropActions offered = Qt::CopyAction) {
    std::unique_ptr<QEvent> event;
    if (type == QEvent::DragLeave) {
        event = std::make_unique<QDragLeaveEvent>();
    } else if (type == QEvent::DragEnter) {
        event = std::make_unique<QDragEnterEvent>(at, offered, mime, Qt::LeftButton, keys);
    } else if (type == QEvent::DragMove) {
        event = std::make_unique<QDragMoveEvent>(at, offered, mime, Qt::LeftButton, keys);
    } else {
        event = std::make_unique<QDropEvent>(QPointF(at), offered, mime, Qt::LeftButton, keys);
    }
    event->setAccepted(false);
    QCoreApplication::sendEvent(to, event.get());
    auto* drop = dynamic_cast<QDropEvent*>(event.get());
    return drop && drop->isAccepted() ? drop->dropAction() : Qt::IgnoreAction;
}

// A whole drag: in at the first point, over each point, dropped on the last.
inline Qt::DropAction dragAlong(QWidget* to, const QMimeData* mime, const std::vector<QPoint>& path) {
    sendDrag(to, QEvent::DragEnter, path.front(), mime);
    for (const QPoint& at : path) {
        sendDrag(to, QEvent::DragMove, at, mime);
    }
    return sendDrag(to, QEvent::Drop, path.back(), mime);
}

}  // namespace quorvel::test
