#include "gui/main/WorkflowButton.h"

#include <QPainter>

void WorkflowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor fill = isDown() ? QColor(255, 128, 0) : QColor(248, 247, 237);
    const QColor edge = underMouse() || hasFocus() ? QColor(255, 128, 0) : QColor(190, 188, 175);
    painter.setPen(edge);
    painter.setBrush(fill);
    painter.drawRoundedRect(face, 3, 3);

    const QSize iconSz = iconSize();
    const bool pictureOnly = text().isEmpty();
    const int iconLeft = pictureOnly ? (width() - iconSz.width()) / 2 : 6;
    const QRect iconRect(QPoint(iconLeft, (height() - iconSz.height()) / 2), iconSz);
    icon().paint(&painter, iconRect, Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (!pictureOnly) {
        painter.setPen(palette().color(QPalette::ButtonText));
        const QRect textRect = rect().adjusted(iconRect.right() + 8, 0, -4, 0);
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
    }
}
