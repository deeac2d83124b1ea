#include "core/network/NetworkRules.h"

#include "common/NumberRule.h"

#include <gtest/gtest.h>

using namespace NetworkRules;

namespace {

std::optional<qint64> typed(const char* text) {
    return NumberRule::toInt64(QString::fromLatin1(text));
}

} // namespace

// Each range at both edges and just outside, plus a text that is not a number.
TEST(NetworkRules, RangesAtTheirEdges) {
    struct Row {
        bool (*valid)(std::optional<qint64>);
        qint64 low;
        qint64 high;
    };
    const std::vector<Row> rows = {
        {primaryAddressValid, 1, 250},
        {secondaryAddressValid, 0, 99999999},
        {slaveIdValid, 1, 247},
        {registerValid, 0, 65535},
        {pointsValid, 1, 124},
        {lengthValid, 0, 191},
        {storageNumberValid, 0, 4294967295LL},
        {tariffValid, 0, 1048575},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_TRUE(row.valid(row.low)) << i;
        EXPECT_TRUE(row.valid(row.high)) << i;
        EXPECT_FALSE(row.valid(row.low - 1)) << i;
        EXPECT_FALSE(row.valid(row.high + 1)) << i;
        EXPECT_FALSE(row.valid(std::nullopt)) << i;
    }
    EXPECT_TRUE(primaryAddressValid(typed("0x1F"))); // typed hex reads as 31
    EXPECT_TRUE(tariffValid(typed("$FFFFF")));
}

TEST(NetworkRules, LimitsOfNodesAndVariables) {
    EXPECT_TRUE(canAddNode(63));
    EXPECT_FALSE(canAddNode(64));
    EXPECT_TRUE(canAddVariable(9));
    EXPECT_FALSE(canAddVariable(10));
}

// checkNewVariable's order; the length counts only for "Variable Length".
TEST(NetworkRules, VariableChecksInOrder) {
    VariableNumbers ok{1, 0, 1, 0, 0, 0, 2, QString()};
    EXPECT_TRUE(variableFailures(ok).isEmpty());

    VariableNumbers bad{0, 65536, 125, 192, 4294967296LL, 1048576, 7, QString()};
    EXPECT_EQ(variableFailures(bad), QList<int>({641, 642, 643, 644, 645, 646}));
    bad.dimension = 8; // length ignored, its text kept
    EXPECT_EQ(variableFailures(bad), QList<int>({641, 642, 643, 645, 646}));

    VariableNumbers empty{
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 7,
        QString()};
    EXPECT_EQ(variableFailures(empty), QList<int>({641, 642, 643, 644, 645, 646}));
}

TEST(NetworkRules, NodeAddressChecks) {
    EXPECT_TRUE(nodeAddressFailures(1, 0, QString()).isEmpty());
    EXPECT_EQ(nodeAddressFailures(0, 100000000, QString()), QList<int>({649, 650}));
    EXPECT_EQ(nodeAddressFailures(250, std::nullopt, QString()), QList<int>({650}));
}

// A description that M_Bus.xml cannot hold is refused after the numbers, in nodes and
// variables alike; tab, line breaks and characters beyond the first plane stay allowed.
TEST(NetworkRules, DescriptionsThatCannotBeStored) {
    struct Row {
        QString text;
        bool storable;
    };
    const Row rows[] = {
        {QStringLiteral("Energy\tmeter\r\nhall"), true},
        {QString::fromUtf8("Gas \xF0\x9F\x94\xA5 \xC3\xA8"), true},
        {QStringLiteral("Vertical\vtab"), false},
        {QString::fromUtf16(u"\u0001"), false},
        {QString::fromUtf16(u"En\0ergy", 7), false},
        {QStringLiteral("x") + QChar(0xFFFE), false},
        {QString::fromUtf16(u"\uFFFFx"), false},
        {QString(1, QChar(0xD800)), false},
        {QString(1, QChar(0xDC00)) + QStringLiteral("x"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toUtf8().toHex().toStdString());
        const QList<int> nodeExpected = row.storable ? QList<int>() : QList<int>{930};
        EXPECT_EQ(nodeAddressFailures(1, 0, row.text), nodeExpected);
        VariableNumbers numbers{1, 0, 1, 0, 0, 0, 2, row.text};
        const QList<int> varExpected = row.storable ? QList<int>() : QList<int>{931};
        EXPECT_EQ(variableFailures(numbers), varExpected);
    }
    VariableNumbers both{0, 0, 1, 0, 0, 0, 2, QStringLiteral("\x1F")};
    EXPECT_EQ(variableFailures(both), QList<int>({641, 931}));
    EXPECT_EQ(nodeAddressFailures(0, 1, QStringLiteral("\x1F")), QList<int>({649, 930}));
}

// Only primary addresses must be unique; the node being modified does not clash with itself.
TEST(NetworkRules, CheckNodeId) {
    Network nodes(3);
    nodes[0].primary = 1;
    nodes[1].primary = 5;
    nodes[2].primary = 9;
    EXPECT_EQ(checkPrimaryAddress(nodes, 7, -1, -1), 0);
    EXPECT_EQ(checkPrimaryAddress(nodes, 5, -1, -1), 652); // adding with nothing selected
    EXPECT_EQ(checkPrimaryAddress(nodes, 5, 1, -1), 0);    // modifying node 5 keeps its address
    EXPECT_EQ(checkPrimaryAddress(nodes, 9, 1, -1), 652);  // modifying into another node's address
    EXPECT_EQ(checkPrimaryAddress(nodes, 5, 1, 0), 651);   // a variable of node 5 is selected
}
