#include "core/mbus/Telegram.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Mbus;

namespace {

// An RSP_UD from address 5 as a slave sends it; the frame layer is tested apart.
Frame frameOf(quint8 ci, const QByteArray& data, quint8 c = 0x08) {
    Frame f;
    f.kind = Frame::Kind::Long;
    f.c = c;
    f.a = 5;
    f.ci = ci;
    f.data = data;
    return f;
}

// Identification 12345678, "SIM", version 1, medium water (07), access number 55, status 00.
const QByteArray LongHeader = QByteArray::fromHex("78563412 2D4D 01 07 55 00 0000");

QString valueOf(const Record& r) {
    return r.number ? r.number->text() : r.text.value_or(QString());
}

} // namespace

// A telegram with one record of each kind, built by hand from the standard's tables.
TEST(Telegram, ReadsTheLongHeaderAndEveryKindOfRecord) {
    const QByteArray records = QByteArray::fromHex(
        "04 13 E8030000"    // volume, 32-bit: 1000 x 10^-3 m³
        "0C 06 78563412"    // energy, 8-digit BCD: 12345678 x 10^3 Wh
        "D4 52 2B 10000000" // power, maximum, storage 5, tariff 1, subunit 1: 16 W
        "05 5B 0000C841"    // flow temperature, real: 25 °C
        "02 6C 1F35"        // date, type G
        "04 6D 070E1F35"    // date and time, type F
        "0D FD0C 03 434241" // model/version, text of 3 characters, last first
        "04 93 16 FFFFFFFF" // volume with the record error "data overflow"
        "01 FF01 AB"        // manufacturer-specific VIF
        "2F 2F"             // idle fillers
        "01 FB27 05"        // a reserved FB code
        "0F 010203");       // the manufacturer's data
    const DecodedTelegram d = decodeTelegram(frameOf(CiLongHeader, LongHeader + records));
    ASSERT_TRUE(d.telegram) << d.error.toStdString();
    const Telegram& t = *d.telegram;
    ASSERT_TRUE(t.identity);
    EXPECT_EQ(t.identity->id, QStringLiteral("12345678"));
    EXPECT_EQ(t.identity->manufacturer(), QStringLiteral("SIM"));
    EXPECT_EQ(t.identity->version, 1);
    EXPECT_EQ(t.identity->medium, 7);
    EXPECT_EQ(t.identity->secondaryAddress(), QStringLiteral("123456782D4D0107"));
    EXPECT_EQ(t.access, 0x55);
    EXPECT_EQ(t.status, 0);
    EXPECT_EQ(t.a, 5);

    const struct {
        const char* quantity;
        const char* unit;
        const char* value;
        const char* error;
    } expected[] = {
        {"volume", "m³", "1", ""},
        {"energy", "Wh", "12345678000", ""},
        {"power", "W", "16", ""},
        {"flow temperature", "°C", "25", ""},
        {"date", "", "2024-05-31", ""},
        {"date and time", "", "2024-05-31T14:07", ""},
        {"model/version", "", "ABC", ""},
        {"volume", "m³", "", "data overflow"},
        {"manufacturer specific", "", "AB", ""},
        {"", "", "", "not known: VIF FB 27 reserved"},
    };
    ASSERT_EQ(t.records.size(), std::size(expected));
    for (int i = 0; i < t.records.size(); ++i) {
        const Record& r = t.records[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.meaning.quantity, QString::fromUtf8(expected[i].quantity));
        EXPECT_EQ(r.meaning.unit, QString::fromUtf8(expected[i].unit));
        EXPECT_EQ(valueOf(r), QString::fromUtf8(expected[i].value));
        EXPECT_EQ(r.error, QString::fromUtf8(expected[i].error));
    }
    const Record& power = t.records[2];
    EXPECT_EQ(power.function, Function::Maximum);
    EXPECT_EQ(power.storage, 5u);
    EXPECT_EQ(power.tariff, 1u);
    EXPECT_EQ(power.subunit, 1u);
    EXPECT_EQ(power.dib, QByteArray::fromHex("D452"));
    EXPECT_EQ(t.records[7].offset, 12 + 6 + 6 + 7 + 6 + 4 + 6 + 7);
    EXPECT_TRUE(t.manufacturerPart);
    EXPECT_FALSE(t.moreFollows);
    EXPECT_EQ(t.manufacturerData, QByteArray::fromHex("010203"));
}

// Storage number, tariff and subunit spread over ten DIFEs (catches a shift per DIFE).
TEST(Telegram, TenDifesCarryTheWidestNumbers) {
    const QByteArray record = QByteArray::fromHex("C1 FF FF FF FF FF FF FF FF FF 7F 13 01");
    const DecodedTelegram d = decodeTelegram(frameOf(CiNoHeader, record));
    ASSERT_TRUE(d.telegram) << d.error.toStdString();
    const Record& r = d.telegram->records.value(0);
    EXPECT_EQ(r.storage, (quint64(1) << 41) - 1);
    EXPECT_EQ(r.tariff, (1u << 20) - 1);
    EXPECT_EQ(r.subunit, (1u << 10) - 1);
    EXPECT_EQ(r.function, Function::Instantaneous);
}

TEST(Telegram, ShortHeaderAndNoHeader) {
    DecodedTelegram d =
        decodeTelegram(frameOf(CiShortHeader, QByteArray::fromHex("2A 04 0000 01 13 07")));
    ASSERT_TRUE(d.telegram) << d.error.toStdString();
    EXPECT_FALSE(d.telegram->identity);
    EXPECT_EQ(d.telegram->access, 0x2A);
    EXPECT_EQ(d.telegram->status, 0x04);
    ASSERT_EQ(d.telegram->records.size(), 1);
    EXPECT_EQ(d.telegram->records[0].number->text(), QStringLiteral("0.007"));

    d = decodeTelegram(frameOf(CiNoHeader, QByteArray::fromHex("01 13 07 1F")));
    ASSERT_TRUE(d.telegram) << d.error.toStdString();
    EXPECT_FALSE(d.telegram->access);
    EXPECT_TRUE(d.telegram->moreFollows);
    EXPECT_TRUE(d.telegram->manufacturerData.isEmpty());
    EXPECT_EQ(d.telegram->records.size(), 1);
}

// Each rule of the application layer broken once: the whole telegram is refused with the
// reason and the byte, never read in part (catches a reader that runs past the data, takes an
// eleventh DIFE or VIFE, or guesses the length of a reserved form).
TEST(Telegram, RefusesHostileTelegramsWithTheReason) {
    const QByteArray tenDifes = QByteArray::fromHex("84 80808080808080808000 13 00000000");
    const QByteArray elevenDifes = QByteArray::fromHex("84 8080808080808080808000 13 00000000");
    const QByteArray tenVifes = QByteArray::fromHex("04 93 FEFEFEFEFEFEFEFEFE7E 00000000");
    const QByteArray elevenVifes = QByteArray::fromHex("04 93 FEFEFEFEFEFEFEFEFEFE7E 00000000");
    ASSERT_TRUE(decodeTelegram(frameOf(CiLongHeader, LongHeader + tenDifes)).telegram);
    ASSERT_TRUE(decodeTelegram(frameOf(CiLongHeader, LongHeader + tenVifes)).telegram);
    const struct {
        quint8 c;
        quint8 ci;
        QByteArray data;
        const char* error;
    } cases[] = {
        {0x08, 0x72, LongHeader + elevenDifes, "record at byte 12: more than 10 DIFEs"},
        {0x08, 0x72, LongHeader + elevenVifes, "record at byte 12: more than 10 VIFEs"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("04 13 E803"),
         "record at byte 12: its data field needs 4 bytes, 2 are left"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("04 13 E80300"),
         "record at byte 12: its data field needs 4 bytes, 3 are left"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("84"),
         "record at byte 12: cut off in its DIFEs"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("84 10"),
         "record at byte 12: cut off before its VIF"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("04 93"),
         "record at byte 12: cut off in its VIFEs"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("0D FD0C"),
         "record at byte 12: cut off before its LVAR"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("0D FD0C 05 4142"),
         "record at byte 12: its data field needs 5 bytes, 2 are left"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("0D FD0C FB 00"),
         "record at byte 12: LVAR FB is reserved"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("04 7C 05 4142"),
         "record at byte 12: cut off in its plain text unit"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("01 13 00 3F 00"),
         "byte 15: DIF 3F is reserved in an answer"},
        {0x08, 0x72, LongHeader + QByteArray::fromHex("7F"),
         "byte 12: DIF 7F is reserved in an answer"},
        {0x08, 0x72, LongHeader.left(11),
         "CI 72: the header needs 12 bytes, the telegram holds 11"},
        {0x08, 0x7A, QByteArray::fromHex("01 02 03"),
         "CI 7A: the header needs 4 bytes, the telegram holds 3"},
        {0x08, 0x73, LongHeader, "CI 73 is no answer this master reads"},
        {0x08, 0x70, QByteArray::fromHex("02"), "the slave reports an application error (02)"},
        {0x53, 0x72, LongHeader, "C field 53 is no RSP_UD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const DecodedTelegram d = decodeTelegram(frameOf(c.ci, c.data, c.c));
        EXPECT_FALSE(d.telegram);
        EXPECT_EQ(d.error, QString::fromUtf8(c.error));
    }
    Frame control = frameOf(0x72, {});
    control.kind = Frame::Kind::Control;
    EXPECT_EQ(decodeTelegram(control).error, QStringLiteral("a control frame carries no data"));
}

// What a record cannot show is said, and the telegram is still read (catches a value taken from
// a field that holds none, a BCD error digit shown as a number, a date in a real).
TEST(Telegram, RecordsWithoutAValueSayWhy) {
    const QByteArray records = QByteArray::fromHex("00 13"               // no data
                                                   "0A 13 1A00"          // BCD digit A
                                                   "05 13 0000C07F"      // NaN
                                                   "05 6D 0000C841"      // a date in a real
                                                   "04 6D 870E1F35"      // time invalid
                                                   "04 93 3D 01000000"); // unit of another system
    const DecodedTelegram d = decodeTelegram(frameOf(CiNoHeader, records));
    ASSERT_TRUE(d.telegram) << d.error.toStdString();
    QStringList errors;
    for (const Record& r : d.telegram->records) {
        EXPECT_FALSE(r.number || r.text);
        errors << r.error;
    }
    EXPECT_EQ(errors,
              (QStringList{QStringLiteral("no data"), QStringLiteral("BCD digit A above 9"),
                           QStringLiteral("not a number"),
                           QStringLiteral("no date or time in data field 5"),
                           QStringLiteral("time marked invalid"),
                           QStringLiteral("not known: VIFE 3D alternate non-metric unit system")}));
}

TEST(Telegram, ManufacturerLettersAndMediumNames) {
    EXPECT_EQ(manufacturerLetters(0x4D2D), QStringLiteral("SIM"));
    EXPECT_EQ(manufacturerLetters(0x0421), QStringLiteral("AAA"));
    EXPECT_EQ(manufacturerLetters(0x6B5A), QStringLiteral("ZZZ"));
    EXPECT_EQ(mediumName(0x07), QStringLiteral("water"));
    EXPECT_EQ(mediumName(0x04), QStringLiteral("heat (outlet)"));
    EXPECT_EQ(mediumName(0x0C), QStringLiteral("heat (inlet)"));
    EXPECT_EQ(mediumName(0x37), QStringLiteral("radio converter (meter side)"));
    EXPECT_EQ(mediumName(0x45), QStringLiteral("reserved (45)"));
    EXPECT_EQ(functionKey(Function::DuringError), QStringLiteral("value during error state"));
}
