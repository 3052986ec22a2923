#include "toolkit/Images.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace quorvel::ui {

namespace {

QPixmap blank() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon arrow(bool up) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 80));
    QPolygonF triangle;
    if (up) {
        triangle << QPointF(8, 4) << QPointF(13, 11) << QPointF(3, 11);
    } else {
        triangle << QPointF(3, 5) << QPointF(13, 5) << QPointF(8, 12);
    }
    p.drawPolygon(triangle);
    return QIcon(pm);
}

QIcon clip() {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(10, 5);
    path.lineTo(10, 12);
    path.arcTo(6, 10, 4, 4, 0, -180);
    path.lineTo(6, 3);
    path.arcTo(6, 1, 6, 4, 180, -180);
    path.lineTo(12, 11);
    p.drawPath(path);
    return QIcon(pm);
}

}  // namespace

QHash<QString, QIcon> treeImageList() {
    QStyle* style = QApplication::style();
    return {
        {QStringLiteral("quorvel"), style->standardIcon(QStyle::SP_DriveHDIcon)},
        {QStringLiteral("closeF"), style->standardIcon(QStyle::SP_DirClosedIcon)},
        {QStringLiteral("openF"), style->standardIcon(QStyle::SP_DirOpenIcon)},
    };
}

std::vector<QIcon> headerImageList() {
    return {arrow(true), arrow(false), clip()};
}

}  // namespace quorvel::ui
