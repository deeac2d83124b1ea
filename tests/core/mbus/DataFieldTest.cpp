#include "core/mbus/DataField.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Mbus;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

struct Case {
    const char* bytes; // as sent, least significant byte first
    const char* value; // the number or text; nullptr when refused
    const char* error; // the reason when refused
};

void expectCases(const char* what, const Case* begin, const Case* end,
                 const std::function<FieldValue(const QByteArray&)>& read) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(what) + " " + c->bytes);
        const FieldValue v = read(hex(c->bytes));
        if (!c->value) {
            EXPECT_FALSE(v.number.has_value());
            EXPECT_FALSE(v.text.has_value());
            EXPECT_EQ(v.error, QString::fromUtf8(c->error));
            continue;
        }
        EXPECT_TRUE(v.error.isEmpty()) << v.error.toStdString();
        const QString got = v.number ? v.number->text() : v.text.value_or(QStringLiteral("?"));
        EXPECT_EQ(got, QString::fromUtf8(c->value));
    }
}

} // namespace

TEST(DataField, LengthsOfEachDataFieldCode) {
    const int lengths[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(fixedLength(quint8(code)), lengths[code]) << code;
    for (const int code : {0x9, 0xA, 0xB, 0xC, 0xE})
        EXPECT_TRUE(isBcd(quint8(code))) << code;
    for (const int code : {0x1, 0x5, 0x8, 0xD, 0xF})
        EXPECT_FALSE(isBcd(quint8(code))) << code;
}

// Type B: two's complement, least significant byte first, 8 to 64 bits (catches a byte order,
// a sign extension from the wrong bit, a width cut).
TEST(DataField, SignedIntegersOfEveryWidth) {
    const Case cases[] = {
        {"7F", "127", ""},
        {"80", "-128", ""},
        {"FF", "-1", ""},
        {"34 12", "4660", ""},
        {"FE FF", "-2", ""},
        {"56 34 12", "1193046", ""},
        {"00 00 80", "-8388608", ""},
        {"78 56 34 12", "305419896", ""},
        {"FF FF FF 7F", "2147483647", ""},
        {"00 00 00 80", "-2147483648", ""},
        {"01 00 00 00 00 80", "-140737488355327", ""},
        {"FF FF FF FF FF FF FF 7F", "9223372036854775807", ""},
        {"00 00 00 00 00 00 00 80", "-9223372036854775808", ""},
        {"", nullptr, "no integer of 0 bytes"},
    };
    expectCases("type B", std::begin(cases), std::end(cases),
                [](const QByteArray& b) { return readInteger(b, true); });
}

TEST(DataField, UnsignedIntegersWhenTypeCIsAsked) {
    const Case cases[] = {
        {"FF", "255", ""},
        {"00 00 80", "8388608", ""},
        {"FF FF FF FF FF FF FF FF", "18446744073709551615", ""},
    };
    expectCases("type C", std::begin(cases), std::end(cases),
                [](const QByteArray& b) { return readInteger(b, false); });
}

// Type A: two digits a byte, least significant byte first; F as the most significant digit is
// the minus sign (catches the digits' order, the sign form, a digit above 9 taken for good).
TEST(DataField, BcdOfTwoToTwelveDigitsWithTheSignForm) {
    const Case cases[] = {
        {"42", "42", ""},
        {"34 12", "1234", ""},
        {"56 34 12", "123456", ""},
        {"78 56 34 12", "12345678", ""},
        {"12 90 78 56 34 12", "123456789012", ""},
        {"00 00", "0", ""},
        {"05 00", "5", ""},
        {"23 F1", "-123", ""},
        {"99 99 99 F9", "-9999999", ""},
        {"00 F0", "0", ""},
        {"1A 00", nullptr, "BCD digit A above 9"},
        {"12 1F", nullptr, "BCD digit F above 9"},
        {"F1 00", nullptr, "BCD digit F above 9"},
    };
    expectCases("type A", std::begin(cases), std::end(cases), readBcd);
}

// Type H: IEEE 754 single precision, least significant byte first; the shortest decimal that
// reads back as the same float, never the double's noise.
TEST(DataField, RealsAndWhatIsNoNumber) {
    const Case cases[] = {
        {"00 00 C8 41", "25", ""},
        {"CD CC CC 3D", "0.1", ""},
        {"00 00 80 BF", "-1", ""},
        {"00 24 74 49", "1000000", ""},
        {"00 00 00 00", "0", ""},
        {"00 00 00 80", "0", ""},
        {"00 00 20 41", "10", ""},
        {"00 00 C0 7F", nullptr, "not a number"},
        {"00 00 80 7F", nullptr, "infinity"},
        {"00 00 80 FF", nullptr, "minus infinity"},
        {"00 00 C8", nullptr, "no real of 3 bytes"},
    };
    expectCases("type H", std::begin(cases), std::end(cases), readReal);
}

TEST(DataField, VariableLengthByItsLvar) {
    EXPECT_EQ(variableLength(0x00), 0);
    EXPECT_EQ(variableLength(0xBF), 191);
    EXPECT_EQ(variableLength(0xC3), 3);
    EXPECT_EQ(variableLength(0xD9), 9);
    EXPECT_EQ(variableLength(0xE8), 8);
    EXPECT_EQ(variableLength(0xF4), 4);
    for (const int reserved : {0xCA, 0xCF, 0xDA, 0xDF, 0xFB, 0xFF})
        EXPECT_FALSE(variableLength(quint8(reserved)).has_value()) << reserved;

    // Text comes last character first.
    EXPECT_EQ(readVariable(0x03, hex("43 42 41")).text, QStringLiteral("ABC"));
    EXPECT_EQ(readVariable(0x02, hex("E9 74")).text, QStringLiteral("té")); // ISO 8859-1
    EXPECT_EQ(readVariable(0x00, {}).text, QString());
    EXPECT_EQ(readVariable(0xC2, hex("34 12")).number->text(), QStringLiteral("1234"));
    EXPECT_EQ(readVariable(0xD2, hex("34 12")).number->text(), QStringLiteral("-1234"));
    EXPECT_EQ(readVariable(0xE2, hex("FE FF")).number->text(), QStringLiteral("-2"));
    EXPECT_EQ(readVariable(0xF4, hex("00 00 C8 41")).error,
              QStringLiteral("LVAR F4: floating point form not defined"));
    EXPECT_EQ(readVariable(0xE9, QByteArray(9, '\0')).error,
              QStringLiteral("binary number of 9 bytes"));
}

// Types G, J, F and I from their bit pictures (catches a year's bits taken from the wrong
// byte, the hundred-year bits ignored, an invalid time shown as a date).
TEST(DataField, DatesAndTimesOfTypesGJFAndI) {
    const Case cases[] = {
        // G: 31 May 2024 = day 31, month 5, year 24 (001 1000: low bits 000, high bits 0011).
        {"1F 35", "2024-05-31", ""},
        {"01 01", "2000-01-01", ""},
        {"F1 CC", nullptr, "not a valid date"}, // year 103: no year of a century
        {"1F 32", nullptr, "not a valid date"}, // 31 February
        {"00 01", nullptr, "not a valid date"}, // day 0
        // J: 23:59:58.
        {"3A 3B 17", "23:59:58", ""},
        {"3C 00 00", nullptr, "not a valid time"},
        // F: 2024-05-31 14:07, and the hundred-year bits 01 (1900 + 100 + 24).
        {"07 0E 1F 35", "2024-05-31T14:07", ""},
        {"07 2E 1F 35", "2024-05-31T14:07", ""},
        {"07 4E 1F 35", "2124-05-31T14:07", ""},
        {"07 0E 3F BC", "1989-12-31T14:07", ""},
        {"87 0E 1F 35", nullptr, "time marked invalid"},
        {"3C 0E 1F 35", nullptr, "not a valid date and time"},
        // I: 2024-05-31 14:07:09.
        {"09 07 0E 1F 35 00", "2024-05-31T14:07:09", ""},
        {"09 87 0E 1F 35 00", nullptr, "time marked invalid"},
        {"01 02 03 04 05 06 07 08", nullptr, "no date or time type of 8 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const FieldValue v = readPointInTime(hex(c.bytes));
        if (c.value) {
            EXPECT_EQ(v.text, QString::fromUtf8(c.value));
            EXPECT_TRUE(v.error.isEmpty()) << v.error.toStdString();
        } else {
            EXPECT_FALSE(v.text.has_value()) << v.text.value_or(QString()).toStdString();
            EXPECT_FALSE(v.error.isEmpty());
            if (c.error) {
                EXPECT_EQ(v.error, QString::fromUtf8(c.error));
            }
        }
    }
}

// The exponent moves the decimal point; the digits are never rounded through a double.
TEST(DataField, DecimalsWithTheirExponent) {
    const struct {
        qint64 number;
        int exponent;
        const char* text;
    } cases[] = {{12345, -3, "12.345"},
                 {12345, 3, "12345000"},
                 {5, -4, "0.0005"},
                 {-1200, -2, "-12"},
                 {0, -3, "0"},
                 {0, 3, "0"},
                 {123456789012, -12, "0.123456789012"},
                 {-1, 0, "-1"},
                 {9007199254740993, 0, "9007199254740993"}};
    for (const auto& c : cases)
        EXPECT_EQ(Decimal::ofInteger(c.number).scaled(c.exponent).text(),
                  QString::fromLatin1(c.text))
            << c.number << "e" << c.exponent;
    EXPECT_EQ(Decimal::ofFloat(0.1f).scaled(-3).text(), QStringLiteral("0.0001"));
    EXPECT_EQ(Decimal::ofFloat(-2.5e10f).text(), QStringLiteral("-25000000000"));
    EXPECT_DOUBLE_EQ(Decimal::ofInteger(-25).scaled(-1).toDouble(), -2.5);
}
