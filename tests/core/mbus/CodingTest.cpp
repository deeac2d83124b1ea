#include "core/mbus/Coding.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Mbus;

namespace {

struct Code {
    const char* table; // "VIF", "FB", "FD"
    quint8 code;
    const char* quantity; // nullptr: reserved
    const char* unit;
    int exponent;
    Edition edition;
};

VifMeaning meaningOf(const Code& c) {
    const QByteArray t(c.table);
    return t == "FB" ? fbVif(c.code) : t == "FD" ? fdVif(c.code) : primaryVif(c.code);
}

std::string name(const Code& c) {
    return QStringLiteral("%1 %2")
        .arg(QLatin1String(c.table))
        .arg(c.code, 2, 16, QLatin1Char('0'))
        .toStdString();
}

constexpr Edition All = Edition::All;
constexpr Edition New = Edition::Current;
constexpr Edition Old = Edition::Older;

// The first and last code of every range of the three tables, and the reserved codes between
// them, written from the standard's tables (catches a shifted range, a wrong exponent base or
// step, a unit spelled otherwise, a reserved code given a meaning).
const Code Codes[] = {
    // Primary VIFs.
    {"VIF", 0x00, "energy", "Wh", -3, All},
    {"VIF", 0x07, "energy", "Wh", 4, All},
    {"VIF", 0x08, "energy", "J", 0, All},
    {"VIF", 0x0F, "energy", "J", 7, All},
    {"VIF", 0x10, "volume", "m³", -6, All},
    {"VIF", 0x17, "volume", "m³", 1, All},
    {"VIF", 0x18, "mass", "kg", -3, All},
    {"VIF", 0x1F, "mass", "kg", 4, All},
    {"VIF", 0x20, "on time", "s", 0, All},
    {"VIF", 0x23, "on time", "d", 0, All},
    {"VIF", 0x25, "operating time", "min", 0, All},
    {"VIF", 0x26, "operating time", "h", 0, All},
    {"VIF", 0x28, "power", "W", -3, All},
    {"VIF", 0x2F, "power", "W", 4, All},
    {"VIF", 0x30, "power", "J/h", 0, All},
    {"VIF", 0x37, "power", "J/h", 7, All},
    {"VIF", 0x38, "volume flow", "m³/h", -6, All},
    {"VIF", 0x3F, "volume flow", "m³/h", 1, All},
    {"VIF", 0x40, "volume flow", "m³/min", -7, All},
    {"VIF", 0x47, "volume flow", "m³/min", 0, All},
    {"VIF", 0x48, "volume flow", "m³/s", -9, All},
    {"VIF", 0x4F, "volume flow", "m³/s", -2, All},
    {"VIF", 0x50, "mass flow", "kg/h", -3, All},
    {"VIF", 0x57, "mass flow", "kg/h", 4, All},
    {"VIF", 0x58, "flow temperature", "°C", -3, All},
    {"VIF", 0x5B, "flow temperature", "°C", 0, All},
    {"VIF", 0x5C, "return temperature", "°C", -3, All},
    {"VIF", 0x5F, "return temperature", "°C", 0, All},
    {"VIF", 0x60, "temperature difference", "K", -3, All},
    {"VIF", 0x63, "temperature difference", "K", 0, All},
    {"VIF", 0x64, "external temperature", "°C", -3, All},
    {"VIF", 0x67, "external temperature", "°C", 0, All},
    {"VIF", 0x68, "pressure", "bar", -3, All},
    {"VIF", 0x6B, "pressure", "bar", 0, All},
    {"VIF", 0x6C, "date", "", 0, All},
    {"VIF", 0x6D, "date and time", "", 0, All},
    {"VIF", 0x6E, "HCA units", "", 0, All},
    {"VIF", 0x6F, nullptr, "", 0, All},
    {"VIF", 0x70, "averaging duration", "s", 0, All},
    {"VIF", 0x73, "averaging duration", "d", 0, All},
    {"VIF", 0x74, "actuality duration", "s", 0, All},
    {"VIF", 0x77, "actuality duration", "d", 0, All},
    {"VIF", 0x78, "fabrication number", "", 0, All},
    {"VIF", 0x79, "enhanced identification", "", 0, All},
    {"VIF", 0x7A, "bus address", "", 0, All},
    {"VIF", 0x7E, nullptr, "", 0, All},
    // The extension bit does not change a primary VIF's meaning.
    {"VIF", 0x93, "volume", "m³", -3, All},
    // FB: the 0.1 ft³ at E010 0001; the current edition leaves E010 0010 .. E010 0111 reserved,
    // the first gave them the US gallons.
    {"FB", 0x00, "energy", "Wh", 5, All},
    {"FB", 0x01, "energy", "Wh", 6, All},
    {"FB", 0x02, "reactive energy", "varh", 3, New},
    {"FB", 0x03, "reactive energy", "varh", 4, New},
    {"FB", 0x04, "apparent energy", "VAh", 3, New},
    {"FB", 0x05, "apparent energy", "VAh", 4, New},
    {"FB", 0x06, nullptr, "", 0, All},
    {"FB", 0x07, nullptr, "", 0, All},
    {"FB", 0x08, "energy", "J", 8, All},
    {"FB", 0x09, "energy", "J", 9, All},
    {"FB", 0x0A, nullptr, "", 0, All},
    {"FB", 0x0B, nullptr, "", 0, All},
    {"FB", 0x0C, "energy", "cal", 5, New},
    {"FB", 0x0F, "energy", "cal", 8, New},
    {"FB", 0x10, "volume", "m³", 2, All},
    {"FB", 0x11, "volume", "m³", 3, All},
    {"FB", 0x12, nullptr, "", 0, All},
    {"FB", 0x13, nullptr, "", 0, All},
    {"FB", 0x14, "reactive power", "var", 0, New},
    {"FB", 0x17, "reactive power", "var", 3, New},
    {"FB", 0x18, "mass", "kg", 5, All},
    {"FB", 0x19, "mass", "kg", 6, All},
    {"FB", 0x1A, "relative humidity", "%", -1, New},
    {"FB", 0x1B, "relative humidity", "%", 0, New},
    {"FB", 0x1C, nullptr, "", 0, All},
    {"FB", 0x1F, nullptr, "", 0, All},
    {"FB", 0x20, "volume", "ft³", 0, New},
    {"FB", 0x21, "volume", "ft³", -1, All},
    {"FB", 0x22, "volume", "US gal", -1, Old},
    {"FB", 0x23, "volume", "US gal", 0, Old},
    {"FB", 0x24, "volume flow", "US gal/min", -3, Old},
    {"FB", 0x25, "volume flow", "US gal/min", 0, Old},
    {"FB", 0x26, "volume flow", "US gal/h", 0, Old},
    {"FB", 0x27, nullptr, "", 0, All},
    {"FB", 0x28, "power", "W", 5, All},
    {"FB", 0x29, "power", "W", 6, All},
    {"FB", 0x2A, "phase voltage to voltage", "°", -1, New},
    {"FB", 0x2B, "phase voltage to current", "°", -1, New},
    {"FB", 0x2C, "frequency", "Hz", -3, New},
    {"FB", 0x2F, "frequency", "Hz", 0, New},
    {"FB", 0x30, "power", "J/h", 8, All},
    {"FB", 0x31, "power", "J/h", 9, All},
    {"FB", 0x32, nullptr, "", 0, All},
    {"FB", 0x33, nullptr, "", 0, All},
    {"FB", 0x34, "apparent power", "VA", 0, New},
    {"FB", 0x37, "apparent power", "VA", 3, New},
    {"FB", 0x38, nullptr, "", 0, All},
    {"FB", 0x57, nullptr, "", 0, All},
    {"FB", 0x58, "flow temperature", "°F", -3, Old},
    {"FB", 0x5F, "return temperature", "°F", 0, Old},
    {"FB", 0x60, "temperature difference", "°F", -3, Old},
    {"FB", 0x67, "external temperature", "°F", 0, Old},
    {"FB", 0x68, nullptr, "", 0, All},
    {"FB", 0x6F, nullptr, "", 0, All},
    {"FB", 0x70, "cold/warm temperature limit", "°F", -3, Old},
    {"FB", 0x73, "cold/warm temperature limit", "°F", 0, Old},
    {"FB", 0x74, "cold/warm temperature limit", "°C", -3, All},
    {"FB", 0x77, "cold/warm temperature limit", "°C", 0, All},
    {"FB", 0x78, "cumulative count of maximum power", "W", -3, All},
    {"FB", 0x7F, "cumulative count of maximum power", "W", 4, All},
    // FD.
    {"FD", 0x00, "credit", "", -3, All},
    {"FD", 0x03, "credit", "", 0, All},
    {"FD", 0x04, "debit", "", -3, All},
    {"FD", 0x07, "debit", "", 0, All},
    {"FD", 0x08, "access number", "", 0, All},
    {"FD", 0x09, "medium", "", 0, All},
    {"FD", 0x0C, "model/version", "", 0, All},
    {"FD", 0x0F, "software version", "", 0, All},
    {"FD", 0x16, "password", "", 0, All},
    {"FD", 0x17, "error flags", "", 0, All},
    {"FD", 0x19, "security key", "", 0, New},
    {"FD", 0x1C, "baud rate", "Bd", 0, All},
    {"FD", 0x1D, "response delay time", "bit times", 0, All},
    {"FD", 0x1F, "remote control", "", 0, New},
    {"FD", 0x22, "size of storage block", "", 0, All},
    {"FD", 0x23, "descriptor for tariff and subunit", "", 0, New},
    {"FD", 0x24, "storage interval", "s", 0, All},
    {"FD", 0x27, "storage interval", "d", 0, All},
    {"FD", 0x28, "storage interval", "month", 0, All},
    {"FD", 0x29, "storage interval", "year", 0, All},
    {"FD", 0x2A, "operator specific data", "", 0, New},
    {"FD", 0x2B, "time point second", "s", 0, New},
    {"FD", 0x2C, "duration since last readout", "s", 0, All},
    {"FD", 0x2F, "duration since last readout", "d", 0, All},
    {"FD", 0x30, "start of tariff", "", 0, All},
    {"FD", 0x31, "duration of tariff", "min", 0, All},
    {"FD", 0x33, "duration of tariff", "d", 0, All},
    {"FD", 0x34, "period of tariff", "s", 0, All},
    {"FD", 0x37, "period of tariff", "d", 0, All},
    {"FD", 0x38, "period of tariff", "month", 0, All},
    {"FD", 0x39, "period of tariff", "year", 0, All},
    {"FD", 0x3A, "dimensionless", "", 0, All},
    {"FD", 0x3B, "data container for wireless M-Bus", "", 0, New},
    {"FD", 0x3C, "period of nominal data transmissions", "s", 0, New},
    {"FD", 0x3F, "period of nominal data transmissions", "d", 0, New},
    {"FD", 0x40, "voltage", "V", -9, All},
    {"FD", 0x4F, "voltage", "V", 6, All},
    {"FD", 0x50, "current", "A", -12, All},
    {"FD", 0x5F, "current", "A", 3, All},
    {"FD", 0x60, "reset counter", "", 0, All},
    {"FD", 0x67, "special supplier information", "", 0, All},
    {"FD", 0x68, "duration since last cumulation", "h", 0, All},
    {"FD", 0x6B, "duration since last cumulation", "year", 0, All},
    {"FD", 0x6C, "operating time battery", "h", 0, All},
    {"FD", 0x6D, "operating time battery", "d", 0, All},
    {"FD", 0x6E, "operating time battery", "month", 0, All},
    {"FD", 0x70, "date and time of battery change", "", 0, All},
    {"FD", 0x71, "RF level", "dBm", 0, New},
    {"FD", 0x74, "remaining battery life time", "d", 0, New},
    {"FD", 0x75, "number of times the meter was stopped", "", 0, New},
    {"FD", 0x76, "data container for manufacturer specific protocol", "", 0, New},
    {"FD", 0x77, nullptr, "", 0, All},
    {"FD", 0x7F, nullptr, "", 0, All},
};

} // namespace

TEST(Coding, EveryTableRangeAsTheStandardGivesIt) {
    for (const Code& c : Codes) {
        const VifMeaning m = meaningOf(c);
        SCOPED_TRACE(name(c));
        if (!c.quantity) {
            EXPECT_FALSE(m.known);
            continue;
        }
        ASSERT_TRUE(m.known);
        EXPECT_EQ(m.quantity, QString::fromUtf8(c.quantity));
        EXPECT_EQ(m.unit, QString::fromUtf8(c.unit));
        EXPECT_EQ(m.exponent, c.exponent);
        EXPECT_EQ(m.edition, c.edition);
    }
}

TEST(Coding, DatesAreTheTimePointCodesOnly) {
    for (int code = 0; code < 0x80; ++code) {
        const bool date = code == 0x6C || code == 0x6D;
        EXPECT_EQ(primaryVif(quint8(code)).pointInTime, date) << "VIF " << code;
    }
    EXPECT_TRUE(fdVif(0x30).pointInTime);
    EXPECT_TRUE(fdVif(0x70).pointInTime);
    EXPECT_FALSE(fdVif(0x31).pointInTime);
}

namespace {

struct Block {
    const char* bytes; // VIF and VIFEs in hexadecimal
    const char* quantity;
    const char* unit;
    int exponent;
    RecordMeaning::Form form;
    const char* recordError; // "" none
    bool unknown;
};

ValueInformation vibOf(const char* hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    return {quint8(b[0]), b.mid(1), {}};
}

using F = RecordMeaning::Form;

// A VIF with combinable VIFEs, each kind of effect once (catches a VIFE ignored, an exponent
// added twice, a record error not reported, an unknown VIFE read as something).
const Block Blocks[] = {
    {"13", "volume", "m³", -3, F::Number, "", false},
    {"93 3B", "volume, accumulation only if positive", "m³", -3, F::Number, "", false},
    {"93 3C", "volume, accumulation of the absolute value only if negative", "m³", -3, F::Number,
     "", false},
    {"86 15", "energy", "Wh", 3, F::Number, "no data available", false},
    {"86 16", "energy", "Wh", 3, F::Number, "data overflow", false},
    {"86 17", "energy", "Wh", 3, F::Number, "data underflow", false},
    {"86 18", "energy", "Wh", 3, F::Number, "data error", false},
    {"86 1C", "energy", "Wh", 3, F::Number, "premature end of record", false},
    {"86 01", "energy", "Wh", 3, F::Number, "too many DIFEs", false},
    {"86 0B", "energy", "Wh", 3, F::Number, "too many VIFEs", false},
    {"86 00", "energy", "Wh", 3, F::Number, "", false},
    {"86 08", "energy", "Wh", 3, F::Unknown, "", true},
    {"86 19", "energy", "Wh", 3, F::Unknown, "", true},
    {"93 22", "volume", "m³/h", -3, F::Number, "", false},
    {"93 A2 77", "volume", "m³/h", -2, F::Number, "", false},
    {"93 7D", "volume", "m³", 0, F::Number, "", false},
    {"86 39", "energy, start date", "", 0, F::PointInTime, "", false},
    {"DB 48", "flow temperature, upper limit value", "°C", 0, F::Number, "", false},
    {"DB 49", "flow temperature, number of exceeds of the upper limit", "", 0, F::Number, "",
     false},
    {"DB 4F", "flow temperature, date of end of the last upper limit exceed", "", 0, F::PointInTime,
     "", false},
    {"DB 42", "flow temperature, date of begin of the first lower limit exceed", "", 0,
     F::PointInTime, "", false},
    {"DB 44", "flow temperature", "°C", 0, F::Unknown, "", true},
    {"DB 5E", "flow temperature, duration of the last upper limit exceed", "h", 0, F::Number, "",
     false},
    {"DB 61", "flow temperature, duration of the first", "min", 0, F::Number, "", false},
    {"DB 6F", "flow temperature, date of end of the last", "", 0, F::PointInTime, "", false},
    {"DB 7A", "flow temperature, additive correction constant", "°C", -1, F::Number, "", false},
    {"DB 7E", "flow temperature, future value", "°C", 0, F::Number, "", false},
    {"DB 3D", "flow temperature", "°C", 0, F::Unknown, "", true},
    {"DB 1E", "flow temperature", "°C", 0, F::Unknown, "", true},
    {"DB FC 01", "flow temperature, at phase L1", "°C", 0, F::Number, "", false},
    {"DB FC 20", "flow temperature", "°C", 0, F::Unknown, "", true},
    {"DB FC", "flow temperature", "°C", 0, F::Unknown, "", true},
    {"FD BA 22", "dimensionless", "/h", 0, F::Number, "", false},
    {"FD 9A 22", "digital output", "/h", 0, F::Number, "", false},
    {"FB A1 36", "volume", "ft³·s", -1, F::Number, "", false},
    {"FB 22", "volume", "US gal", -1, F::Number, "", false},
    {"FB 27", "", "", 0, F::Unknown, "", true},
    {"FD 77", "", "", 0, F::Unknown, "", true},
    {"FB", "", "", 0, F::Unknown, "", true},
    {"6F", "", "", 0, F::Unknown, "", true},
    {"EF 13", "", "", 0, F::Unknown, "", true},
    {"7F", "manufacturer specific", "", 0, F::ManufacturerSpecific, "", false},
    {"FF 01 02", "manufacturer specific", "", 0, F::ManufacturerSpecific, "", false},
    {"93 FF 01", "volume, manufacturer specific", "m³", -3, F::ManufacturerSpecific, "", false},
};

} // namespace

TEST(Coding, CombinableVifesChangeTheRecordAsTheirTableSays) {
    for (const Block& b : Blocks) {
        SCOPED_TRACE(b.bytes);
        const RecordMeaning m = describe(vibOf(b.bytes));
        EXPECT_EQ(m.form, b.form);
        EXPECT_EQ(m.recordError, QString::fromUtf8(b.recordError));
        EXPECT_EQ(!m.unknown.isEmpty(), b.unknown) << m.unknown.toStdString();
        if (b.form != F::Unknown || *b.quantity) {
            EXPECT_EQ(m.quantity, QString::fromUtf8(b.quantity));
            EXPECT_EQ(m.unit, QString::fromUtf8(b.unit));
            EXPECT_EQ(m.exponent, b.exponent);
        }
    }
}

TEST(Coding, UnknownCodesAreNamedNotGuessed) {
    EXPECT_EQ(describe(vibOf("FB 27")).unknown, QStringLiteral("VIF FB 27 reserved"));
    EXPECT_EQ(describe(vibOf("6F")).unknown, QStringLiteral("VIF 6F reserved"));
    EXPECT_EQ(describe(vibOf("86 19")).unknown, QStringLiteral("VIFE 19 reserved"));
    EXPECT_EQ(describe(vibOf("DB 3D")).unknown,
              QStringLiteral("VIFE 3D alternate non-metric unit system"));
    EXPECT_EQ(describe(vibOf("DB 1F")).unknown, QStringLiteral("compact profile not decoded"));
}

TEST(Coding, ManufacturerVifesAreKeptAsBytes) {
    EXPECT_EQ(describe(vibOf("FF 81 02")).manufacturerVifes, QByteArray::fromHex("8102"));
    EXPECT_EQ(describe(vibOf("93 FF 81 7F")).manufacturerVifes, QByteArray::fromHex("817F"));
}

TEST(Coding, EditionsAreMarked) {
    EXPECT_TRUE(describe(vibOf("FB 24")).olderEdition);
    EXPECT_FALSE(describe(vibOf("FB 21")).olderEdition);
    EXPECT_TRUE(describe(vibOf("FB 20")).laterEdition);
    EXPECT_TRUE(describe(vibOf("86 3E")).laterEdition);
    EXPECT_FALSE(describe(vibOf("86 3B")).laterEdition);
    EXPECT_TRUE(describe(vibOf("86 FC 11")).unsignedData);
    EXPECT_FALSE(describe(vibOf("86 FC 01")).unsignedData);
}

TEST(Coding, PlainTextUnitIsTheUnit) {
    ValueInformation v{0xFC, QByteArray::fromHex("74"), "kWh/m2"};
    const RecordMeaning m = describe(v);
    EXPECT_EQ(m.form, F::Number);
    EXPECT_EQ(m.unit, QStringLiteral("kWh/m2"));
    EXPECT_EQ(m.exponent, -2);
}
