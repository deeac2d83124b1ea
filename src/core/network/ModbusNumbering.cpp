#include "core/network/ModbusNumbering.h"

#include "core/lang/LanguageTable.h"
#include "core/network/NetworkTexts.h"

namespace ModbusNumbering {

namespace {

constexpr qint64 LastAddress = 65535;

bool isAddress(qint64 address) {
    return address >= 0 && address <= LastAddress;
}

} // namespace

int registerNumber(qint64 address) {
    return isAddress(address) ? int(address + 1) : 0;
}

QString manualNumber(qint32 modbusType, qint64 address) {
    // By list position: Coil Status, Input Status, Holding Register, Input Register.
    static constexpr char Digits[] = {'0', '1', '4', '3'};
    if (!isAddress(address) || modbusType < 0 || modbusType >= qint32(std::size(Digits)))
        return {};
    const int number = registerNumber(address);
    const int width = number <= 9999 ? 4 : 5;
    return QLatin1Char(Digits[modbusType]) +
           QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

QString describe(const LanguageTable& texts, qint32 modbusType, qint64 address) {
    const QString manual = manualNumber(modbusType, address);
    if (manual.isEmpty())
        return {};
    return texts.text(NetworkTexts::RegisterNumber).arg(registerNumber(address)).arg(manual);
}

} // namespace ModbusNumbering
