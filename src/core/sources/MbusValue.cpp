#include "core/sources/MbusValue.h"

#include "core/image/RecordCoding.h"
#include "core/sources/ReadPlan.h"
#include "core/sources/SourceRead.h"
#include "core/sources/SourceValues.h"

#include <algorithm>

#include <array>
#include <bit>
#include <cmath>
#include <span>

namespace Sources::Mbus {

namespace {

// Each type of data, and each VIFE while the type is 19, is one family of record codes: the
// scale position s picks the exponent (first + s) or, for durations, the unit.
struct Family {
    Kind kind = Kind::Dimensionless;
    const char* unit = "";
    int firstExponent = 0;
    std::span<const char* const> units; // durations: the unit of each scale position
    int step = 1; // 0: the scale picks a meaning (a limit, a channel), not a power
};

constexpr const char* SecondsToDays[] = {"s", "min", "h", "d"};
constexpr const char* MinutesToDays[] = {"min", "h", "d"};
constexpr const char* HoursToYears[] = {"h", "d", "months", "years"};
constexpr const char* Seconds[] = {"s"};
constexpr const char* Days[] = {"d"};
constexpr const char* Months[] = {"months"};
constexpr const char* Years[] = {"years"};

constexpr Family q(const char* unit, int firstExponent) {
    return {Kind::Quantity, unit, firstExponent, {}};
}
constexpr Family duration(std::span<const char* const> units) {
    return {Kind::Duration, "", 0, units};
}
constexpr Family date() {
    return {Kind::Date, "", 0, {}};
}
constexpr Family number() {
    return {Kind::Dimensionless, "", 0, {}, 0};
}
constexpr Family powers(int firstExponent) {
    return {Kind::Dimensionless, "", firstExponent, {}, 1};
}

const std::array<Family, RecordCoding::TypeCount>& typeFamilies() {
    static const std::array<Family, RecordCoding::TypeCount> families = {
        q("Wh", -3),             // 0
        q("J", 0),               // 1
        q("m³", -6),             // 2
        q("kg", -3),             // 3
        duration(SecondsToDays), // 4 on time
        duration(SecondsToDays), // 5 operating time
        q("W", -3),              // 6
        q("J/h", 0),             // 7
        q("m³/h", -6),           // 8
        q("m³/min", -7),         // 9
        q("m³/s", -9),           // 10
        q("kg/h", -3),           // 11
        q("°C", -3),             // 12
        q("°C", -3),             // 13
        q("K", -3),              // 14
        q("°C", -3),             // 15
        q("bar", -3),            // 16
        duration(SecondsToDays), // 17 averaging duration
        duration(SecondsToDays), // 18 actuality duration
        number(),                // 19: the VIFE decides
        date(),                  // 20 date, time and date
        number(),
        number(),
        number(),
        number(),
        number(), // 21..25 have no code
    };
    return families;
}

const std::array<Family, RecordCoding::VifeCount>& vifeFamilies() {
    static const std::array<Family, RecordCoding::VifeCount> families = [] {
        std::array<Family, RecordCoding::VifeCount> f;
        f.fill(number()); // identities, flags, counters, error codes
        f[1] = q("credit", -3);
        f[2] = q("debit", -3);
        f[22] = q("Bd", 0);
        f[23] = q("bit times", 0);
        f[28] = duration(SecondsToDays);
        f[29] = duration(Months);
        f[30] = duration(Years);
        f[31] = duration(SecondsToDays);
        f[32] = date();
        f[33] = duration(MinutesToDays);
        f[34] = duration(SecondsToDays);
        f[35] = duration(Months);
        f[36] = duration(Years);
        f[38] = q("V", -9);
        f[39] = q("A", -12);
        f[48] = duration(HoursToYears);
        f[49] = duration(HoursToYears);
        f[50] = date();
        f[51] = q("MWh", -1);
        f[52] = q("GJ", -1);
        f[53] = q("m³", 2);
        f[54] = q("t", 2);
        f[55] = q("ft³", -1);
        f[56] = q("US gal", -1);
        f[57] = q("US gal", 0);
        f[58] = q("US gal/min", -3);
        f[59] = q("US gal/min", 0);
        f[60] = q("US gal/h", 0);
        f[61] = q("MW", -1);
        f[62] = q("GJ/h", -1);
        for (int v = 63; v <= 67; ++v)
            f[size_t(v)] = q("°F", -3);
        f[68] = q("°C", -3);
        f[69] = q("W", -3);
        const char* const per[] = {"/s",    "/min",   "/h",    "/d",
                                   "/week", "/month", "/year", "/revolution"}; // 70..77
        for (int k = 0; k < 8; ++k)
            f[size_t(70 + k)] = q(per[k], 0);
        const char* const perUnit[] = {"/l",  "/m³", "/kg",    "/K", "/kWh",
                                       "/GJ", "/kW", "/(K·l)", "/V", "/A"}; // 80..89
        for (int k = 0; k < 10; ++k)
            f[size_t(80 + k)] = q(perUnit[k], 0);
        f[90] = q("·s", 0);
        f[91] = q("·s/V", 0);
        f[92] = q("·s/A", 0);
        f[93] = date();
        f[99] = date();
        f[100] = duration(SecondsToDays); // four groups of s, min, h, d
        f[101] = duration(SecondsToDays);
        f[102] = date();
        f[103] = powers(-6);
        f[104] = powers(-3);
        f[105] = powers(3);
        f[129] = duration(Seconds);
        f[131] = duration(SecondsToDays);
        f[132] = q("dBm", 0);
        f[135] = duration(Days);
        f[137] = q("kVARh", 0);
        f[138] = q("kVAh", 0);
        f[139] = q("MCal", -1);
        f[140] = q("kVAR", -3);
        f[141] = q("%", -1);
        f[145] = q("Hz", -3);
        f[146] = q("kVA", -3);
        return f;
    }();
    return families;
}

// The data field a dimension gives, by its data-field code.
struct Field {
    enum class Kind { Integer, Real, Bcd, VariableLength } kind = Kind::Integer;
    int bits = 16; // width; BCD: 4 per digit
};

Field fieldOf(int dimension) {
    switch (RecordCoding::dataFieldCodeOf(quint8(std::clamp(dimension, 0, 255)))) {
    case 1:
        return {Field::Kind::Integer, 8};
    case 3:
        return {Field::Kind::Integer, 24};
    case 4:
        return {Field::Kind::Integer, 32};
    case 6:
        return {Field::Kind::Integer, 48};
    case 7:
        return {Field::Kind::Integer, 64};
    case 5:
        return {Field::Kind::Real, 32};
    case 13:
        return {Field::Kind::VariableLength, 0};
    case 9:
        return {Field::Kind::Bcd, 8};
    case 10:
        return {Field::Kind::Bcd, 16};
    case 11:
        return {Field::Kind::Bcd, 24};
    case 12:
        return {Field::Kind::Bcd, 32};
    case 14:
        return {Field::Kind::Bcd, 48};
    default:
        return {Field::Kind::Integer, 16};
    }
}

quint64 lowBits(quint64 value, int bits) {
    return bits >= 64 ? value : value & ((quint64(1) << bits) - 1);
}

qint64 signExtended(quint64 value, int bits) {
    if (bits >= 64)
        return qint64(value);
    const quint64 sign = quint64(1) << (bits - 1);
    value = lowBits(value, bits);
    return qint64(value ^ sign) - qint64(sign);
}

// The source as one number: registers most significant first per the swap, at most the low
// 64 bits (`beyond` says whether anything higher was set), or the bits with the first lowest.
struct Raw {
    quint64 bits = 0;
    int width = 0;
    bool beyond = false;
};

Raw rawOf(const Source& s, int swap) {
    Raw raw;
    if (s.isBits) {
        for (int k = 0; k < s.bits.size(); ++k) {
            if (!s.bits[k])
                continue;
            if (k < 64)
                raw.bits |= quint64(1) << k;
            else
                raw.beyond = true;
        }
        raw.width = int(std::min<qsizetype>(s.bits.size(), 64));
        return raw;
    }
    QList<quint16> words = s.registers; // most significant first
    if (swap == 1)
        std::reverse(words.begin(), words.end());
    for (int k = 0; k < words.size(); ++k) {
        const int fromLow = int(words.size()) - 1 - k;
        if (fromLow >= 4)
            raw.beyond = raw.beyond || words[k] != 0;
        else
            raw.bits |= quint64(words[k]) << (16 * fromLow);
    }
    raw.width = int(std::min<qsizetype>(words.size(), 4)) * 16;
    return raw;
}

QString superscript(int exponent) {
    static const char16_t digits[] = u"⁰¹²³⁴⁵⁶⁷⁸⁹";
    QString out = exponent < 0 ? QStringLiteral("⁻") : QString();
    for (const QChar c : QString::number(std::abs(exponent)))
        out += QChar(digits[c.digitValue()]);
    return out;
}

// "305 419 896": groups of three, which read the same in every language.
QString grouped(const QString& digits) {
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(' ');
        out += digits[i];
    }
    return out;
}

QString integerText(qint64 value) {
    const QString digits = QString::number(value < 0 ? -(quint64(value)) : quint64(value));
    return (value < 0 ? QStringLiteral("-") : QString()) + grouped(digits);
}

// value × 10^exponent written exactly, without trailing zeros after the point.
QString exactDecimal(qint64 value, int exponent) {
    const bool negative = value < 0;
    QString digits = QString::number(negative ? -(quint64(value)) : quint64(value));
    QString whole;
    QString fraction;
    if (exponent >= 0) {
        whole = value == 0 ? digits : digits + QString(exponent, QLatin1Char('0'));
    } else {
        const int places = -exponent;
        if (digits.size() <= places)
            digits = QString(places - digits.size() + 1, QLatin1Char('0')) + digits;
        whole = digits.left(digits.size() - places);
        fraction = digits.right(places);
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
    }
    QString out = (negative ? QStringLiteral("-") : QString()) + grouped(whole);
    return fraction.isEmpty() ? out : out + QLatin1Char('.') + fraction;
}

QString realText(double value) {
    return QString::number(value, 'g', 7);
}

// Units that take the SI prefixes when a value is brought to a readable size.
bool takesPrefix(const QString& unit) {
    static const QStringList units = {
        QStringLiteral("Wh"), QStringLiteral("J"), QStringLiteral("W"), QStringLiteral("J/h"),
        QStringLiteral("V"),  QStringLiteral("A"), QStringLiteral("Hz")};
    return units.contains(unit);
}

// "305.42 GWh": five significant digits with the prefix that keeps 1 <= mantissa < 1000.
QString prefixed(double value, const QString& unit) {
    if (value == 0)
        return QStringLiteral("0 ") + unit;
    static const char* const prefixes[] = {"p", "n", "µ", "m", "", "k", "M", "G", "T"};
    int power = int(std::floor(std::log10(std::abs(value)) / 3.0)) * 3;
    power = std::clamp(power, -12, 12);
    const double mantissa = value / std::pow(10.0, power);
    const int before = std::abs(mantissa) >= 100 ? 3 : std::abs(mantissa) >= 10 ? 2 : 1;
    QString text = QString::number(mantissa, 'f', std::max(0, 5 - before));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text + QLatin1Char(' ') + QString::fromUtf8(prefixes[(power + 12) / 3]) + unit;
}

QString withUnit(const QString& number, const QString& unit) {
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

// EN 13757-3 type G (16 bits: date) and type F (32 bits: date and time); the year counts
// from 2000.
QString dateText(quint64 bits, int width) {
    const auto byte = [&](int k) { return int((bits >> (8 * k)) & 0xFF); };
    if (width == 16) {
        const int day = byte(0) & 0x1F, month = byte(1) & 0x0F;
        const int year = ((byte(0) & 0xE0) >> 5) | ((byte(1) & 0xF0) >> 1);
        return QStringLiteral("%1-%2-%3")
            .arg(2000 + year)
            .arg(month, 2, 10, QLatin1Char('0'))
            .arg(day, 2, 10, QLatin1Char('0'));
    }
    const int minute = byte(0) & 0x3F, hour = byte(1) & 0x1F;
    const int day = byte(2) & 0x1F, month = byte(3) & 0x0F;
    const int year = ((byte(2) & 0xE0) >> 5) | ((byte(3) & 0xF0) >> 1);
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(2000 + year)
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'));
}

// The field's content, and its bits for dates.
struct Fitted : FieldData {
    quint64 fieldBits = 0;
};

QByteArray littleEndian(quint64 bits, int width) {
    QByteArray out;
    for (int k = 0; k < width / 8; ++k)
        out.append(char((bits >> (8 * k)) & 0xFF));
    return out;
}

// Variable length: the characters the gateway sends.
QByteArray characters(const Source& s, const Raw& raw) {
    if (s.isBits)
        return QByteArray::number(raw.bits);
    QByteArray text;
    for (const quint16 w : s.registers) {
        text.append(char(w >> 8));
        text.append(char(w & 0xFF));
    }
    return text;
}

Fitted fit(const Source& s, const Field& field, int swap) {
    Fitted f;
    const Raw raw = rawOf(s, swap);
    // Bits are never negative; registers read as the two's complement of their width.
    const qint64 source =
        s.isBits || raw.width == 0 ? qint64(raw.bits) : signExtended(raw.bits, raw.width);
    switch (field.kind) {
    case Field::Kind::Integer: {
        f.fieldBits = lowBits(raw.bits, field.bits);
        const qint64 value = signExtended(f.fieldBits, field.bits);
        f.integer = value;
        if (raw.beyond || value != source)
            f.flags |= source < 0 ? Negative : Overflow;
        // A register of 0xFFFF in a wider field reads 65535: right for a counter, so only a
        // warning; a value that neither reading of the source gives has lost bits.
        f.lost = raw.beyond || (value != source && quint64(value) != raw.bits);
        break;
    }
    case Field::Kind::Bcd: {
        f.fieldBits = lowBits(raw.bits, field.bits);
        if (raw.beyond || (field.bits < 64 && (raw.bits >> field.bits) != 0))
            f.flags |= Overflow;
        f.lost = (f.flags & Overflow) != 0;
        qint64 value = 0;
        bool digitsOk = true;
        for (int shift = field.bits - 4; shift >= 0; shift -= 4) {
            const int digit = int((f.fieldBits >> shift) & 0xF);
            digitsOk = digitsOk && digit <= 9;
            value = value * 10 + digit;
        }
        if (digitsOk) {
            f.integer = value;
        } else {
            f.flags |= BcdDigit;
            f.digits = QStringLiteral("%1")
                           .arg(f.fieldBits, field.bits / 4, 16, QLatin1Char('0'))
                           .toUpper();
        }
        break;
    }
    case Field::Kind::Real: {
        f.fieldBits = lowBits(raw.bits, 32);
        const float value = std::bit_cast<float>(quint32(f.fieldBits));
        f.real = double(value);
        if (!std::isfinite(value))
            f.flags |= NotFinite;
        if (raw.beyond || (raw.bits >> 32) != 0)
            f.flags |= Overflow;
        f.lost = (f.flags & Overflow) != 0;
        break;
    }
    case Field::Kind::VariableLength:
        f.bytes = characters(s, raw);
        break;
    }
    if (field.kind != Field::Kind::VariableLength)
        f.bytes = littleEndian(f.fieldBits, field.bits);
    if (s.isBits && s.bits.size() == 1 &&
        (field.kind == Field::Kind::VariableLength || field.bits > 8))
        f.flags |= SingleBit;
    return f;
}

bool unflagged(const Fitted& f) {
    return (f.flags & (Overflow | Negative | BcdDigit | NotFinite)) == 0;
}

// A real an installer would believe: zero, or between a millionth and a billion.
bool plausibleReal(const Fitted& f) {
    const double size = std::abs(f.real.value_or(0));
    return unflagged(f) && (size == 0 || (size >= 1e-6 && size < 1e9));
}

// Whether the other word order reads right where this one does not. An integer read the wrong
// way round does not fit, turns negative, or has a low word of 0 where the other order fits
// one register.
bool otherOrderBetter(const Fitted& mine, const Fitted& other, bool real) {
    if (real)
        return !plausibleReal(mine) && plausibleReal(other);
    if (!unflagged(other))
        return false;
    if (!unflagged(mine))
        return true;
    const qint64 a = *mine.integer, b = *other.integer;
    return (a < 0 && b >= 0) || (a != 0 && (a & 0xFFFF) == 0 && b != 0 && std::abs(b) < 0x10000);
}

Value describe(const Fitted& f, const Field& field, const Unit& unit) {
    Value out;
    out.unit = unit;
    out.flags = f.flags;
    if (field.kind == Field::Kind::VariableLength) {
        out.text = QString();
        return out;
    }
    if (!f.digits.isEmpty()) {
        out.text = f.digits;
        return out;
    }
    if (f.flags & NotFinite) {
        out.text = std::isnan(*f.real) ? QStringLiteral("NaN")
                   : *f.real > 0       ? QStringLiteral("+Inf")
                                       : QStringLiteral("-Inf");
        return out;
    }
    if (unit.kind == Kind::Date && f.integer && (field.bits == 16 || field.bits == 32) &&
        field.kind == Field::Kind::Integer) {
        out.text = dateText(f.fieldBits, field.bits);
        return out;
    }
    const QString number = f.integer ? integerText(*f.integer) : realText(*f.real);
    // Dividing by an exact power of ten keeps 1234 × 10⁻² at the double nearest 12.34.
    const double raw = f.integer ? double(*f.integer) : *f.real;
    out.value = unit.exponent < 0 ? raw / std::pow(10.0, -unit.exponent)
                                  : raw * std::pow(10.0, unit.exponent);
    if (unit.exponent == 0) {
        out.text = withUnit(number, unit.unit);
        return out;
    }
    QString result;
    if (takesPrefix(unit.unit))
        result = prefixed(*out.value, unit.unit);
    else if (f.integer)
        result = withUnit(exactDecimal(*f.integer, unit.exponent), unit.unit);
    else
        result = withUnit(realText(*out.value), unit.unit);
    out.text = withUnit(number + QStringLiteral(" × 10") + superscript(unit.exponent), unit.unit) +
               QStringLiteral(" = ") + result;
    return out;
}

} // namespace

Unit unitOfCode(quint16 recordCode) {
    const std::optional<RecordCoding::CodeMeaning> meaning =
        RecordCoding::meaningOfCode(recordCode);
    if (!meaning)
        return {};
    const bool inVife = meaning->typeOfData == RecordCoding::TypeInVife;
    const Family& family = inVife ? vifeFamilies()[size_t(meaning->vife)]
                                  : typeFamilies()[size_t(meaning->typeOfData)];
    const int s = std::max(meaning->scale, 0);
    Unit unit;
    unit.kind = family.kind;
    if (family.kind == Kind::Duration)
        unit.unit = QString::fromUtf8(family.units[size_t(s) % family.units.size()]);
    else
        unit.unit = QString::fromUtf8(family.unit);
    if (family.kind == Kind::Quantity || family.kind == Kind::Dimensionless)
        unit.exponent = family.firstExponent + family.step * s;
    return unit;
}

QString flagName(Flag flag) {
    switch (flag) {
    case Overflow:
        return QStringLiteral("overflow");
    case Negative:
        return QStringLiteral("negative");
    case BcdDigit:
        return QStringLiteral("bcd-digit");
    case NotFinite:
        return QStringLiteral("not-finite");
    case WordOrder:
        return QStringLiteral("word-order");
    case SingleBit:
        return QStringLiteral("single-bit");
    }
    return QString();
}

QStringList Value::flagNames() const {
    QStringList names;
    for (const Flag flag : AllFlags)
        if (has(flag))
            names.append(flagName(flag));
    return names;
}

Value valueOf(const Source& source) {
    const Field field = fieldOf(source.dimension);
    const Unit unit = unitOfCode(source.recordCode);
    const int swap = source.swap == 1 ? 1 : 0;
    const Fitted fitted = fit(source, field, swap);
    Value value = describe(fitted, field, unit);
    if (field.kind == Field::Kind::VariableLength)
        value.text = source.isBits ? bitsText(source.bits) : registersText(source.registers);
    // Only a word order can be wrong: two or more registers into a numeric field.
    const bool numeric = field.kind == Field::Kind::Integer || field.kind == Field::Kind::Real;
    if (!source.isBits && source.registers.size() >= 2 && numeric && unit.kind != Kind::Date) {
        const Fitted other = fit(source, field, 1 - swap);
        if (otherOrderBetter(fitted, other, field.kind == Field::Kind::Real)) {
            value.flags |= WordOrder;
            value.betterSwap = 1 - swap;
            value.betterText = describe(other, field, unit).text;
        }
    }
    return value;
}

FieldData fieldData(const Source& source) {
    return fit(source, fieldOf(source.dimension), source.swap == 1 ? 1 : 0);
}

std::optional<Value> valueOf(const SourceVariable& v, const SourceResult& r) {
    const std::optional<Source> source = sourceOf(v, r);
    if (!source)
        return std::nullopt;
    return valueOf(*source);
}

std::optional<Source> sourceOf(const SourceVariable& v, const SourceResult& r) {
    if (r.outcome != SourceResult::Outcome::Read)
        return std::nullopt;
    Source source;
    source.dimension = v.dimension;
    source.recordCode = recordCodeOf(quint8(v.typeOfData), quint8(v.vife), quint16(v.scale));
    source.swap = v.swap;
    source.isBits = v.isBits();
    source.registers = r.registers;
    source.bits = r.bits;
    return source;
}

} // namespace Sources::Mbus
