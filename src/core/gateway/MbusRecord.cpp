#include "core/gateway/MbusRecord.h"

#include "core/image/RecordCoding.h"
#include "core/network/Network.h"

#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>

namespace Gateway {

namespace {

constexpr quint8 Extension = 0x80;
constexpr quint8 VifManufacturer = 0xFF;
constexpr quint8 VifTableFd = 0xFD;
constexpr quint8 VifTableFb = 0xFB;
constexpr quint8 VifeDimensionless = 0x3A; // FD table: "dimensionless / no VIF"
constexpr int MaxDifes = 10;
constexpr int MaxVariableLength = 191; // LVAR 0..BF: that many characters

// Types of data without a scale list whose primary VIF the standard still names.
struct PlainVif {
    int typeOfData;
    quint8 vif;
};
constexpr PlainVif PlainVifs[] = {
    {22, 0x6E}, // units for H.C.A.
    {23, 0x78}, // fabrication number
    {24, 0x79}, // (enhanced) identification
    {25, 0x7A}, // bus address
};

// Where a VIFE position of the editor's list lies in the standard: the FD or FB extension
// table, or the combinable table (sent after "dimensionless"). First code, then one code per
// scale entry; the entries whose scale list does not follow the code order list their codes.
enum class Table : quint8 { None, Fd, Fb, Combinable };
struct VifeEntry {
    Table table = Table::None;
    quint8 first = 0;
    const quint8* codes = nullptr; // per scale entry, when not first + scale
};

constexpr quint8 LimitValue[] = {0x48, 0x40};   // upper, lower
constexpr quint8 LimitExceeds[] = {0x49, 0x41}; // upper, lower
constexpr quint8 LimitExceedDates[] = {0x42, 0x43, 0x46, 0x47, 0x4A, 0x4B, 0x4E, 0x4F};
constexpr quint8 LimitExceedDurations[] = {0x50, 0x51, 0x52, 0x53, 0x58, 0x59, 0x5A, 0x5B,
                                           0x54, 0x55, 0x56, 0x57, 0x5C, 0x5D, 0x5E, 0x5F};
constexpr quint8 FirstLastDates[] = {0x6A, 0x6B, 0x6E, 0x6F};

constexpr std::array<VifeEntry, RecordCoding::VifeCount> VifeEntries = [] {
    std::array<VifeEntry, RecordCoding::VifeCount> e{};
    const auto run = [&e](int from, int to, Table table, int first) {
        for (int v = from; v <= to; ++v)
            e[v] = {table, quint8(first + (v - from)), nullptr};
    };
    const auto one = [&e](int v, Table table, int first) {
        e[v] = {table, quint8(first), nullptr};
    };
    one(1, Table::Fd, 0x00); // credit, 4 scales
    one(2, Table::Fd, 0x04); // debit
    run(3, 19, Table::Fd, 0x08);
    run(20, 24, Table::Fd, 0x1A);
    run(25, 27, Table::Fd, 0x20);
    one(28, Table::Fd, 0x24);
    run(29, 30, Table::Fd, 0x28);
    one(31, Table::Fd, 0x2C);
    one(32, Table::Fd, 0x30);
    one(33, Table::Fd, 0x31); // nn = 01..11: minutes to days
    one(34, Table::Fd, 0x34);
    run(35, 37, Table::Fd, 0x38);
    one(38, Table::Fd, 0x40);
    one(39, Table::Fd, 0x50);
    run(40, 47, Table::Fd, 0x60);
    one(48, Table::Fd, 0x68);
    one(49, Table::Fd, 0x6C);
    one(50, Table::Fd, 0x70);
    one(51, Table::Fb, 0x00);
    one(52, Table::Fb, 0x08);
    one(53, Table::Fb, 0x10);
    one(54, Table::Fb, 0x18);
    run(55, 60, Table::Fb, 0x20);
    one(61, Table::Fb, 0x28);
    one(62, Table::Fb, 0x30);
    one(63, Table::Fb, 0x58);
    one(64, Table::Fb, 0x5C);
    one(65, Table::Fb, 0x60);
    one(66, Table::Fb, 0x64);
    one(67, Table::Fb, 0x70);
    one(68, Table::Fb, 0x74);
    one(69, Table::Fb, 0x78);
    run(70, 77, Table::Combinable, 0x20);
    one(78, Table::Combinable, 0x28);
    one(79, Table::Combinable, 0x2A);
    run(80, 96, Table::Combinable, 0x2C);
    e[97] = {Table::Combinable, 0, LimitValue};
    e[98] = {Table::Combinable, 0, LimitExceeds};
    e[99] = {Table::Combinable, 0, LimitExceedDates};
    e[100] = {Table::Combinable, 0, LimitExceedDurations};
    one(101, Table::Combinable, 0x60);
    e[102] = {Table::Combinable, 0, FirstLastDates};
    one(103, Table::Combinable, 0x70);
    one(104, Table::Combinable, 0x78);
    run(105, 107, Table::Combinable, 0x7D);
    run(108, 115, Table::Combinable, 0x00); // record errors
    run(116, 120, Table::Combinable, 0x0B);
    run(121, 124, Table::Combinable, 0x15);
    one(125, Table::Combinable, 0x1C);
    one(126, Table::Fd, 0x19);
    one(127, Table::Fd, 0x1F);
    run(128, 129, Table::Fd, 0x2A);
    one(130, Table::Fd, 0x3B);
    one(131, Table::Fd, 0x3C);
    run(132, 136, Table::Fd, 0x71);
    one(137, Table::Fb, 0x02);
    one(138, Table::Fb, 0x04);
    one(139, Table::Fb, 0x0C);
    one(140, Table::Fb, 0x14);
    one(141, Table::Fb, 0x1A);
    // 142 "Volume": no code of its own in the standard.
    run(143, 144, Table::Fb, 0x2A);
    one(145, Table::Fb, 0x2C);
    one(146, Table::Fb, 0x34);
    // 147 is a reserved code; 149 to 151 have no coding we can vouch for.
    one(148, Table::Combinable, 0x3E);
    return e;
}();

VifCoding manufacturerForm(quint16 code) {
    QByteArray b;
    b.append(char(VifManufacturer));
    b.append(char(Extension | ((code >> 7) & 0x7F)));
    b.append(char(code & 0x7F));
    return {b, false};
}

bool fits(qint64 value, int width) {
    if (width >= 8)
        return true;
    const qint64 low = -(qint64(1) << (8 * width - 1));
    const qint64 high = (qint64(1) << (8 * width)) - 1; // either reading of the same bytes
    return value >= low && value <= high;
}

std::optional<qint64> asInteger(const RecordValue& v) {
    if (v.kind == RecordValue::Kind::Integer)
        return v.integer;
    if (v.kind == RecordValue::Kind::Real && std::isfinite(v.real) && std::fabs(v.real) < 9.2e18)
        return std::llround(v.real);
    return std::nullopt;
}

quint8 rangeError(const RecordValue& v) {
    const bool negative = v.kind == RecordValue::Kind::Integer ? v.integer < 0 : v.real < 0;
    return negative ? VifeUnderflow : VifeOverflow;
}

// Variable length: the characters, cut or filled with blanks to the length, last one first.
void putCharacters(QByteArray& out, QByteArray text) {
    const int n = int(out.size()) - 1;
    text = text.left(n).leftJustified(n, ' ');
    out[0] = char(n);
    for (int i = 0; i < n; ++i)
        out[1 + i] = text[n - 1 - i];
}

} // namespace

quint8 fieldError(const Sources::Mbus::FieldData& f) {
    using namespace Sources::Mbus;
    if (f.fits())
        return 0;
    if (f.flags & NotFinite)
        return std::isnan(f.real.value_or(0)) ? VifeNoData
                                              : (*f.real < 0 ? VifeUnderflow : VifeOverflow);
    if (f.lost)
        return (f.flags & Negative) ? VifeUnderflow : VifeOverflow;
    return VifeDataError;
}

quint8 primaryVif(quint16 code) {
    // E110 1110 and E110 1111 take no number: codes above 110 sit two places further on.
    if (code >= 1 && code <= 110)
        return quint8(code - 1);
    if (code >= 111 && code <= 118)
        return quint8(code + 1);
    return 0;
}

VifCoding vifFor(int typeOfData, int vife, quint16 scale) {
    const quint8 t = quint8(typeOfData);
    const quint8 v = quint8(vife);
    const quint16 code = recordCodeOf(t, v, scale);
    if (t != RecordCoding::TypeInVife) {
        if (code != 0)
            return {QByteArray(1, char(primaryVif(code))), true};
        for (const PlainVif& p : PlainVifs)
            if (p.typeOfData == t)
                return {QByteArray(1, char(p.vif)), true};
        return manufacturerForm(code);
    }
    if (code == 0)
        return manufacturerForm(code);
    const VifeEntry& entry = VifeEntries[v];
    const quint8 n = RecordCoding::VifeScaleCounts[v];
    const quint8 step = n == 0 ? 0 : quint8(scale);
    const quint8 vifeCode = entry.codes ? entry.codes[step] : quint8(entry.first + step);
    QByteArray b;
    switch (entry.table) {
    case Table::None:
        return manufacturerForm(code);
    case Table::Fd:
        b.append(char(VifTableFd));
        break;
    case Table::Fb:
        b.append(char(VifTableFb));
        break;
    case Table::Combinable:
        // A combinable VIFE needs a unit before it; the value itself has none.
        b.append(char(VifTableFd));
        b.append(char(Extension | VifeDimensionless));
        break;
    }
    b.append(char(vifeCode));
    return {b, true};
}

QByteArray difFor(quint8 dataFieldCode, int functionField, quint32 storage, quint32 tariff,
                  quint32 unit) {
    // The editor lists minimum before maximum; the DIF codes maximum as 01 and minimum as 10.
    static constexpr quint8 FunctionBits[] = {0x00, 0x20, 0x10, 0x30};
    const quint8 function =
        functionField >= 0 && functionField < 4 ? FunctionBits[functionField] : 0x00;
    QByteArray b;
    b.append(char((dataFieldCode & 0x0F) | function | ((storage & 1) << 6)));
    quint32 s = storage >> 1;
    quint32 t = tariff;
    quint32 u = unit;
    for (int i = 0; i < MaxDifes && (s || t || u); ++i) {
        b[b.size() - 1] = char(quint8(b.back()) | Extension);
        b.append(char((s & 0x0F) | ((t & 0x03) << 4) | ((u & 1) << 6)));
        s >>= 4;
        t >>= 2;
        u >>= 1;
    }
    return b;
}

int dataLength(quint8 dfc, int variableLength) {
    static constexpr int Lengths[] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, 0};
    if (dfc == 13)
        return 1 + qBound(0, variableLength, MaxVariableLength);
    return Lengths[dfc & 0x0F];
}

DataBytes dataFor(quint8 dfc, int variableLength, const RecordValue& value) {
    const int length = dataLength(dfc, variableLength);
    DataBytes out;
    out.bytes = QByteArray(length, '\0');
    const auto fail = [&](quint8 error) {
        out.bytes.fill('\0');
        if (dfc == 13)
            out.bytes[0] = char(length - 1);
        out.errorVife = error;
        return out;
    };
    if (value.kind == RecordValue::Kind::Failed)
        return fail(VifeNoData);
    if (value.kind == RecordValue::Kind::Field) {
        if (dfc == 13) {
            putCharacters(out.bytes, value.field.bytes);
            return out;
        }
        // The field was fitted for another dimension: nothing sound to send.
        if (value.field.bytes.size() != length)
            return fail(VifeNoData);
        out.bytes = value.field.bytes;
        out.errorVife = fieldError(value.field);
        return out;
    }
    switch (dfc) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
    case 7: {
        const std::optional<qint64> n = asInteger(value);
        if (!n)
            return fail(value.kind == RecordValue::Kind::Real && std::isinf(value.real)
                            ? rangeError(value)
                            : VifeNoData);
        if (!fits(*n, length))
            return fail(rangeError(value));
        for (int i = 0; i < length; ++i)
            out.bytes[i] = char(quint64(*n) >> (8 * i));
        return out;
    }
    case 5: {
        if (value.kind == RecordValue::Kind::Text)
            return fail(VifeNoData);
        const double d =
            value.kind == RecordValue::Kind::Integer ? double(value.integer) : value.real;
        if (std::isnan(d))
            return fail(VifeNoData);
        if (std::fabs(d) > double(std::numeric_limits<float>::max()))
            return fail(d < 0 ? VifeUnderflow : VifeOverflow);
        const quint32 bits = std::bit_cast<quint32>(float(d));
        for (int i = 0; i < 4; ++i)
            out.bytes[i] = char(bits >> (8 * i));
        return out;
    }
    case 9:
    case 10:
    case 11:
    case 12:
    case 14: {
        const std::optional<qint64> n = asInteger(value);
        if (!n)
            return fail(VifeNoData);
        const int digits = 2 * length;
        // A negative value takes F in its highest digit (type A).
        const bool negative = *n < 0;
        quint64 magnitude = negative ? quint64(-(*n + 1)) + 1 : quint64(*n);
        const int valueDigits = negative ? digits - 1 : digits;
        quint64 limit = 1;
        for (int i = 0; i < valueDigits; ++i)
            limit *= 10;
        if (magnitude >= limit)
            return fail(negative ? VifeUnderflow : VifeOverflow);
        for (int i = 0; i < length; ++i) {
            const quint8 low = quint8(magnitude % 10);
            magnitude /= 10;
            const quint8 high = quint8(magnitude % 10);
            magnitude /= 10;
            out.bytes[i] = char(low | (high << 4));
        }
        if (negative)
            out.bytes[length - 1] = char(quint8(out.bytes[length - 1]) | 0xF0);
        return out;
    }
    case 13: {
        QByteArray text;
        if (value.kind == RecordValue::Kind::Text)
            text = value.text;
        else if (value.kind == RecordValue::Kind::Integer)
            text = QByteArray::number(value.integer);
        else
            text = QByteArray::number(value.real, 'g', 10);
        // Sent last character first, like every other field.
        putCharacters(out.bytes, text);
        return out;
    }
    default:
        return out; // no data, or a special function: nothing to fill
    }
}

Record recordFor(const Variable& variable, const RecordValue& value) {
    const quint8 dfc = dataFieldCodeOf(quint8(variable.dimension));
    const VifCoding vif = vifFor(variable.dataType, variable.vife, variable.scale);
    const DataBytes data = dataFor(dfc, variable.length, value);
    Record r;
    r.standard = vif.standard;
    r.errorVife = data.errorVife;
    r.bytes = difFor(dfc, variable.function, variable.storageNumber, quint32(variable.tariff),
                     quint32(variable.unit));
    QByteArray vifBytes = vif.bytes;
    // After VIF FF the VIFEs belong to the manufacturer: the error shows in the header only.
    if (data.errorVife && vif.standard) {
        vifBytes[vifBytes.size() - 1] = char(quint8(vifBytes.back()) | Extension);
        vifBytes.append(char(data.errorVife));
    }
    r.bytes += vifBytes;
    r.bytes += data.bytes;
    return r;
}

} // namespace Gateway
