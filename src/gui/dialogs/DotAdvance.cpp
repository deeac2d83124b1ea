#include "gui/dialogs/DotAdvance.h"

#include <QKeyEvent>
#include <QLineEdit>

DotAdvance::DotAdvance(QList<QLineEdit*> fields, QObject* parent)
    : QObject(parent), fields_(std::move(fields)) {
    for (QLineEdit* field : std::as_const(fields_))
        field->installEventFilter(this);
}

bool DotAdvance::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->text() != QStringLiteral("."))
        return false;
    const qsizetype at = fields_.indexOf(static_cast<QLineEdit*>(watched));
    if (at < 0)
        return false;
    if (at + 1 < fields_.size()) {
        QLineEdit* next = fields_[at + 1];
        if (next->isEnabled() && next->isVisible())
            next->setFocus(Qt::TabFocusReason);
    }
    return true;
}
