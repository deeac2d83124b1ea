#include "mbus/NetworkRules.h"

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

// Controllo_Dati_New_Var's order; the length counts only for "Variable Length".
TEST(NetworkRules, VariableChecksInOrder) {
    VariableNumbers ok{1, 0, 1, 0, 0, 0, 2};
    EXPECT_TRUE(variableFailures(ok).isEmpty());

    VariableNumbers bad{0, 65536, 125, 192, 4294967296LL, 1048576, 7};
    EXPECT_EQ(variableFailures(bad), QList<int>({641, 642, 643, 644, 645, 646}));
    bad.dimension = 8; // length ignored, its text kept
    EXPECT_EQ(variableFailures(bad), QList<int>({641, 642, 643, 645, 646}));

    VariableNumbers empty{
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 7};
    EXPECT_EQ(variableFailures(empty), QList<int>({641, 642, 643, 644, 645, 646}));
}

TEST(NetworkRules, NodeAddressChecks) {
    EXPECT_TRUE(nodeAddressFailures(1, 0).isEmpty());
    EXPECT_EQ(nodeAddressFailures(0, 100000000), QList<int>({649, 650}));
    EXPECT_EQ(nodeAddressFailures(250, std::nullopt), QList<int>({650}));
}

// Only primary addresses must be unique; the node being modified does not clash with itself.
TEST(NetworkRules, CheckNodeId) {
    TNodi_List nodes(3);
    nodes[0].Node_Pri = 1;
    nodes[1].Node_Pri = 5;
    nodes[2].Node_Pri = 9;
    EXPECT_EQ(Check_Node_ID(nodes, 7, -1, -1), 0);
    EXPECT_EQ(Check_Node_ID(nodes, 5, -1, -1), 652); // adding with nothing selected
    EXPECT_EQ(Check_Node_ID(nodes, 5, 1, -1), 0);    // modifying node 5 keeps its address
    EXPECT_EQ(Check_Node_ID(nodes, 9, 1, -1), 652);  // modifying into another node's address
    EXPECT_EQ(Check_Node_ID(nodes, 5, 1, 0), 651);   // a variable of node 5 is selected
}
