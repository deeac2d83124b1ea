#include "dialogs/ClickLabel.h"

#include <QMouseEvent>

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && clicked)
        clicked();
    QLabel::mouseReleaseEvent(event);
}
