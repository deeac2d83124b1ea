#include "core/network/NetworkWarnings.h"

#include "bench/FullNetwork.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using namespace NetworkWarnings;

namespace {

// A record the device serves as it should: 32 bits from two holding registers.
Variable record(int typeOfData = 0) {
    Variable v;
    v.enabled = true;
    v.dataType = typeOfData;
    v.dimension = 2; // "32"
    v.scale = 3;
    v.modbusSlave = 1;
    v.modbusType = 2; // holding register
    v.modbusCount = 2;
    return v;
}

Node node(int primary, int secondary, QList<Variable> variables) {
    Node n;
    n.primary = primary;
    n.secondary = secondary;
    n.variables = std::move(variables);
    return n;
}

QList<Kind> kinds(const QList<Warning>& warnings) {
    QList<Kind> list;
    for (const Warning& w : warnings)
        list << w.kind;
    return list;
}

} // namespace

// The worked example and the largest network the benchmarks use are sound: silence.
TEST(NetworkWarnings, SoundNetworksGiveNone) {
    const NetworkLoad worked =
        loadNetwork(fixturePath(QStringLiteral("image/worked_example/M_Bus.xml")));
    ASSERT_TRUE(worked.ok()) << worked.error.toStdString();
    const LanguageTable texts;
    EXPECT_TRUE(findWarnings(worked.nodes, texts).isEmpty());
    EXPECT_TRUE(findWarnings(fullNetwork(), texts).isEmpty());
}

// The master reads a record by its header only; two equal headers in one node are one value
// twice. A different storage number or tariff is enough to tell them apart.
TEST(NetworkWarnings, SameCodingInOneNode) {
    const LanguageTable texts;
    Variable other = record();
    other.modbusRegister = 10; // another register does not help: the master never sees it
    const QList<Warning> warnings = findWarnings({node(5, 1, {record(), other})}, texts);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0].kind, Kind::SameRecordCoding);
    EXPECT_EQ(warnings[0].node, 0);
    EXPECT_EQ(warnings[0].variable, 1);
    EXPECT_EQ(warnings[0].otherVariable, 0);
    EXPECT_EQ(warnings[0].text,
              QStringLiteral("Warning: variables 1 and 2 of the node with primary address 5 have "
                             "the same coding; the M-Bus master cannot tell their records apart"));

    other.storageNumber = 1;
    EXPECT_TRUE(findWarnings({node(5, 1, {record(), other})}, texts).isEmpty());
    Variable disabled = record();
    disabled.enabled = false;
    EXPECT_TRUE(findWarnings({node(5, 1, {record(), disabled})}, texts).isEmpty());
    // Equal records in different nodes are what every installation has.
    EXPECT_TRUE(findWarnings({node(5, 1, {record()}), node(6, 2, {record()})}, texts).isEmpty());
}

// A warning names each variable as the installer knows it, by description, with its position
// to tell two of one name apart; a description is shown as it is, never read as a placeholder.
TEST(NetworkWarnings, NameVariablesByDescription) {
    const LanguageTable texts;
    Variable energy = record();
    energy.description = QStringLiteral("Energy");
    Variable copy = record();
    copy.description = QStringLiteral("  Energy %3 ");
    Variable stored = record();
    stored.storageNumber = 1;
    const QList<Warning> same = findWarnings({node(7, 1, {energy, stored, copy})}, texts);
    ASSERT_EQ(kinds(same), QList<Kind>{Kind::SameRecordCoding});
    EXPECT_EQ(same[0].text, QStringLiteral("Warning: variables 1 \"Energy\" and 3 \"Energy %3\" "
                                           "of the node with primary "
                                           "address 7 have the same coding; the M-Bus master "
                                           "cannot tell their records apart"));

    Variable narrow = record();
    narrow.description = QStringLiteral("Flow %4");
    narrow.modbusCount = 1;
    const QList<Warning> bits = findWarnings({node(9, 1, {narrow})}, texts);
    ASSERT_EQ(kinds(bits), QList<Kind>{Kind::SourceNarrowerThanField});
    EXPECT_EQ(bits[0].text, QStringLiteral("Warning: variable 1 \"Flow %4\" of the node "
                                           "with primary address 9 reads 16 bits from Modbus for "
                                           "an M-Bus field of 32 bits"));
}

// Bits: 16 a register, 1 a coil or input; 8..64 by dimension, 4 a BCD digit, 8 a byte of a
// variable length.
TEST(NetworkWarnings, SourceNarrowerThanField) {
    struct Case {
        const char* why;
        int modbusType;
        int points;
        int dimension;
        int length;
        int source;
        int field;
    };
    const Case cases[] = {
        {"one register for 32 bits", 2, 1, 2, 0, 16, 32},
        {"two input registers for 64 bits", 3, 2, 3, 0, 32, 64},
        {"eight coils for 16 bits", 0, 8, 1, 0, 8, 16},
        {"one register for 8 BCD digits", 2, 1, 11, 0, 16, 32},
        {"one register for a 3-byte variable length", 2, 1, 7, 3, 16, 24},
        {"seven input statuses for 8 bits", 1, 7, 0, 0, 7, 8},
    };
    const LanguageTable texts;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Variable v = record();
        v.modbusType = c.modbusType;
        v.modbusCount = c.points;
        v.dimension = c.dimension;
        v.length = quint8(c.length);
        EXPECT_EQ(sourceBits(v), c.source);
        EXPECT_EQ(fieldBits(v), c.field);
        const QList<Warning> warnings = findWarnings({node(9, 1, {v})}, texts);
        ASSERT_EQ(kinds(warnings), QList<Kind>{Kind::SourceNarrowerThanField});
        EXPECT_EQ(warnings[0].text,
                  QStringLiteral("Warning: variable 1 of the node with primary address 9 reads "
                                 "%1 bits from Modbus for an M-Bus field of %2 bits")
                      .arg(c.source)
                      .arg(c.field));
    }
    // One coil is one bit, not "1 bits".
    Variable coil = record();
    coil.modbusType = 0;
    coil.modbusCount = 1;
    coil.dimension = 0;
    EXPECT_EQ(findWarnings({node(9, 1, {coil})}, texts).value(0).text,
              QStringLiteral("Warning: variable 1 of the node with primary address 9 reads 1 bit "
                             "from Modbus for an M-Bus field of 8 bits"));
    // Exactly wide enough: one register for 16 bits, eight coils for 8 bits.
    Variable exact = record();
    exact.modbusCount = 1;
    exact.dimension = 1;
    Variable coils = record();
    coils.modbusType = 0;
    coils.modbusCount = 8;
    coils.dimension = 0;
    coils.storageNumber = 1;
    EXPECT_TRUE(findWarnings({node(9, 1, {exact, coils})}, texts).isEmpty());
}

// Two nodes on the device answering to one secondary address; a node without enabled
// variables is not on the device.
TEST(NetworkWarnings, SameSecondaryAddress) {
    const LanguageTable texts;
    const QList<Warning> warnings = findWarnings(
        {node(1, 777, {record()}), node(2, 5, {record()}), node(3, 777, {record()})}, texts);
    ASSERT_EQ(kinds(warnings), QList<Kind>{Kind::SameSecondaryAddress});
    EXPECT_EQ(warnings[0].node, 2);
    EXPECT_EQ(warnings[0].otherNode, 0);
    EXPECT_EQ(warnings[0].text,
              QStringLiteral("Warning: the nodes with primary address 1 and 3 have the same "
                             "secondary address 777"));
    // A node the images leave out answers to no address at all.
    Variable disabled = record();
    disabled.enabled = false;
    EXPECT_EQ(kinds(findWarnings({node(1, 777, {record()}), node(3, 777, {disabled})}, texts)),
              QList<Kind>{Kind::NoEnabledVariable});
}

// The device format leaves out a node without an enabled variable; the editor shows it, so
// saying nothing would let a meter vanish. One enabled variable, anywhere in the node, is
// enough; the node keeps its place in the order of warnings.
TEST(NetworkWarnings, NodeWithoutEnabledVariable) {
    const LanguageTable texts;
    Variable disabled = record();
    disabled.enabled = false;
    Variable other = record(1);
    const QList<Warning> warnings =
        findWarnings({node(3, 1, {record()}), node(12, 2, {disabled, disabled}), node(13, 3, {}),
                      node(14, 4, {disabled, other}), node(15, 1, {record()})},
                     texts);
    ASSERT_EQ(kinds(warnings), (QList<Kind>{Kind::NoEnabledVariable, Kind::NoEnabledVariable,
                                            Kind::SameSecondaryAddress}));
    EXPECT_EQ(warnings[0].node, 1);
    EXPECT_EQ(warnings[0].variable, -1);
    EXPECT_EQ(warnings[1].node, 2);
    EXPECT_EQ(warnings[0].text,
              QStringLiteral("Warning: node with primary address 12 has no enabled variable: the "
                             "gateway will not answer at this address"));
    // Node 13 has no variable at all; node 14's second variable puts it on the device.
    EXPECT_EQ(warnings[2].node, 4);
    EXPECT_EQ(warnings[2].otherNode, 0);
    EXPECT_EQ(silentNodes({node(3, 1, {record()}), node(12, 2, {disabled})}, texts),
              QList<Warning>{warnings[0]});
}
