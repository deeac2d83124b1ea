#pragma once

#include <QWidget>

class TFOrdanoreFirmWare : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
