#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the M-Bus reading system will show for a Modbus source: the gateway copies the bits of
// the registers into the record's data field (a narrower source is zero-extended, a wider one
// cut to its low bits) and the record code gives unit and multiplier. M-Bus integer fields are
// signed, BCD fields hold unsigned digits.
namespace Sources {
struct SourceVariable;
struct SourceResult;
} // namespace Sources

namespace Sources::Mbus {

// How a record code's value reads.
enum class Kind {
    None,          // code 0: the device sends no unit
    Quantity,      // value × 10^exponent unit
    Duration,      // a count of the unit (s, min, h, d, months, years)
    Date,          // a date (16-bit field) or date and time (32-bit field)
    Dimensionless, // a number, possibly with a power of ten
};

struct Unit {
    Kind kind = Kind::None;
    QString unit; // "Wh", "m³", "h"; empty for dates and plain numbers
    int exponent = 0;

    bool operator==(const Unit&) const = default;
};

// The unit and multiplier of a record code, from the coding tables; Kind::None for 0 and for
// numbers no choice gives.
Unit unitOfCode(quint16 recordCode);

// What can be wrong with the value on the M-Bus side.
enum Flag : unsigned {
    Overflow = 1u << 0,  // the source does not fit the data field
    Negative = 1u << 1,  // a negative source the field does not hold as such
    BcdDigit = 1u << 2,  // a BCD field receives a digit above 9
    NotFinite = 1u << 3, // a 32-bit real is NaN or infinite
    WordOrder = 1u << 4, // the other word order gives a plausible value, this one does not
    SingleBit = 1u << 5, // one coil or input feeds a field wider than 8 bits
};
inline constexpr Flag AllFlags[] = {Overflow, Negative, BcdDigit, NotFinite, WordOrder, SingleBit};

// The fixed names for scripts: "overflow", "negative", "bcd-digit", "not-finite", "word-order",
// "single-bit".
QString flagName(Flag flag);

// One read source as the gateway sees it.
struct Source {
    int dimension = 1; // the variable's dimension position
    quint16 recordCode = 0;
    int swap = 0; // 1: the first register is the low word
    bool isBits = false;
    QList<quint16> registers;
    QList<quint8> bits;

    bool operator==(const Source&) const = default;
};

// The record's data field as the gateway fills it from a source, and as the reading system
// decodes it: the source's bits copied in, never re-coded (a BCD field shows the registers'
// hex digits).
struct FieldData {
    // Integer, real and BCD fields: the field's bytes, least significant first, as sent.
    // Variable length: the characters in reading order (registers high byte first; bits as
    // their number in decimal).
    QByteArray bytes;
    std::optional<qint64> integer; // the field read as the standard reads it
    std::optional<double> real;
    QString digits;     // a BCD field with a digit above 9: its digits as they are
    unsigned flags = 0; // Overflow, Negative, BcdDigit, NotFinite, SingleBit
    // The field holds neither the signed nor the unsigned reading of the source: bits were cut.
    bool lost = false;

    // Whether the reading system gets the source's value: nothing cut, no digit above 9, a
    // finite real. Negative and SingleBit only warn: the field holds the bits as they are.
    bool fits() const { return !lost && (flags & (BcdDigit | NotFinite)) == 0; }
    bool operator==(const FieldData&) const = default;
};

// The one fitting rule, for the source test's value and the virtual gateway's records.
FieldData fieldData(const Source& source);

struct Value {
    std::optional<double> value; // after the multiplier; none for dates, digits and errors
    Unit unit;
    QString text; // as shown: "305 419 896 × 10³ Wh = 305.42 GWh"
    unsigned flags = 0;
    int betterSwap = -1; // with WordOrder: the swap position that gives a plausible value
    QString betterText;  // that value as shown

    bool has(Flag flag) const { return (flags & flag) != 0; }
    QStringList flagNames() const;
};

// The one derivation: the source fitted to the data field, then read with the record code.
Value valueOf(const Source& source);
// The same for a variable of a reading; nothing for a source that was not read.
std::optional<Value> valueOf(const SourceVariable& variable, const SourceResult& result);
// A variable's reading as a source; nothing for a source that was not read.
std::optional<Source> sourceOf(const SourceVariable& variable, const SourceResult& result);

} // namespace Sources::Mbus
