#include "core/sources/ReadPlan.h"

#include "support/SourceNetworks.h"

#include <gtest/gtest.h>

using namespace Sources;

namespace {

struct Span {
    int slave, function, address, count;
    QList<int> variables;
};

void expectRequests(const ReadPlan& plan, const std::vector<Span>& expected) {
    ASSERT_EQ(plan.requests.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const ReadRequest& r = plan.requests[qsizetype(i)];
        const Span& e = expected[i];
        EXPECT_EQ(r.slave, e.slave) << "request " << i;
        EXPECT_EQ(r.function, e.function) << "request " << i;
        EXPECT_EQ(r.address, e.address) << "request " << i;
        EXPECT_EQ(r.count, e.count) << "request " << i;
        EXPECT_EQ(r.variables, e.variables) << "request " << i;
    }
}

TEST(ReadPlan, EachModbusTypeReadsWithItsOwnFunction) {
    EXPECT_EQ(functionOfType(0), 1); // coil status
    EXPECT_EQ(functionOfType(1), 2); // input status
    EXPECT_EQ(functionOfType(2), 3); // holding register
    EXPECT_EQ(functionOfType(3), 4); // input register
    EXPECT_EQ(functionOfType(4), 0);
    EXPECT_EQ(functionOfType(-1), 0);
}

TEST(ReadPlan, OnlyEnabledVariablesInNetworkOrder) {
    Variable off = source(1, Holding, 5, 1);
    off.enabled = false;
    const ReadPlan plan =
        makeReadPlan({node(3, {source(1, Holding, 0, 2, Dim32, 0, "Energy"), off}, "Heat"),
                      node(7, {source(2, Coil, 4, 3, 0, 0, "Alarm")}, "Pump")});
    ASSERT_EQ(plan.variables.size(), 2);
    EXPECT_EQ(plan.variables[0].nodePrimary, 3);
    EXPECT_EQ(plan.variables[0].nodeDescription, QStringLiteral("Heat"));
    EXPECT_EQ(plan.variables[0].variableDescription, QStringLiteral("Energy"));
    EXPECT_EQ(plan.variables[1].node, 1);
    EXPECT_EQ(plan.variables[1].variable, 0);
    EXPECT_EQ(plan.variables[1].function, 1);
    EXPECT_TRUE(plan.variables[1].isBits());
}

// One case per row: the sources of one network and the requests that must cover them.
struct GroupingCase {
    const char* name;
    QList<Variable> sources;
    std::vector<Span> requests;
};

class Grouping : public testing::TestWithParam<GroupingCase> {};

TEST_P(Grouping, CoversEverySourceWithTheFewestRequests) {
    const GroupingCase& c = GetParam();
    expectRequests(makeReadPlan({node(1, c.sources)}), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Grouping,
    testing::Values(
        GroupingCase{"adjacent",
                     {source(1, Holding, 0, 2), source(1, Holding, 2, 2), source(1, Holding, 4, 1)},
                     {{1, 3, 0, 5, {0, 1, 2}}}},
        GroupingCase{
            "overlapping and repeated",
            {source(1, Holding, 10, 4), source(1, Holding, 12, 1), source(1, Holding, 10, 4)},
            {{1, 3, 10, 4, {0, 1, 2}}}},
        GroupingCase{"a gap inside the limit is read along",
                     {source(1, Holding, 0, 1), source(1, Holding, 123, 2)},
                     {{1, 3, 0, 125, {0, 1}}}},
        GroupingCase{"one register past the limit opens a second request",
                     {source(1, Holding, 0, 1), source(1, Holding, 124, 2)},
                     {{1, 3, 0, 1, {0}}, {1, 3, 124, 2, {1}}}},
        GroupingCase{"file order does not matter",
                     {source(1, InputRegister, 200, 2), source(1, InputRegister, 100, 2)},
                     {{1, 4, 100, 102, {0, 1}}}},
        GroupingCase{
            "a long source further on does not stop a short one from joining",
            {source(1, Holding, 0, 1), source(1, Holding, 10, 124), source(1, Holding, 20, 2)},
            {{1, 3, 0, 22, {0, 2}}, {1, 3, 10, 124, {1}}}},
        GroupingCase{"bits up to 2000",
                     {source(1, Coil, 0, 1), source(1, Coil, 1999, 1), source(1, Coil, 2000, 1)},
                     {{1, 1, 0, 2000, {0, 1}}, {1, 1, 2000, 1, {2}}}},
        GroupingCase{"each type is its own table",
                     {source(1, Coil, 0, 1), source(1, InputStatus, 0, 1), source(1, Holding, 0, 1),
                      source(1, InputRegister, 0, 1)},
                     {{1, 1, 0, 1, {0}}, {1, 2, 0, 1, {1}}, {1, 3, 0, 1, {2}}, {1, 4, 0, 1, {3}}}},
        GroupingCase{"each slave on its own, in order of first use",
                     {source(5, Holding, 0, 1), source(2, Holding, 1, 1), source(5, Holding, 1, 1)},
                     {{5, 3, 0, 2, {0, 2}}, {2, 3, 1, 1, {1}}}}),
    [](const testing::TestParamInfo<GroupingCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(ReadPlan, SourcesModbusCannotAskForAreListedButNeverRequested) {
    const struct {
        Variable variable;
        Problem problem;
    } cases[] = {
        {source(0, Holding, 0, 1), Problem::SlaveId}, // broadcast never answers
        {source(248, Holding, 0, 1), Problem::SlaveId},
        {source(1, 4, 0, 1), Problem::Type},
        {source(1, Holding, 0, 0), Problem::Points},
        {source(1, Holding, 0, 126), Problem::Points},
        {source(1, Coil, 0, 2001), Problem::Points},
        {source(1, Holding, 65535, 2), Problem::Register},
        {source(1, Holding, -1, 1), Problem::Register},
        {source(1, Holding, 65535, 1), Problem::None},
        {source(1, Coil, 0, 2000), Problem::None},
    };
    for (const auto& c : cases) {
        const ReadPlan plan = makeReadPlan({node(1, {c.variable})});
        ASSERT_EQ(plan.variables.size(), 1);
        EXPECT_EQ(plan.variables[0].problem, c.problem)
            << "slave " << c.variable.modbusSlave << " type " << c.variable.modbusType
            << " register " << c.variable.modbusRegister << " points " << c.variable.modbusCount;
        EXPECT_EQ(plan.requests.size(), c.problem == Problem::None ? 1 : 0);
    }
}

TEST(ReadPlan, UngroupedAsksOncePerReadableVariable) {
    const ReadPlan plan = makeReadPlan(
        {node(1, {source(1, Holding, 0, 2), source(1, Holding, 2, 2), source(0, Holding, 0, 1)})});
    EXPECT_EQ(plan.requests.size(), 1);
    const QList<ReadRequest> single = ungroupedRequests(plan);
    ASSERT_EQ(single.size(), 2);
    EXPECT_EQ(single[1], (ReadRequest{1, 3, 2, 2, {1}}));
}

} // namespace
