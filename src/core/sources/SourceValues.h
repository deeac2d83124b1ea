#pragma once

#include <QList>
#include <QString>

namespace Sources {

struct SourceVariable;

// The ways the registers of one source can be read. The order is the order of the columns.
enum class Reading {
    Raw,
    Unsigned16,
    Signed16,
    Int32HighFirst, // first register is the high word (Modbus's own order)
    Int32LowFirst,
    Float32HighFirst,
    Float32LowFirst,
};
inline constexpr int ReadingCount = 7;

// The reading the gateway makes of the source: its M-Bus dimension says the size and kind, its
// swap the word order (swap "Type 1" puts the low word first). Bits, BCD, 48 and 64 bits and
// variable length are judged on the raw registers.
Reading markedReading(const SourceVariable& variable);

// "0x0001 0xABCD", or the bits as "1 0 1".
QString registersText(const QList<quint16>& registers);
QString bitsText(const QList<quint8>& bits);

// The value of one reading of the first registers; empty when there are too few of them.
QString readingText(Reading reading, const QList<quint16>& registers);

// A short fixed name for each reading (the notation of Modbus poll tools).
QString readingName(Reading reading);

} // namespace Sources
