#include "common/NumberRule.h"
#include "common/FileInteger.h"

#include <QString>

#include <gtest/gtest.h>

TEST(NumberRule, ReadsTypedTextAsUsersTypeIt) {
    struct Case {
        const char16_t* text;
        std::optional<qint32> value;
    };
    const Case cases[] = {
        {u"0", 0},
        {u"65535", 65535},
        {u"  42", 42},
        {u"-7", -7},
        {u"+7", 7},
        {u"$FF", 255},
        {u"0x10", 16},
        {u"0X10", 16},
        {u"x1f", 31},
        {u"X1F", 31},
        {u"-$10", -16},
        {u"2147483647", 2147483647},
        {u"-2147483648", std::numeric_limits<qint32>::min()},
        // Not numbers: range checks then fail.
        {u"", std::nullopt},
        {u" ", std::nullopt},
        {u"12 ", std::nullopt},
        {u"1.5", std::nullopt},
        {u"0x", std::nullopt},
        {u"$", std::nullopt},
        {u"-", std::nullopt},
        {u"12a", std::nullopt},
        {u"2147483648", std::nullopt},
        {u"$100000000", std::nullopt},
        {u"\t1", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        EXPECT_EQ(NumberRule::toInt32(QStringView(c.text)), c.value);
    }
    EXPECT_EQ(NumberRule::toInt64(u"4294967295"), 4294967295LL);
    EXPECT_TRUE(NumberRule::inRange(u"0xFFFFFFFF", 0, 4294967295LL));
    EXPECT_FALSE(NumberRule::inRange(u"", 0, 10));
    EXPECT_FALSE(NumberRule::inRange(u"11", 0, 10));
}

TEST(FileInteger, AcceptsOnlyASignAndDecimalDigits) {
    struct Case {
        const char16_t* text;
        std::optional<qint64> value;
    };
    const Case cases[] = {
        {u"0", 0},
        {u"-1", -1},
        {u"+5", 5},
        {u"007", 7},
        {u"9223372036854775807", std::numeric_limits<qint64>::max()},
        {u"-9223372036854775808", std::numeric_limits<qint64>::min()},
        // What a file reader must refuse, so each reader's default applies.
        {u"", std::nullopt},
        {u" 1", std::nullopt},
        {u"1 ", std::nullopt},
        {u"0x10", std::nullopt},
        {u"$10", std::nullopt},
        {u"1.0", std::nullopt},
        {u"-", std::nullopt},
        {u"9223372036854775808", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        EXPECT_EQ(FileInteger::parse(QStringView(c.text)), c.value);
    }
    EXPECT_EQ(FileInteger::parseInRange(u"4294967295", 0, 4294967295LL), 4294967295LL);
    EXPECT_EQ(FileInteger::parseInRange(u"-1", 0, 4294967295LL), std::nullopt);
}
