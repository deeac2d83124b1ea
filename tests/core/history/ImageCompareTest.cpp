#include "core/history/ImageCompare.h"

#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/image/ImageDecode.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "support/ImageTestSupport.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace ImageCompare {
void PrintTo(const Change& c, std::ostream* os) {
    *os << "{" << kindName(c.kind).toStdString() << " node " << c.node << " variable " << c.variable
        << " " << c.field.toStdString() << ": \"" << c.oldValue.toStdString() << "\" -> \""
        << c.newValue.toStdString() << "\"}";
}
} // namespace ImageCompare

namespace {

using ImageCompare::Change;
using ImageCompare::Kind;
using ImageTest::nodeXml;
using ImageTest::Overrides;
using ImageTest::parGenXml;
using ImageTest::variableXml;

const LanguageTable& english() {
    static const LanguageTable table;
    return table;
}

ImageDecode::Images decoded(const CompiledBanks& banks) {
    ImageDecode::Images images;
    EXPECT_EQ(ImageDecode::decodeNetwork(banks.bank, images.network), QString());
    EXPECT_EQ(ImageDecode::decodeBlock(banks.bank2, images.block), QString());
    return images;
}

CompiledBanks compiled(const std::optional<QByteArray>& mbus,
                       const std::optional<QByteArray>& parGen) {
    const CompileResult result = compileBanksFromBytes(mbus, parGen);
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    return result.banks;
}

// The worked example: one node, ID 1, with the heat meter's energy record.
QByteArray example(const Overrides& variable = {}, const QString& secondary = "12345678") {
    return ImageTest::networkXml(nodeXml(1, variableXml(variable), secondary));
}

QList<Change> compareBanks(const CompiledBanks& before, const CompiledBanks& after) {
    return ImageCompare::compare(decoded(before), decoded(after), english());
}

QString line(const QList<Change>& changes, const Network& before = {}, const Network& after = {}) {
    return ImageCompare::describeAll(changes, ImageCompare::labelsFrom(before),
                                     ImageCompare::labelsFrom(after), english())
        .join(QLatin1Char('\n'));
}

void setBlockByte(QByteArray& block, int at, quint8 value) {
    block[at] = char(value);
    const quint32 sum = BankLayout::blockChecksum(block);
    for (int i = 0; i < 4; ++i)
        block[BankLayout::BlkChecksum + i] = char((sum >> (8 * i)) & 0xFF);
}

} // namespace

TEST(ImageCompare, TheWorkedExampleAgainstItselfChangesNothing) {
    const CompiledBanks banks = compiled(example(), parGenXml());
    const QList<Change> changes = compareBanks(banks, banks);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(line(changes), QStringLiteral("Nothing changes on the device"));
}

// Each field of a record alone: one file change, the changes the device sees.
TEST(ImageCompare, EveryFieldOfARecordAlone) {
    struct Row {
        Overrides change;
        QList<std::pair<const char*, std::pair<const char*, const char*>>> expected;
    };
    const Row rows[] = {
        {{{"Fun_Field", "1"}}, {{"function_field", {"Instantaneous Value", "Minimun Value"}}}},
        {{{"Dim", "1"}}, {{"dimension", {"32", "16"}}}},
        {{{"Unit", "5"}}, {{"unit", {"0", "5"}}}},
        {{{"StoNumber", "7"}}, {{"storage_number", {"0", "7"}}}},
        {{{"Tariff", "3"}}, {{"tariff", {"0", "3"}}}},
        {{{"Length", "9"}}, {{"length", {"0", "9"}}}},
        {{{"Scale", "4"}}, {{"scale", {"Wh * (10 ^ 0)", "Wh * (10 ^ 1)"}}}},
        {{{"Mod_ID", "7"}}, {{"modbus_slave", {"1", "7"}}}},
        {{{"Mod_TD", "3"}}, {{"modbus_type", {"Holding Register", "Input Register"}}}},
        {{{"Mod_NR", "41"}}, {{"modbus_register", {"0", "41"}}}},
        {{{"Mod_NP", "1"}}, {{"modbus_points", {"2", "1"}}}},
        {{{"Mod_Swap", "1"}}, {{"modbus_swap", {"None", "Type 1"}}}},
        // The type moves the record code with it: the same scale position in another list.
        {{{"Type", "2"}},
         {{"type_of_data", {"Energy (Wh)", "Volume (m\u00b3)"}},
          {"scale", {"Wh * (10 ^ 0)", "m^3 * (10 ^ -3)"}}}},
        // The VIFE alone is not sent for a type other than 19: only its position changes.
        {{{"VIFE", "38"}}, {{"vife", {"Not Selected", "Volts"}}}},
        // The description is not in the image.
        {{{"Desc", "Volume"}}, {}},
    };
    const CompiledBanks base = compiled(example(), parGenXml());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change.front().first.toStdString());
        const QList<Change> changes =
            compareBanks(base, compiled(example(row.change), parGenXml()));
        QList<Change> expected;
        for (const auto& [field, values] : row.expected)
            expected.append({Kind::Variable, 1, 1, QLatin1String(field),
                             QString::fromUtf8(values.first), QString::fromUtf8(values.second)});
        EXPECT_EQ(changes, expected);
    }
}

TEST(ImageCompare, EverySettingAlone) {
    struct Row {
        Overrides change;
        const char* field;
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {{{"Meter_Baud", "5"}}, "mbus_baud", "2400", "9600"},
        {{{"Meter_Par", "2"}}, "mbus_parity", "EVEN", "ODD"},
        {{{"Mod_Ser", "0"}}, "modbus_interface", "RS232", "RS485"},
        {{{"Mod_Baud", "3"}}, "modbus_baud", "115200", "9600"},
        {{{"Mod_Baud", "9"}}, "modbus_baud", "115200", "9 (not in the list)"},
        {{{"Mod_Par", "1"}}, "modbus_parity", "NONE", "EVEN"},
        {{{"Mod_TO", "2000"}}, "modbus_timeout", "1000", "2000"},
        {{{"Mod_CD", "50"}}, "modbus_cyclic_delay", "100", "50"},
        {{{"Mod_Protocol", "1"}}, "modbus_framing", "binary", "ASCII"},
        {{{"Ethernet_IP4", "7"}}, "ip_address", "192.168.0.10", "192.168.0.7"},
        {{{"Ethernet_SM3", "0"}}, "subnet_mask", "255.255.255.0", "255.255.0.0"},
        {{{"Ethernet_EN_GAT", "1"}}, "gateway", "not used", "192.168.0.1"},
    };
    const CompiledBanks base = compiled(example(), parGenXml());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        const QList<Change> changes =
            compareBanks(base, compiled(example(), parGenXml(row.change)));
        const QList<Change> expected{{Kind::Setting, -1, 0, QLatin1String(row.field),
                                      QLatin1String(row.before), QLatin1String(row.after)}};
        EXPECT_EQ(changes, expected);
    }
    // "JBUS" frames as "Modbus RTU" does: the device sees no change.
    EXPECT_TRUE(
        compareBanks(base, compiled(example(), parGenXml({{"Mod_Protocol", "2"}}))).isEmpty());
}

TEST(ImageCompare, NodeFieldsAndBlockBytesNoSettingNames) {
    const CompiledBanks base = compiled(example(), parGenXml());
    EXPECT_EQ(compareBanks(base, compiled(example({}, "12345679"), parGenXml())),
              (QList<Change>{{Kind::Node, 1, 0, "secondary_address", "12345678", "12345679"}}));

    // A byte no field names, as a foreign file could hold: said by its offset.
    CompiledBanks odd = base;
    setBlockByte(odd.bank2, 0x214, 9);
    EXPECT_EQ(compareBanks(base, odd),
              (QList<Change>{{Kind::Setting, -1, 0, "block_byte_0x214", "8", "9"}}));
    EXPECT_EQ(line(compareBanks(base, odd)),
              QStringLiteral("Parameter block byte 0x214 8 \u2192 9"));

    // Without ParGen.xml the section goes and the block falls back to its defaults.
    const QList<Change> without = compareBanks(base, compiled(example(), std::nullopt));
    ASSERT_FALSE(without.isEmpty());
    EXPECT_EQ(without.front(), (Change{Kind::Setting, -1, 0, "parameters", "used", "not used"}));
    EXPECT_TRUE(without.contains(Change{Kind::Setting, -1, 0, "bank_address", "0x80000", "0x0"}));
    EXPECT_TRUE(without.contains(
        Change{Kind::Setting, -1, 0, "ip_address", "192.168.0.10", "192.168.2.205"}));
}

TEST(ImageCompare, NodesAddedRemovedAndReordered) {
    auto node = [](int id, int variables) {
        QByteArray vars;
        for (int v = 0; v < variables; ++v)
            vars += variableXml({{"Mod_NR", QString::number(id * 10 + v)}});
        return nodeXml(id, vars);
    };
    const CompiledBanks one23 =
        compiled(ImageTest::networkXml(node(1, 1) + node(2, 2) + node(3, 3)), parGenXml());
    struct Row {
        const char* what;
        QByteArray nodes;
        QList<Change> expected;
    };
    const Row rows[] = {
        {"added at the end",
         node(1, 1) + node(2, 2) + node(3, 3) + node(7, 3),
         {{Kind::NodeAdded, 7, 0, {}, {}, "3"}}},
        {"added in front: the others keep their order",
         node(7, 3) + node(1, 1) + node(2, 2) + node(3, 3),
         {{Kind::NodeAdded, 7, 0, {}, {}, "3"}}},
        {"removed", node(1, 1) + node(3, 3), {{Kind::NodeRemoved, 2, 0, {}, "2", {}}}},
        {"reordered",
         node(1, 1) + node(3, 3) + node(2, 2),
         {{Kind::NodeMoved, 3, 0, {}, "3", "2"}, {Kind::NodeMoved, 2, 0, {}, "2", "3"}}},
        {"a record added",
         node(1, 1) + node(2, 3) + node(3, 3),
         {{Kind::VariableAdded, 2, 3, {}, {}, {}}}},
        {"a record removed",
         node(1, 1) + node(2, 2) + node(3, 2),
         {{Kind::VariableRemoved, 3, 3, {}, {}, {}}}},
        // A disabled variable is not sent: the node goes when it has none left.
        {"all records disabled",
         node(1, 1) + node(2, 2) + nodeXml(3, variableXml({{"Enable", "0"}})),
         {{Kind::NodeRemoved, 3, 0, {}, "3", {}}}},
        {"several together",
         node(3, 3) +
             nodeXml(2, variableXml({{"Mod_NR", "20"}}) + variableXml({{"Mod_NR", "99"}})) +
             node(5, 1),
         {{Kind::NodeMoved, 3, 0, {}, "2", "1"},
          {Kind::NodeMoved, 2, 0, {}, "1", "2"},
          {Kind::Variable, 2, 2, "modbus_register", "21", "99"},
          {Kind::NodeAdded, 5, 0, {}, {}, "1"},
          {Kind::NodeRemoved, 1, 0, {}, "1", {}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(compareBanks(one23, compiled(ImageTest::networkXml(row.nodes), parGenXml())),
                  row.expected);
    }
}

TEST(ImageCompare, LinesNameNodesAndVariablesByTheirDescriptions) {
    Node heat{QStringLiteral("Heat meter"), 5, 1, {}};
    Variable energy;
    energy.enabled = true;
    energy.description = QStringLiteral("Energy");
    Variable volume = energy;
    volume.description = QStringLiteral("Volume");
    Variable off = energy;
    off.enabled = false;
    off.description = QStringLiteral("Spare");
    // The disabled record is not in the image: "Volume" is the second record.
    heat.variables = {energy, off, volume};
    Node water{QStringLiteral("Water meter"), 7, 2, {energy, energy, energy}};
    const QList<Change> changes{
        {Kind::Setting, -1, 0, "mbus_baud", "2400", "9600"},
        {Kind::NodeAdded, 7, 0, {}, {}, "3"},
        {Kind::Variable, 5, 2, "modbus_register", "40", "41"},
        {Kind::VariableAdded, 5, 3, {}, {}, {}},
        {Kind::NodeMoved, 5, 0, {}, "2", "1"},
        {Kind::Node, 9, 0, "secondary_address", "1", "2"},
        {Kind::NodeRemoved, 8, 0, {}, "1", {}},
    };
    EXPECT_EQ(line(changes, {heat}, {heat, water}),
              QStringLiteral("M-Bus baud rate 2400 \u2192 9600\n"
                             "Node 7 (Water meter) added, 3 variables\n"
                             "Node 5 (Heat meter), variable 2 \"Volume\": Modbus register 40 "
                             "\u2192 41\n"
                             "Node 5 (Heat meter), variable 3 added\n"
                             "Node 5 (Heat meter) moved from position 2 to 1\n"
                             "Node 9: Secondary Address 1 \u2192 2\n"
                             "Node 8 removed, 1 variable"));
}

TEST(ImageCompare, ImagesThatAreNoImagesAreRefused) {
    ImageDecode::Network network;
    ImageDecode::Block block;
    const CompiledBanks banks = compiled(example(), parGenXml());
    EXPECT_NE(ImageDecode::decodeNetwork(banks.bank.left(30), network), QString());
    EXPECT_NE(ImageDecode::decodeNetwork(banks.bank + "x", network), QString());
    EXPECT_NE(ImageDecode::decodeBlock(banks.bank2.left(2047), block), QString());
    QByteArray badSum = banks.bank2;
    badSum[0x100] = 1;
    EXPECT_EQ(ImageDecode::decodeBlock(badSum, block),
              QStringLiteral("the checksum of the parameter block does not hold"));
}
