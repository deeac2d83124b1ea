#include "gui/main/Pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>
#include <functional>

namespace Pictures {

namespace {

// Paints on demand, on a 32 by 32 canvas scaled to the size asked for: nothing is drawn
// at start-up, and every size is sharp.
class DrawnIconEngine final : public QIconEngine {
public:
    explicit DrawnIconEngine(std::function<void(QPainter&)> paint) : paint_(std::move(paint)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        paint_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new DrawnIconEngine(paint_); }

private:
    std::function<void(QPainter&)> paint_;
};

QIcon drawn(std::function<void(QPainter&)> paint) {
    return QIcon(new DrawnIconEngine(std::move(paint)));
}

const QColor Blue(30, 90, 170);
const QColor Orange(255, 128, 0);
const QColor Grey(90, 90, 90);

QPen pen(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void document(QPainter& p) {
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(19, 3);
    page.lineTo(25, 9);
    page.lineTo(25, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.setPen(pen(Grey, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(19, 3), QPointF(19, 9));
    p.drawLine(QPointF(19, 9), QPointF(25, 9));
}

} // namespace

QIcon information() {
    return drawn([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(14, 7, 4, 4));
        p.drawRoundedRect(QRectF(14, 13, 4, 12), 1.5, 1.5);
    });
}

QIcon help() {
    return drawn([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Orange);
        p.drawEllipse(QRectF(2, 2, 28, 28));
        QPainterPath mark;
        mark.moveTo(11.5, 12.5);
        mark.cubicTo(11.5, 6.5, 20.5, 6.5, 20.5, 12);
        mark.cubicTo(20.5, 15.5, 16, 15.5, 16, 19.5);
        p.setPen(pen(Qt::white, 3.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(mark);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 24.5), 2.2, 2.2);
    });
}

QIcon options() {
    return drawn([](QPainter& p) {
        QPainterPath gear;
        const QPointF c(16, 16);
        for (int i = 0; i < 8; ++i) {
            const qreal a = qDegreesToRadians(i * 45.0);
            const QPointF dir(qCos(a), qSin(a));
            const QPointF side(-dir.y(), dir.x());
            QPolygonF tooth;
            tooth << c + dir * 10 + side * 3.5 << c + dir * 14.5 + side * 2.5
                  << c + dir * 14.5 - side * 2.5 << c + dir * 10 - side * 3.5;
            gear.addPolygon(tooth);
            gear.closeSubpath();
        }
        gear.addEllipse(c, 11, 11);
        gear.setFillRule(Qt::WindingFill);
        QPainterPath hole;
        hole.addEllipse(c, 4.5, 4.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Grey);
        p.drawPath(gear.simplified().subtracted(hole));
    });
}

QIcon close() {
    return drawn([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setPen(pen(Qt::white, 3.5));
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
    });
}

QIcon newConfiguration() {
    return drawn([](QPainter& p) {
        document(p);
        p.setPen(pen(Orange, 3));
        p.drawLine(QPointF(16, 13), QPointF(16, 25));
        p.drawLine(QPointF(10, 19), QPointF(22, 19));
    });
}

QIcon openConfiguration() {
    return drawn([](QPainter& p) {
        p.setPen(pen(QColor(160, 110, 20), 1.5));
        p.setBrush(QColor(240, 190, 70));
        p.drawRoundedRect(QRectF(3, 7, 12, 6), 1.5, 1.5);
        p.drawRoundedRect(QRectF(3, 10, 26, 18), 2, 2);
        p.setBrush(QColor(250, 215, 110));
        QPolygonF flap;
        flap << QPointF(7, 15) << QPointF(30, 15) << QPointF(27, 28) << QPointF(3, 28);
        p.drawPolygon(flap);
    });
}

QIcon communication() {
    return drawn([](QPainter& p) {
        p.setPen(pen(Grey, 2));
        for (int i = 0; i < 3; ++i) {
            const qreal x = 8 + i * 8;
            p.drawLine(QPointF(x, 4), QPointF(x, 28));
        }
        p.setPen(pen(Blue, 1.5));
        p.setBrush(Blue);
        const qreal knobs[3] = {10, 22, 15};
        for (int i = 0; i < 3; ++i)
            p.drawRoundedRect(QRectF(4 + i * 8, knobs[i] - 3, 8, 6), 1.5, 1.5);
    });
}

QIcon network() {
    return drawn([](QPainter& p) {
        p.setPen(pen(Grey, 2));
        p.drawLine(QPointF(16, 9), QPointF(16, 16));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
        for (qreal x : {6.0, 16.0, 26.0})
            p.drawLine(QPointF(x, 16), QPointF(x, 22));
        p.setPen(Qt::NoPen);
        p.setBrush(Orange);
        p.drawRoundedRect(QRectF(10, 2, 12, 8), 2, 2);
        p.setBrush(Blue);
        for (qreal x : {6.0, 16.0, 26.0})
            p.drawRoundedRect(QRectF(x - 4.5, 22, 9, 8), 2, 2);
    });
}

QIcon updateDevice() {
    return drawn([](QPainter& p) {
        p.setPen(pen(Grey, 1.5));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(QRectF(7, 17, 18, 12), 2, 2);
        p.setPen(pen(Grey, 1.5));
        for (int i = 0; i < 4; ++i) {
            const qreal x = 10 + i * 4;
            p.drawLine(QPointF(x, 29), QPointF(x, 31));
        }
        p.setPen(pen(Orange, 3));
        p.drawLine(QPointF(16, 2), QPointF(16, 13));
        p.drawLine(QPointF(11, 8.5), QPointF(16, 13.5));
        p.drawLine(QPointF(21, 8.5), QPointF(16, 13.5));
    });
}

} // namespace Pictures
