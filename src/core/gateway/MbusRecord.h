#pragma once

#include "core/sources/MbusValue.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct Variable;

// One M-Bus data record as a slave sends it (EN 13757-3 variable data structure): DIF, DIFEs,
// VIF, VIFEs and the data, built from a variable's coding positions and one value.
namespace Gateway {

// The value a record carries. A typed value is the number (or text) the reading system is to
// show, coded into the field here; a Modbus reading arrives as the field the source fills,
// bits copied (Sources::Mbus::fieldData), so it goes out as the real gateway sends it.
struct RecordValue {
    enum class Kind { Integer, Real, Text, Field, Failed };
    Kind kind = Kind::Failed;
    qint64 integer = 0;
    double real = 0;
    QByteArray text; // variable length: the characters in reading order
    Sources::Mbus::FieldData field;

    static RecordValue ofInteger(qint64 v) {
        return make(Kind::Integer, [&](auto& r) { r.integer = v; });
    }
    static RecordValue ofReal(double v) {
        return make(Kind::Real, [&](auto& r) { r.real = v; });
    }
    static RecordValue ofText(QByteArray t) {
        return make(Kind::Text, [&](auto& r) { r.text = std::move(t); });
    }
    static RecordValue ofField(Sources::Mbus::FieldData f) {
        return make(Kind::Field, [&](auto& r) { r.field = std::move(f); });
    }
    static RecordValue failed() { return {}; }
    bool operator==(const RecordValue&) const = default;

private:
    template <typename Fill> static RecordValue make(Kind kind, Fill fill) {
        RecordValue r;
        r.kind = kind;
        fill(r);
        return r;
    }
};

// Record error codes of the combinable VIFE table (E001 0101 .. E001 1000).
inline constexpr quint8 VifeNoData = 0x15;    // "No data available (undefined value)"
inline constexpr quint8 VifeOverflow = 0x16;  // "Data overflow"
inline constexpr quint8 VifeUnderflow = 0x17; // "Data underflow"
inline constexpr quint8 VifeDataError = 0x18; // "Data error"

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
// sent as it is. A typed value that the field cannot hold, or a failure, goes out as zeros; a
// reading that does not fit goes out as the gateway copies it, with the error beside it, so
// the reading system sees what the real gateway would send but never takes it for good.
struct DataBytes {
    QByteArray bytes;
    quint8 errorVife = 0;
};
DataBytes dataFor(quint8 dataFieldCode, int variableLength, const RecordValue& value);

// The record error of a reading's field: 0 when it fits; no data for a NaN, overflow or
// underflow for an infinity or cut bits, data error for a BCD digit above 9.
quint8 fieldError(const Sources::Mbus::FieldData& field);

// The whole record of a variable with its value.
struct Record {
    QByteArray bytes;
    bool standard = true;
    quint8 errorVife = 0;
};
Record recordFor(const Variable& variable, const RecordValue& value);

// The number of data bytes a data field code carries (variable length: 1 + length).
int dataLength(quint8 dataFieldCode, int variableLength);

} // namespace Gateway
