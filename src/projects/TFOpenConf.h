#pragma once

#include <QDialog>

class TFOpenConf : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
};
