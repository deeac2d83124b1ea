#include "common/XmlChars.h"

#include <gtest/gtest.h>

// Exactly what XML 1.0 excludes: C0 controls but tab, LF and CR; U+FFFE and U+FFFF; halves of
// a surrogate pair. C1 controls, private use and characters beyond the first plane stay.
TEST(XmlChars, FirstUnstorableCharacter) {
    struct Row {
        QString text;
        qsizetype first;
        const char* described;
    };
    const QChar high(0xD83D);
    const QChar low(0xDD25);
    const Row rows[] = {
        {QString(), -1, ""},
        {QStringLiteral("tab\there\r\nand there"), -1, ""},
        {QString::fromUtf16(u"\u0080\u009F\uE000\uFFFD"), -1, ""},
        {QString(high) + low, -1, ""},
        {QString::fromUtf16(u"a\u0000b", 3), 1, "U+0000"},
        {QStringLiteral("ab\x01"), 2, "U+0001"},
        {QStringLiteral("\v"), 0, "U+000B"},
        {QStringLiteral("x\x1F"), 1, "U+001F"},
        {QString(QChar(0xFFFE)), 0, "U+FFFE"},
        {QString::fromUtf16(u"ok\uFFFF"), 2, "U+FFFF"},
        {QStringLiteral("a") + high, 1, "U+D83D"},
        {QString(high) + QStringLiteral("b"), 0, "U+D83D"},
        {QString(low) + high + low, 0, "U+DD25"},
        {QString(high) + low + low, 2, "U+DD25"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toUtf8().toHex().toStdString());
        EXPECT_EQ(XmlChars::firstUnstorable(row.text), row.first);
        EXPECT_EQ(XmlChars::storable(row.text), row.first < 0);
        EXPECT_EQ(XmlChars::describe(row.text, row.first), QString::fromLatin1(row.described));
    }
}

// Visible characters are quoted as they are; a pair counts as one character.
TEST(XmlChars, DescribesVisibleCharactersAsThemselves) {
    EXPECT_EQ(XmlChars::describe(QStringLiteral("a?b"), 1), QStringLiteral("\"?\""));
    EXPECT_EQ(XmlChars::describe(QStringLiteral("a\"b"), 1), QStringLiteral("'\"'"));
    const QString fire = QString::fromUtf8("\xF0\x9F\x94\xA5");
    EXPECT_EQ(XmlChars::describe(fire, 0), QLatin1Char('"') + fire + QLatin1Char('"'));
}
