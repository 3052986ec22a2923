#pragma once

#include <QWidget>

namespace quorvel::ui {

// The invisible grab area of a splitter: it shows the sizing pointer and
// reports the mouse's press, its offset from the grab area while moving, and
// the release.
class SplitterGrip : public QWidget {
    Q_OBJECT
public:
    SplitterGrip(Qt::Orientation orientation, QWidget* parent);

signals:
    void pressed();
    void moved(const QPoint& offset);
    void released();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace quorvel::ui
