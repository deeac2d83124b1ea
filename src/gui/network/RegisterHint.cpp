#include "gui/network/RegisterHint.h"

#include "common/NumberRule.h"
#include "core/lang/LanguageTable.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkTexts.h"

#include <QComboBox>
#include <QLineEdit>

RegisterHint::RegisterHint(QLineEdit* field, QComboBox* modbusType, const LanguageTable& texts,
                           QWidget* parent)
    : QLabel(parent), field_(field), modbusType_(modbusType), texts_(texts) {
    setObjectName(QStringLiteral("L_Var_Mod_MR_Number"));
    connect(field_, &QLineEdit::textChanged, this, &RegisterHint::refresh);
    connect(modbusType_, &QComboBox::currentIndexChanged, this, &RegisterHint::refresh);
    refresh();
}

void RegisterHint::refresh() {
    // Read as the editor's checks read it: "0x10" is address 16.
    const auto address = NumberRule::toInt64(field_->text());
    const QString number =
        address ? ModbusNumbering::describe(texts_, modbusType_->currentIndex(), *address)
                : QString();
    const QString text =
        number.isEmpty() ? QString()
                         : texts_.text(NetworkTexts::AddressAndNumber).arg(*address).arg(number);
    setText(text);
    setAccessibleName(text);
    const QString hint = texts_.text(NetworkTexts::ProtocolAddressHint);
    field_->setToolTip(hint);
    setToolTip(hint);
}
