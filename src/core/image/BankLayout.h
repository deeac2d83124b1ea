#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>

// Byte layout of the two device images. The device reads them byte for byte from fixed
// addresses: no padding, little-endian, nothing here may move.
namespace BankLayout {

// bank.bin
inline constexpr int HeaderSize = 8;
inline constexpr int NodeRecordSize = 11;
inline constexpr int VarRecordSize = 22;
inline constexpr int ParamSectionSize = 14;
// What the device holds: more would overrun its tables.
inline constexpr int MaxNodes = 64;
inline constexpr int MaxVarsPerNode = 10;
inline constexpr int MaxBankSize = HeaderSize + MaxNodes * NodeRecordSize +
                                   MaxNodes * MaxVarsPerNode * VarRecordSize + ParamSectionSize;

// bank.bin: offsets inside a node record
inline constexpr int NodeId = 0;
inline constexpr int NodeVarCount = 1;
inline constexpr int NodeFirstVar = 3;
inline constexpr int NodeSecBcd = 7;

// bank.bin: offsets inside a variable record
inline constexpr int VarType = 0;
inline constexpr int VarFunction = 1;
inline constexpr int VarDimensionCode = 2;
inline constexpr int VarUnit = 3;
inline constexpr int VarStorage = 4;
inline constexpr int VarTariff = 8;
inline constexpr int VarVife = 12;
inline constexpr int VarLength = 13;
inline constexpr int VarRecordCode = 14;
inline constexpr int VarModId = 16;
inline constexpr int VarModType = 17;
inline constexpr int VarModRegister = 18;
inline constexpr int VarModPoints = 20;
inline constexpr int VarModSwap = 21;

// bank.bin: offsets inside the parameter section
inline constexpr int ParModSer = 0;
inline constexpr int ParModBaud = 1;
inline constexpr int ParModPar = 2;
inline constexpr int ParModTimeout = 3;
inline constexpr int ParModCyclicDelay = 5;
inline constexpr int ParFraming = 7;
inline constexpr int ParMeterBaud = 8;
inline constexpr int ParMeterPar = 9;
inline constexpr int ParNodeCount = 10;
inline constexpr int ParVarCount = 12;

// bank2.bin, the device parameter block
inline constexpr int BlockSize = 2048;
inline constexpr int BlkFixed0 = 0x000;         // u32 250000
inline constexpr int BlkFixed4 = 0x004;         // u32 250000
inline constexpr int BlkFixed8 = 0x008;         // u32 9600
inline constexpr int BlkModTimeout = 0x01C;     // u32
inline constexpr int BlkModCyclicDelay = 0x020; // u32
inline constexpr int BlkIp = 0x028;             // 4 x u8
inline constexpr int BlkMask = 0x02C;           // 4 x u8
inline constexpr int BlkGateway = 0x030;        // 4 x u8
inline constexpr int BlkFixed34 = 0x034;        // u16 10000
inline constexpr int BlkFixed36 = 0x036;        // u16 10001
inline constexpr int BlkFixed38 = 0x038;        // u16 10001
inline constexpr int BlkModBaudRate = 0x1F0;    // u32
inline constexpr int BlkMeterBaudRate = 0x200;  // u32
inline constexpr int BlkModParity = 0x208;      // u8
inline constexpr int BlkMeterParity = 0x20C;    // u8
inline constexpr int BlkFixedEights = 0x214;    // 8 x u8
inline constexpr int BlkFraming = 0x2E1;        // u8
inline constexpr int BlkNodeCount = 0x2E2;      // u8
inline constexpr int BlkBankAddress = 0x2EC;    // u32
inline constexpr int BlkChecksum = 0x7FC;       // u32

inline constexpr quint32 FixedRate = 250000;
inline constexpr quint32 FixedBaud = 9600;
inline constexpr quint16 FixedPort = 10000;
inline constexpr quint16 FixedPort2 = 10001;
inline constexpr quint8 FixedEight = 8;
inline constexpr quint32 BankDeviceAddress = 0x80000;

inline constexpr quint8 DefaultIp[4] = {192, 168, 2, 205};
inline constexpr quint8 DefaultMask[4] = {255, 255, 255, 0};
inline constexpr quint8 DefaultGateway[4] = {255, 255, 255, 255};

// The rates behind the baud list positions; a position outside the list gives the fallback.
inline constexpr quint32 ModbusRates[8] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr quint32 ModbusRateFallback = 115200;
inline constexpr quint32 MeterRates[8] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};
inline constexpr quint32 MeterRateFallback = 2400;

constexpr quint32 modbusRate(quint8 position) {
    return position < 8 ? ModbusRates[position] : ModbusRateFallback;
}
constexpr quint32 meterRate(quint8 position) {
    return position < 8 ? MeterRates[position] : MeterRateFallback;
}
// The list keeps EVEN at 1 and ODD at 2; the device wants odd 1, even 2.
constexpr quint8 parityCode(quint8 position) {
    return position == 1 ? 2 : position == 2 ? 1 : position;
}
// "Modbus ASCII" (1) and "ASCII" (4) frame in ASCII; everything else, unknown values
// included, in binary.
constexpr quint8 framingCode(quint8 protocol) {
    return (protocol == 1 || protocol == 4) ? 1 : 0;
}

// Sum of bytes 0x000..0x7FB of a block (fewer when the bytes are short), each unsigned, as
// the device computes it; stored at BlkChecksum.
inline quint32 blockChecksum(const QByteArray& block) {
    quint32 sum = 0;
    const qsizetype end = std::min<qsizetype>(block.size(), BlkChecksum);
    for (qsizetype i = 0; i < end; ++i)
        sum += quint8(block.at(i));
    return sum;
}

} // namespace BankLayout
