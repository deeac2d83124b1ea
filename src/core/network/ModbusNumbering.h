#pragma once

#include <QString>

class LanguageTable;

// A register is stored and sent as its protocol address, counted from 0. Meter manuals and
// poll tools count from 1, and many write the table's digit in front: holding register
// address 0 is register 1, or 40001. Both numbers are shown side by side, never stored.
namespace ModbusNumbering {

// The number from 1 (what `mbpoll -r` takes); 0 for an address outside 0..65535.
int registerNumber(qint64 address);

// The number with the table's digit in front: 0 coils, 1 discrete inputs, 3 input registers,
// 4 holding registers (by the position of the Modbus type of data); five digits up to 9999,
// six beyond (465536 for the last holding register). Empty for an unknown type or address.
QString manualNumber(qint32 modbusType, qint64 address);

// "register 41 (40041)" in the table's language; empty when the address is not one.
QString describe(const LanguageTable& texts, qint32 modbusType, qint64 address);

} // namespace ModbusNumbering
