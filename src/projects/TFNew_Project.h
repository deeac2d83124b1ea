#pragma once

#include <QDialog>

class TFNew_Project : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
};
