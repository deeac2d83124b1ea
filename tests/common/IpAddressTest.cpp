#include "common/IpAddress.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* why;
    QString text;
    bool accepted;
    std::array<QString, 4> parts; // checked only when accepted
};

const Row rows[] = {
    {"the factory address",
     QStringLiteral("192.168.2.205"),
     true,
     {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("2"), QStringLiteral("205")}},
    {"blanks around every part are trimmed",
     QStringLiteral(" 10 . 0 . 0 . 1 "),
     true,
     {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1")}},
    {"the typed-number rule reads hex parts",
     QStringLiteral("$FF.0x10.x1.0"),
     true,
     {QStringLiteral("$FF"), QStringLiteral("0x10"), QStringLiteral("x1"), QStringLiteral("0")}},
    {"bounds 0 and 255 are inside",
     QStringLiteral("0.0.0.255"),
     true,
     {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("255")}},
    {"a part above 255", QStringLiteral("10.0.0.256"), false, {}},
    {"a negative part", QStringLiteral("10.-1.0.1"), false, {}},
    {"only three parts", QStringLiteral("1.2.3"), false, {}},
    {"five parts: the fourth keeps the extra dot", QStringLiteral("1.2.3.4.5"), false, {}},
    {"letters are not numbers (1000)", QStringLiteral("a.b.c.d"), false, {}},
    {"an empty part is not a number", QStringLiteral("1..3.4"), false, {}},
    {"no dot at all", QStringLiteral("19216822"), false, {}},
    {"empty text", QString(), false, {}},
};

} // namespace

TEST(SplitIpAddress, Table) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        std::array<QString, 4> parts;
        EXPECT_EQ(splitIpAddress(row.text, parts), row.accepted);
        if (row.accepted) {
            for (size_t i = 0; i < 4; ++i)
                EXPECT_EQ(parts[i], row.parts[i]) << "part " << i + 1;
        }
    }
}

TEST(SplitIpAddress, FourthPartKeepsFurtherDots) {
    // The window shows the parts it gets; a rejected text must not be half-split.
    std::array<QString, 4> parts;
    EXPECT_FALSE(splitIpAddress(QStringLiteral("1.2.3.4.5"), parts));
    EXPECT_EQ(parts[3], QStringLiteral("4.5"));
}
