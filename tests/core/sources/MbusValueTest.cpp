#include "core/sources/MbusValue.h"

#include "core/image/RecordCoding.h"
#include "core/network/CodingTables.h"
#include "support/QtPrinters.h"

#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

using namespace Sources::Mbus;

namespace {

// The captions are the users' words for the same choices; here (and only here) they are read
// to check the unit table against them.
struct FromCaption {
    bool known = false;
    Kind kind = Kind::None;
    QString unit;
    int exponent = 0;
};

QString unitOfCaption(QString unit) {
    unit = unit.trimmed();
    unit.replace(QStringLiteral("m^3"), QStringLiteral("m³"));
    if (unit == QStringLiteral("Volts"))
        return QStringLiteral("V");
    if (unit == QStringLiteral("Ampere"))
        return QStringLiteral("A");
    return unit;
}

FromCaption readCaption(const QString& caption) {
    static const QRegularExpression times(QStringLiteral(R"(^(.*?)\s*\*\s*\(10 \^ (-?\d+)\)?$)"));
    static const QRegularExpression leading(QStringLiteral(R"(^10\^(-?\d+) (\w+)$)"));
    static const QRegularExpression money(QStringLiteral(R"(^(Credit|Debit) 10\^(-?\d+)$)"));
    static const QRegularExpression ofVif(QStringLiteral(R"(^\(10 \^ (-?\d+)\) \* unit of VIF$)"));
    static const QStringList durations = {QStringLiteral("Seconds"), QStringLiteral("Minutes"),
                                          QStringLiteral("Hours"),   QStringLiteral("Days"),
                                          QStringLiteral("Months"),  QStringLiteral("Years")};
    static const QStringList durationUnits = {QStringLiteral("s"),      QStringLiteral("min"),
                                              QStringLiteral("h"),      QStringLiteral("d"),
                                              QStringLiteral("months"), QStringLiteral("years")};
    FromCaption c;
    QRegularExpressionMatch m;
    if ((m = times.match(caption)).hasMatch()) {
        const QString unit = unitOfCaption(m.captured(1));
        c = {true, unit.isEmpty() ? Kind::Dimensionless : Kind::Quantity, unit,
             m.captured(2).toInt()};
    } else if ((m = leading.match(caption)).hasMatch()) {
        c = {true, Kind::Quantity, unitOfCaption(m.captured(2)), m.captured(1).toInt()};
    } else if ((m = money.match(caption)).hasMatch()) {
        c = {true, Kind::Quantity, m.captured(1).toLower(), m.captured(2).toInt()};
    } else if ((m = ofVif.match(caption)).hasMatch()) {
        c = {true, Kind::Dimensionless, QString(), m.captured(1).toInt()};
    } else if (caption == QStringLiteral("Date") || caption == QStringLiteral("Time & Date") ||
               caption.startsWith(QStringLiteral("Date of")) ||
               (caption.contains(QStringLiteral("limit exceed")) &&
                (caption.startsWith(QStringLiteral("begin")) ||
                 caption.startsWith(QStringLiteral("end"))))) {
        c = {true, Kind::Date, QString(), 0};
    } else {
        for (int k = 0; k < durations.size(); ++k)
            if (caption.endsWith(durations[k]))
                c = {true, Kind::Duration, durationUnits[k], 0};
    }
    return c;
}

QStringList scaleCaptionsOf(const RecordCoding::CodeMeaning& m) {
    return CodingTables::scaleListFor(m.typeOfData, m.vife).value_or(QStringList());
}

// Every record code the device knows has a unit; the numbers it does not know have none.
TEST(MbusUnit, EveryRecordCodeHasTheUnitAndPowerItsCaptionNames) {
    int withCode = 0, checkedAgainstCaption = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        const auto meaning = RecordCoding::meaningOfCode(quint16(code));
        const Unit unit = unitOfCode(quint16(code));
        if (!meaning) {
            EXPECT_EQ(unit, Unit{}) << code;
            continue;
        }
        ++withCode;
        EXPECT_NE(unit.kind, Kind::None) << code;
        const QStringList captions = scaleCaptionsOf(*meaning);
        if (meaning->scale < 0)
            continue; // a VIFE without a list: see the table below
        const QString caption = captions.value(meaning->scale);
        const FromCaption expected = readCaption(caption);
        if (!expected.known)
            continue; // channels, limits and other words without a unit
        ++checkedAgainstCaption;
        EXPECT_EQ(unit.kind, expected.kind) << code << " " << caption.toStdString();
        EXPECT_EQ(unit.unit, expected.unit) << code << " " << caption.toStdString();
        EXPECT_EQ(unit.exponent, expected.exponent) << code << " " << caption.toStdString();
    }
    EXPECT_EQ(withCode, RecordCoding::HighestCode - (300 - 272));
    EXPECT_GE(checkedAgainstCaption, 260); // nearly every code with a scale list
}

TEST(MbusUnit, CodesWithoutCaptionedUnitsTable) {
    struct Row {
        int typeOfData, vife, scale;
        Kind kind;
        const char* unit;
        int exponent;
    };
    const Row rows[] = {
        {10, 0, 0, Kind::Quantity, "m³/s", -9}, // its captions are our own
        {10, 0, 7, Kind::Quantity, "m³/s", -2},
        {19, 3, 255, Kind::Dimensionless, "", 0}, // access number
        {19, 22, 255, Kind::Quantity, "Bd", 0},
        {19, 29, 255, Kind::Duration, "months", 0},
        {19, 32, 255, Kind::Date, "", 0},
        {19, 57, 255, Kind::Quantity, "US gal", 0},
        {19, 58, 255, Kind::Quantity, "US gal/min", -3},
        {19, 100, 6, Kind::Duration, "h", 0}, // the second group of s, min, h, d
        {19, 101, 7, Kind::Duration, "d", 0},
        {19, 105, 255, Kind::Dimensionless, "", 3},
        {19, 135, 255, Kind::Duration, "d", 0},
        {19, 151, 255, Kind::Dimensionless, "", 0},
        {19, 97, 1, Kind::Dimensionless, "", 0},
        {20, 0, 1, Kind::Date, "", 0},
    };
    for (const Row& r : rows) {
        const quint16 code = recordCodeOf(quint8(r.typeOfData), quint8(r.vife), quint16(r.scale));
        ASSERT_NE(code, 0) << r.typeOfData << "/" << r.vife;
        const Unit unit = unitOfCode(code);
        EXPECT_EQ(unit.kind, r.kind) << code;
        EXPECT_EQ(unit.unit, QString::fromUtf8(r.unit)) << code;
        EXPECT_EQ(unit.exponent, r.exponent) << code;
    }
    EXPECT_EQ(unitOfCode(0), Unit{});
    EXPECT_EQ(unitOfCode(272), Unit{});
    EXPECT_EQ(unitOfCode(RecordCoding::HighestCode + 1), Unit{});
}

// Dimension positions.
constexpr int D8 = 0, D16 = 1, D32 = 2, D64 = 3, D24 = 4, D48 = 5, DReal = 6, DVar = 7, Bcd2 = 8,
              Bcd4 = 9, Bcd6 = 10, Bcd8 = 11, Bcd12 = 12;
constexpr double None = std::numeric_limits<double>::quiet_NaN(); // no value expected

struct Case {
    const char* name;
    int dimension;
    QList<quint16> registers;
    int swap;
    const char* text;
    double value;
    QStringList flags;
};

Value fromRegisters(int dimension, const QList<quint16>& registers, int swap = 0,
                    quint16 code = 0) {
    Source s;
    s.dimension = dimension;
    s.registers = registers;
    s.swap = swap;
    s.recordCode = code;
    return valueOf(s);
}

void expectCase(const Case& c, const Value& v) {
    EXPECT_EQ(v.text, QString::fromUtf8(c.text)) << c.name;
    if (std::isnan(c.value))
        EXPECT_FALSE(v.value.has_value()) << c.name;
    else
        EXPECT_EQ(v.value, std::optional<double>(c.value)) << c.name;
    EXPECT_EQ(v.flagNames(), c.flags) << c.name;
}

const QString overflow = QStringLiteral("overflow"), negative = QStringLiteral("negative"),
              bcd = QStringLiteral("bcd-digit"), notFinite = QStringLiteral("not-finite"),
              wordOrder = QStringLiteral("word-order"), singleBit = QStringLiteral("single-bit");

TEST(MbusValue, EachDataFieldWithItsEdgeValues) {
    const Case cases[] = {
        {"8 largest", D8, {127}, 0, "127", 127, {}},
        {"8 one above", D8, {128}, 0, "-128", -128, {overflow}},
        {"8 smallest", D8, {0xFF80}, 0, "-128", -128, {}},
        {"8 one below", D8, {0xFF7F}, 0, "127", 127, {negative}},
        {"16 largest", D16, {0x7FFF}, 0, "32 767", 32767, {}},
        {"16 negative", D16, {0xFFFF}, 0, "-1", -1, {}},
        {"16 from 32 fits", D16, {0x0000, 0x7FFF}, 0, "32 767", 32767, {}},
        {"16 from 32 one above", D16, {0x0000, 0x8000}, 0, "-32 768", -32768, {overflow}},
        {"16 from 32 smallest", D16, {0xFFFF, 0x8000}, 0, "-32 768", -32768, {}},
        {"16 from 32 one below", D16, {0xFFFF, 0x7FFF}, 0, "32 767", 32767, {negative}},
        {"24 largest", D24, {0x007F, 0xFFFF}, 0, "8 388 607", 8388607, {}},
        {"24 one above", D24, {0x0080, 0x8000}, 0, "-8 355 840", -8355840, {overflow}},
        {"32 largest", D32, {0x7FFF, 0xFFFF}, 0, "2 147 483 647", 2147483647, {}},
        {"32 from 48 one above",
         D32,
         {0x0000, 0x8000, 0x0000},
         0,
         "-2 147 483 648",
         -2147483648.0,
         {overflow}},
        {"32 from one negative register", D32, {0xFFFF}, 0, "65 535", 65535, {negative}},
        {"48 largest",
         D48,
         {0x7FFF, 0xFFFF, 0xFFFF},
         0,
         "140 737 488 355 327",
         140737488355327.0,
         {}},
        {"48 one above",
         D48,
         {0x0000, 0x8000, 0x0000, 0x8000},
         0,
         "-140 737 488 322 560",
         -140737488322560.0,
         {overflow}},
        {"64 largest",
         D64,
         {0x7FFF, 0xFFFF, 0xFFFF, 0xFFFF},
         0,
         "9 223 372 036 854 775 807",
         9223372036854775807.0,
         {}},
        {"64 from five registers", D64, {0x0001, 0, 0, 0, 5}, 0, "5", 5, {overflow}},
        {"real", DReal, {0x4148, 0x0000}, 0, "12.5", 12.5, {}},
        {"real low word first", DReal, {0x0000, 0x4148}, 1, "12.5", 12.5, {}},
        {"real NaN", DReal, {0x7FC0, 0x0000}, 0, "NaN", None, {notFinite}},
        {"real infinite", DReal, {0x7F80, 0x0000}, 0, "+Inf", None, {notFinite}},
        {"real minus infinite", DReal, {0xFF80, 0x0000}, 0, "-Inf", None, {notFinite}},
        {"variable length", DVar, {0x1234, 0xABCD}, 0, "0x1234 0xABCD", None, {}},
        {"2 BCD largest", Bcd2, {0x0099}, 0, "99", 99, {}},
        {"2 BCD digit A", Bcd2, {0x009A}, 0, "9A", None, {bcd}},
        {"2 BCD one above", Bcd2, {0x0100}, 0, "0", 0, {overflow}},
        {"4 BCD largest", Bcd4, {0x9999}, 0, "9 999", 9999, {}},
        {"4 BCD digit A", Bcd4, {0x0A00}, 0, "0A00", None, {bcd}},
        {"4 BCD negative", Bcd4, {0xFFFF}, 0, "FFFF", None, {bcd}},
        {"6 BCD largest", Bcd6, {0x0099, 0x9999}, 0, "999 999", 999999, {}},
        {"6 BCD one above", Bcd6, {0x0100, 0x0000}, 0, "0", 0, {overflow}},
        {"8 BCD", Bcd8, {0x1234, 0x5678}, 0, "12 345 678", 12345678, {}},
        {"8 BCD low word first", Bcd8, {0x5678, 0x1234}, 1, "12 345 678", 12345678, {}},
        {"12 BCD largest",
         Bcd12,
         {0x9999, 0x9999, 0x9999},
         0,
         "999 999 999 999",
         999999999999.0,
         {}},
        {"12 BCD digit A", Bcd12, {0x0000, 0x000A, 0x0000}, 0, "0000000A0000", None, {bcd}},
    };
    for (const Case& c : cases)
        expectCase(c, fromRegisters(c.dimension, c.registers, c.swap));
}

TEST(MbusValue, EachKindOfRecordCode) {
    struct CodeCase {
        Case c;
        int typeOfData, vife, scale;
        const char* unit;
        int exponent;
    };
    const CodeCase cases[] = {
        {{"energy kWh",
          D32,
          {0x1234, 0x5678},
          0,
          "305 419 896 × 10³ Wh = 305.42 GWh",
          305419896000.0,
          {}},
         0,
         0,
         6,
         "Wh",
         3},
        {{"energy Wh", D16, {1500}, 0, "1 500 Wh", 1500, {}}, 0, 0, 3, "Wh", 0},
        {{"volume", D16, {1234}, 0, "1 234 × 10⁻² m³ = 12.34 m³", 12.34, {}}, 2, 0, 4, "m³", -2},
        {{"volume real", DReal, {0x4148, 0}, 0, "12.5 × 10⁻¹ m³ = 1.25 m³", 1.25, {}},
         2,
         0,
         5,
         "m³",
         -1},
        {{"temperature", D16, {0xFFEC}, 0, "-20 × 10⁻¹ °C = -2 °C", -2, {}}, 12, 0, 2, "°C", -1},
        {{"on time", D16, {5}, 0, "5 h", 5, {}}, 4, 0, 2, "h", 0},
        {{"date", D16, {0x3C4B}, 0, "2026-12-11", None, {}}, 20, 0, 0, "", 0},
        {{"time and date", D32, {0x3C4B, 0x082D}, 0, "2026-12-11 08:45", None, {}},
         20,
         0,
         1,
         "",
         0},
        {{"volts", D16, {230}, 0, "230 V", 230, {}}, 19, 38, 9, "V", 0},
        {{"millivolts", D16, {2300}, 0, "2 300 × 10⁻³ V = 2.3 V", 2.3, {}}, 19, 38, 6, "V", -3},
        {{"correction factor", D16, {5}, 0, "5 × 10⁻⁶ = 0.000005", 0.000005, {}},
         19,
         103,
         0,
         "",
         -6},
        {{"access number", D16, {42}, 0, "42", 42, {}}, 19, 3, 255, "", 0},
        {{"no code", D16, {42}, 0, "42", 42, {}}, 21, 0, 255, "", 0},
    };
    for (const CodeCase& k : cases) {
        const Value v =
            fromRegisters(k.c.dimension, k.c.registers, k.c.swap,
                          recordCodeOf(quint8(k.typeOfData), quint8(k.vife), quint16(k.scale)));
        expectCase(k.c, v);
        EXPECT_EQ(v.unit.unit, QString::fromUtf8(k.unit)) << k.c.name;
        EXPECT_EQ(v.unit.exponent, k.exponent) << k.c.name;
    }
}

TEST(MbusValue, AnAbsurdWordOrderNamesTheOrderThatWouldBePlausible) {
    const quint16 m3 = recordCodeOf(2, 0, 6); // m³ × 10^0
    // 12.5 with its words the wrong way round is 2.3e-41.
    Value v = fromRegisters(DReal, {0x0000, 0x4148}, 0, m3);
    EXPECT_EQ(v.flagNames(), QStringList{wordOrder});
    EXPECT_EQ(v.betterSwap, 1);
    EXPECT_EQ(v.betterText, QStringLiteral("12.5 m³"));
    v = fromRegisters(DReal, {0x4148, 0x0000}, 1, m3);
    EXPECT_EQ(v.betterSwap, 0);
    // A counter of 100 000 read low word first is -2 036 334 591.
    v = fromRegisters(D32, {0x86A0, 0x0001}, 0, m3);
    EXPECT_EQ(v.flagNames(), QStringList{wordOrder});
    EXPECT_EQ(v.betterSwap, 1);
    EXPECT_EQ(v.betterText, QStringLiteral("100 000 m³"));
    // A counter that overflows a 16-bit field one way and fits the other.
    v = fromRegisters(D16, {0x0005, 0x0000}, 0, m3);
    EXPECT_EQ(v.flagNames(), (QStringList{overflow, wordOrder}));
    EXPECT_EQ(v.betterText, QStringLiteral("5 m³"));
    // A low word of 0 where the other order fits one register.
    v = fromRegisters(D32, {0x0005, 0x0000}, 0, m3);
    EXPECT_EQ(v.flagNames(), QStringList{wordOrder});
    EXPECT_EQ(v.betterText, QStringLiteral("5 m³"));
    // Both orders plausible, or neither: no advice.
    EXPECT_EQ(fromRegisters(D32, {0x0000, 0x0005}, 0, m3).flags, 0u);
    EXPECT_EQ(fromRegisters(DReal, {0x7FC0, 0x7FC0}, 0, m3).flagNames(), QStringList{notFinite});
    // One register has no word order.
    EXPECT_EQ(fromRegisters(D8, {0x0100}, 0, m3).flagNames(), QStringList{overflow});
}

TEST(MbusValue, OneCoilIntoAWideFieldIsFlagged) {
    const auto bits = [](int dimension, QList<quint8> values) {
        Source s;
        s.dimension = dimension;
        s.isBits = true;
        s.bits = values;
        return valueOf(s);
    };
    EXPECT_EQ(bits(D16, {1}).flagNames(), QStringList{singleBit});
    EXPECT_EQ(bits(D16, {1}).text, QStringLiteral("1"));
    EXPECT_EQ(bits(DReal, {1}).has(SingleBit), true);
    EXPECT_EQ(bits(D8, {1}).flags, 0u);
    EXPECT_EQ(bits(Bcd2, {1}).flags, 0u);
    const Value several = bits(D16, {1, 0, 1});
    EXPECT_EQ(several.flags, 0u);
    EXPECT_EQ(several.text, QStringLiteral("5")); // the first bit is the lowest
}

} // namespace
