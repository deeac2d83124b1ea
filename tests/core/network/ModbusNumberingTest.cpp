#include "core/network/ModbusNumbering.h"

#include "core/lang/LanguageTable.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ModbusNumbering;

// Meter manuals write the table's digit and the number from 1; the stored protocol address
// counts from 0. Five digits while they suffice, six beyond register 9999.
TEST(ModbusNumbering, ManualNumberByTableAndAddress) {
    struct Case {
        qint32 type;
        qint64 address;
        int number;
        const char* manual;
    };
    const Case cases[] = {
        {2, 0, 1, "40001"},       // holding register
        {2, 40, 41, "40041"},     // mbpoll -t 4 -r 41
        {3, 0, 1, "30001"},       // input register
        {0, 0, 1, "00001"},       // coil
        {1, 9, 10, "10010"},      // discrete input
        {2, 9998, 9999, "49999"}, // the last one five digits hold
        {2, 9999, 10000, "410000"},
        {3, 65535, 65536, "365536"},
        {4, 0, 1, ""}, // no such table
        {-1, 0, 1, ""},
        {2, -1, 0, ""}, // not an address
        {2, 65536, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.address);
        EXPECT_EQ(registerNumber(c.address), c.number);
        EXPECT_EQ(manualNumber(c.type, c.address), QString::fromLatin1(c.manual));
    }
}

// In words, in the table's language; nothing for what is not an address.
TEST(ModbusNumbering, DescribesInWords) {
    const LanguageTable texts;
    EXPECT_EQ(describe(texts, 2, 40), QStringLiteral("register 41 (40041)"));
    EXPECT_EQ(describe(texts, 3, 7), QStringLiteral("register 8 (30008)"));
    EXPECT_EQ(describe(texts, 2, 70000), QString());
    EXPECT_EQ(describe(texts, 5, 0), QString());
}
