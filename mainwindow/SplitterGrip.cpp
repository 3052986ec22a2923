#include "mainwindow/SplitterGrip.h"

#include <QMouseEvent>

namespace quorvel::ui {

SplitterGrip::SplitterGrip(Qt::Orientation orientation, QWidget* parent) : QWidget(parent) {
    setCursor(orientation == Qt::Vertical ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

void SplitterGrip::mousePressEvent(QMouseEvent*) {
    emit pressed();
}

void SplitterGrip::mouseMoveEvent(QMouseEvent* event) {
    emit moved(event->position().toPoint());
}

void SplitterGrip::mouseReleaseEvent(QMouseEvent*) {
    emit released();
}

}  // namespace quorvel::ui
