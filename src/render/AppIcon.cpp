#include "render/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace AppIcon {

QImage draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit grid; small sizes keep thicker strokes so the lines survive.
    p.scale(size / 64.0, size / 64.0);
    const double stroke = size < 32 ? 4.0 : 3.0;

    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(48, 118, 205));
    tile.setColorAt(1, QColor(22, 70, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    // The Modbus line: an orange wire from the left edge into the box.
    p.setPen(QPen(QColor(255, 150, 40), stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 32), QPointF(22, 32));

    // The M-Bus: a white bus on the right with three meters.
    p.setPen(QPen(Qt::white, stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(42, 32), QPointF(48, 32));
    p.drawLine(QPointF(48, 16), QPointF(48, 48));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const double y : {16.0, 32.0, 48.0})
        p.drawEllipse(QPointF(54, y), 4.5, 4.5);

    // The gateway: a light box with two status lamps.
    p.setBrush(QColor(245, 247, 250));
    p.setPen(QPen(QColor(12, 40, 85), 1.5));
    p.drawRoundedRect(QRectF(20, 18, 24, 28), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 190, 90));
    p.drawEllipse(QPointF(27, 25), 3, 3);
    p.setBrush(QColor(255, 150, 40));
    p.drawEllipse(QPointF(37, 25), 3, 3);
    p.setBrush(QColor(22, 70, 140));
    p.drawRect(QRectF(25, 34, 14, 3));
    p.drawRect(QRectF(25, 39, 14, 3));
    return image;
}

} // namespace AppIcon
