#include "gui/network/RegisterHint.h"

#include "core/lang/LangTable.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkTexts.h"

#include <QComboBox>
#include <QLineEdit>

RegisterHint::RegisterHint(QLineEdit* field, QComboBox* modbusType, const LangTable& texts,
                           QWidget* parent)
    : QLabel(parent), field_(field), modbusType_(modbusType), texts_(texts) {
    setObjectName(QStringLiteral("L_Var_Mod_MR_Number"));
    connect(field_, &QLineEdit::textChanged, this, &RegisterHint::refresh);
    connect(modbusType_, &QComboBox::currentIndexChanged, this, &RegisterHint::refresh);
    refresh();
}

void RegisterHint::refresh() {
    const QString typed = field_->text();
    const QString number =
        ModbusNumbering::describeTyped(texts_, modbusType_->currentIndex(), typed);
    const QString text =
        number.isEmpty() ? QString()
                         : texts_.text(NetworkTexts::AddressAndNumber).arg(typed.trimmed(), number);
    setText(text);
    setAccessibleName(text);
    const QString hint = texts_.text(NetworkTexts::ProtocolAddressHint);
    field_->setToolTip(hint);
    setToolTip(hint);
}
