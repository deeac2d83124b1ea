#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct TVariabile;

// One M-Bus data record as a slave sends it (EN 13757-3 variable data structure): DIF, DIFEs,
// VIF, VIFEs and the data, built from a variable's coding positions and one value.
namespace Gateway {

// The value a record carries. The reading of the Modbus source (or the typed value) arrives
// here already as a number, as text for a variable-length field, or as a failure.
struct RecordValue {
    enum class Kind { Integer, Real, Text, Failed };
    Kind kind = Kind::Failed;
    qint64 integer = 0;
    double real = 0;
    QByteArray text; // variable length: the characters in reading order

    static RecordValue ofInteger(qint64 v) { return {Kind::Integer, v, 0, {}}; }
    static RecordValue ofReal(double v) { return {Kind::Real, 0, v, {}}; }
    static RecordValue ofText(QByteArray t) { return {Kind::Text, 0, 0, std::move(t)}; }
    static RecordValue failed() { return {}; }
    bool operator==(const RecordValue&) const = default;
};

// Record error codes of the combinable VIFE table (E001 0101 .. E001 0111).
inline constexpr quint8 VifeNoData = 0x15;    // "No data available (undefined value)"
inline constexpr quint8 VifeOverflow = 0x16;  // "Data overflow"
inline constexpr quint8 VifeUnderflow = 0x17; // "Data underflow"

// The VIF with its VIFEs; the last byte carries no extension bit.
struct VifCoding {
    QByteArray bytes;
    bool standard = true; // false: the manufacturer-specific form (VIF FF)
};

// The primary VIF of record codes 1..118, in the standard's order; 0 for any other code.
quint8 primaryVif(quint16 recordCode);

// The VIF (and VIFEs) of a type of data, VIFE position and scale. Codes without a standard
// coding are sent as VIF FF followed by two VIFEs holding the record code (high 7 bits, low 7
// bits), so a reader can still tell the records apart.
VifCoding vifFor(int typeOfData, int vife, quint16 scale);

// DIF and DIFEs: the data field code, the function field (positions of the editor's list:
// instantaneous, minimum, maximum, during error), storage number, tariff and unit.
QByteArray difFor(quint8 dataFieldCode, int functionField, quint32 storage, quint32 tariff,
                  quint32 unit);

// The data bytes of one value in a data field. `errorVife` is set when the value cannot be
// sent (a failure, a number too large or too small for the field): the data then holds
// zeros, never a cut value.
struct DataBytes {
    QByteArray bytes;
    quint8 errorVife = 0;
};
DataBytes dataFor(quint8 dataFieldCode, int variableLength, const RecordValue& value);

// The whole record of a variable with its value.
struct Record {
    QByteArray bytes;
    bool standard = true;
    quint8 errorVife = 0;
};
Record recordFor(const TVariabile& variable, const RecordValue& value);

// The number of data bytes a data field code carries (variable length: 1 + length).
int dataLength(quint8 dataFieldCode, int variableLength);

} // namespace Gateway
