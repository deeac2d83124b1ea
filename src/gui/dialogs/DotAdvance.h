#pragma once

#include <QList>
#include <QObject>

class QLineEdit;

// Fields that together hold an address: a typed "." never reaches a field, it moves the focus
// on to the next enabled, visible one, as in an address typed in one piece.
class DotAdvance : public QObject {
public:
    // Watches `fields` in their order; owned by `parent`.
    DotAdvance(QList<QLineEdit*> fields, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QLineEdit*> fields_;
};
