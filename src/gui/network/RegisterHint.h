#pragma once

#include <QLabel>

class LanguageTable;
class QComboBox;
class QLineEdit;

// Beside the register field: the protocol address being typed and the number a meter manual
// gives for it ("address 40 = register 41 (40041)"), updated at every key, and the field's
// hint saying which of the two is stored. Empty while the text is not an address.
class RegisterHint : public QLabel {
    Q_OBJECT
public:
    RegisterHint(QLineEdit* field, QComboBox* modbusType, const LanguageTable& texts,
                 QWidget* parent);

    // Again in the table's current language.
    void refresh();

private:
    QLineEdit* field_;
    QComboBox* modbusType_;
    const LanguageTable& texts_;
};
