#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The data field of an M-Bus record (EN 13757-3, the DIF's data field and annex A): integers,
// BCD numbers, 32-bit reals, variable length, and the date and time types.
namespace Mbus {

// The data field codes, the low four bits of a DIF.
namespace DataField {
inline constexpr quint8 None = 0x0;
inline constexpr quint8 Int8 = 0x1;
inline constexpr quint8 Int16 = 0x2;
inline constexpr quint8 Int24 = 0x3;
inline constexpr quint8 Int32 = 0x4;
inline constexpr quint8 Real32 = 0x5;
inline constexpr quint8 Int48 = 0x6;
inline constexpr quint8 Int64 = 0x7;
inline constexpr quint8 Selection = 0x8; // selection for readout: master to slave only
inline constexpr quint8 Bcd2 = 0x9;
inline constexpr quint8 Bcd4 = 0xA;
inline constexpr quint8 Bcd6 = 0xB;
inline constexpr quint8 Bcd8 = 0xC;
inline constexpr quint8 Variable = 0xD;
inline constexpr quint8 Bcd12 = 0xE;
inline constexpr quint8 Special = 0xF;
} // namespace DataField

// The bytes a data field code carries; -1 for variable length and the special functions.
int fixedLength(quint8 dataField);
bool isBcd(quint8 dataField);

// The bytes after the LVAR byte of a variable-length field; nullopt for a reserved LVAR.
std::optional<int> variableLength(quint8 lvar);

// A number exactly as a record carries it: sign, digits and a power of ten.
struct Decimal {
    bool negative = false;
    QByteArray digits = "0"; // no leading zeros
    int exponent = 0;

    static Decimal ofInteger(qint64 v);
    static Decimal ofUnsigned(quint64 v);
    // The shortest decimal that reads back as the same float.
    static Decimal ofFloat(float v);
    Decimal scaled(int powerOfTen) const;
    // Plain decimal text in the C locale, without exponent: "-12.5", "1200", "0.003".
    QString text() const;
    double toDouble() const;
};

// What a data field holds: a number, a text, or why neither.
struct FieldValue {
    std::optional<Decimal> number;
    std::optional<QString> text;
    QString error;
};

// Integer types B (signed) and C (unsigned), 1 to 8 bytes, least significant first.
FieldValue readInteger(const QByteArray& bytes, bool isSigned);
// Type A: BCD digits, least significant byte first; F as the most significant digit is the
// minus sign, any other digit above 9 a data error.
FieldValue readBcd(const QByteArray& bytes);
// Type H: IEEE 754 single precision, least significant byte first.
FieldValue readReal(const QByteArray& bytes);
// A variable-length field with its LVAR: text (last character first), BCD with its sign,
// a binary number; the floating-point forms are not defined and say so.
FieldValue readVariable(quint8 lvar, const QByteArray& bytes);
// Types G (date, 2 bytes), J (time, 3 bytes), F (date and time, 4 bytes) and I (date and time
// with seconds, 6 bytes), as ISO 8601 text.
FieldValue readPointInTime(const QByteArray& bytes);

} // namespace Mbus
