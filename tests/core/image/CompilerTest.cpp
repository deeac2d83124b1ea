#include "core/image/Compiler.h"
#include "core/image/BankDump.h"
#include "core/image/BankLayout.h"
#include "support/ImageTestSupport.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ImageTest;

namespace {

CompileResult compileFixture(const char* name) {
    const QDir dir(fixtureDir(name));
    return compileBanksFromFiles(dir.filePath(QStringLiteral("M_Bus.xml")),
                                 dir.filePath(QStringLiteral("ParGen.xml")));
}

// The block of defaults with its checksum, as a compile without ParGen.xml leaves it.
QByteArray defaultBlock() {
    QByteArray block(2048, '\0');
    auto put = [&](int at, const char* hex) { block.replace(at, bytes(hex).size(), bytes(hex)); };
    put(0x000, "90 D0 03 00 90 D0 03 00 80 25");
    put(0x028, "C0 A8 02 CD FF FF FF 00 FF FF FF FF 10 27 11 27 11 27");
    put(0x214, "08 08 08 08 08 08 08 08");
    put(0x7FC, "82 0D 00 00"); // 3458
    return block;
}

QByteArray slice(const QByteArray& data, int at, int size) {
    return data.mid(at, size);
}

const int ParamAtOneVariable = 8 + 11 + 22; // parameter section after one node, one variable

} // namespace

// The reference configuration: one heat meter, new-configuration settings. The device must get
// these bytes exactly.
TEST(CompileBanks, WorkedExampleByteForByte) {
    const CompileResult r = compileFixture("worked_example");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(spaced(r.banks.bank), spaced(bytes("08 00 00 00 29 00 00 00"
                                                 "01 01 00 13 00 00 00 12 34 56 78"
                                                 "00 00 04 00 00 00 00 00 00 00 00 00 00 00 04 00 "
                                                 "01 02 00 00 02 00"
                                                 "01 07 00 E8 03 64 00 00 03 01 01 00 01 00")));
    QByteArray block(2048, '\0');
    auto put = [&](int at, const char* hex) { block.replace(at, bytes(hex).size(), bytes(hex)); };
    put(0x000, "90 D0 03");
    put(0x004, "90 D0 03");
    put(0x008, "80 25");
    put(0x01C, "E8 03");
    put(0x020, "64");
    put(0x028, "C0 A8 00 0A FF FF FF 00 FF FF FF FF 10 27 11 27 11 27");
    put(0x1F1, "C2 01");
    put(0x200, "60 09");
    put(0x20C, "02");
    put(0x214, "08 08 08 08 08 08 08 08");
    put(0x2E2, "01");
    put(0x2EE, "08");
    put(0x7FC, "43 0F"); // 3907
    EXPECT_EQ(r.banks.bank2.size(), 2048);
    EXPECT_EQ(spaced(r.banks.bank2), spaced(block));
}

// A configuration only just created: no network, no settings. The block keeps its defaults
// and 0x2EC stays 0, so the device loads no network.
TEST(CompileBanks, NeitherFileExists) {
    const CompileResult r = compileBanksFromFiles(QStringLiteral("/nonexistent/M_Bus.xml"),
                                                  QStringLiteral("/nonexistent/P.xml"));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(spaced(r.banks.bank), QStringLiteral("08 00 00 00 08 00 00 00"));
    EXPECT_EQ(spaced(r.banks.bank2), spaced(defaultBlock()));
}

// Settings confirmed but no network yet: header and parameter section with zero counts.
TEST(CompileBanks, OnlyParGenExists) {
    const CompileResult r = compileFixture("only_pargen");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(spaced(r.banks.bank),
              spaced(bytes("08 00 00 00 08 00 00 00 01 07 00 E8 03 64 00 00 03 01 00 00 00 00")));
}

// A network without settings: the file ends after the variable table (P is the length) and the
// block keeps its defaults, zero baud rates included.
TEST(CompileBanks, OnlyMBusExists) {
    const CompileResult r = compileFixture("only_mbus");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.banks.bank.size(), ParamAtOneVariable);
    EXPECT_EQ(spaced(slice(r.banks.bank, 4, 4)), QStringLiteral("29 00 00 00"));
    EXPECT_EQ(spaced(r.banks.bank2), spaced(defaultBlock()));
}

// Nodes whose variables are all disabled vanish from the image and from N; a variable is
// enabled only by the exact text "1", and a disabled one is never read further.
TEST(CompileBanks, DisabledNodesAndVariablesAreLeftOut) {
    const CompileResult r = compileFixture("disabled_node");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(spaced(r.banks.bank),
              spaced(bytes("08 00 00 00 29 00 00 00"
                           "09 01 00 13 00 00 00 99 99 99 99"
                           "03 02 06 00 00 00 00 00 00 00 00 00 00 00 1D 00 01 00 01 00 01 00")));
}

// A file written by hand: other element names, a comment before the root, values beyond the
// editor's ranges cut to their fields, texts that are not plain decimals taking the defaults.
TEST(CompileBanks, HandEditedNetworkIsCutToFieldWidths) {
    const CompileResult r = compileFixture("hand_edited");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(spaced(r.banks.bank),
              spaced(bytes("08 00 00 00 3F 00 00 00"
                           "FA 02 00 13 00 00 00 94 96 72 95"
                           // type 21 (no code), unknown dimension 99 -> 2, unit 300 -> 44
                           "15 03 02 2C FF FF FF FF FF FF 0F 00 00 BF 00 00 F7 03 FF FF 7C 01"
                           // type 19 with VIFE 38 scale 15 -> 188; "0x10" and " 2" -> defaults
                           "13 00 0D 00 00 00 00 00 00 00 00 00 26 00 BC 00 01 00 01 00 01 00")));
}

// Secondary addresses: the eight lowest decimal digits of the 32-bit value, in packed BCD.
TEST(CompileBanks, SecondaryAddressInBcd) {
    const std::vector<std::pair<std::optional<QString>, const char*>> rows = {
        {"4294967295", "94 96 72 95"}, // the largest value the field holds
        {"-1", "94 96 72 95"},         // two's complement of the same 32 bits
        {"123456789", "23 45 67 89"},  // ninth digit dropped
        {"4294967296", "00 00 00 00"}, // does not fit 32 bits: cut to 0
        {"7", "00 00 00 07"},          {"abc", "00 00 00 00"},
        {std::nullopt, "00 00 00 00"}, // missing: 0
    };
    for (const auto& [secondary, bcd] : rows) {
        const QByteArray node = secondary
                                    ? nodeXml(1, variableXml(), *secondary)
                                    : QByteArray("<Nodo ID=\"1\">") + variableXml() + "</Nodo>";
        const CompileResult r = compileBanksFromBytes(networkXml(node), std::nullopt);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(spaced(slice(r.banks.bank, 15, 4)), QString::fromLatin1(bcd))
            << secondary.value_or("missing").toStdString();
    }
}

// Variable attributes: cut to their widths (two's complement), defaults for missing or
// non-integer texts, the record code computed from the values after cutting.
TEST(CompileBanks, VariableFieldsAreCutAndDefaulted) {
    struct Row {
        const char* why;
        Overrides changes;
        int offset; // in the variable record
        const char* expected;
    };
    const std::vector<Row> rows = {
        {"storage -1", {{"StoNumber", "-1"}}, 4, "FF FF FF FF"},
        {"storage past 32 bits", {{"StoNumber", "4294967296"}}, 4, "00 00 00 00"},
        {"storage past 64 bits", {{"StoNumber", "99999999999999999999"}}, 4, "00 00 00 00"},
        {"tariff -2", {{"Tariff", "-2"}}, 8, "FE FF FF FF"},
        {"register -1", {{"Mod_NR", "-1"}}, 18, "FF FF"},
        {"register past 16 bits", {{"Mod_NR", "65537"}}, 18, "01 00"},
        {"register missing", {{"Mod_NR", std::nullopt}}, 18, "01 00"},
        {"register hex", {{"Mod_NR", "$10"}}, 18, "01 00"},
        {"slave missing", {{"Mod_ID", std::nullopt}}, 16, "01"},
        {"points missing", {{"Mod_NP", std::nullopt}}, 20, "01"},
        {"unit missing", {{"Unit", "x"}}, 3, "00"},
        {"signed plus", {{"Unit", "+5"}}, 3, "05"},
        {"type 256 cut to 0", {{"Type", "256"}}, 0, "00"},
        {"scale 65539 cut to 3", {{"Scale", "65539"}}, 14, "04 00"},
        {"scale 259 is not cut to 8 bits", {{"Scale", "259"}}, 14, "00 00"},
        {"scale missing", {{"Scale", std::nullopt}}, 14, "01 00"},
        {"scale 255, type 21", {{"Scale", "255"}, {"Type", "21"}}, 14, "00 00"},
        {"VIFE 38 cut from 294",
         {{"Type", "19"}, {"VIFE", "294"}, {"Scale", "15"}},
         12,
         "26 00 BC 00"},
        {"dimension unknown", {{"Dim", "-1"}}, 2, "02"},
    };
    for (const Row& row : rows) {
        const CompileResult r =
            compileBanksFromBytes(networkXml(nodeXml(1, variableXml(row.changes))), std::nullopt);
        ASSERT_TRUE(r.ok()) << row.why << ": " << r.error.toStdString();
        const QByteArray want = bytes(row.expected);
        EXPECT_EQ(spaced(slice(r.banks.bank, 19 + row.offset, int(want.size()))), spaced(want))
            << row.why;
    }
}

// ParGen.xml values: cut to their widths, then mapped (baud, parity, framing) from the cut
// value; octets default one by one; the gateway only when switched on.
TEST(CompileBanks, ParametersAndBlock) {
    enum Where { Section, Block };
    struct Row {
        const char* why;
        Overrides changes;
        Where where;
        int offset;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {"JBUS frames binary", {{"Mod_Protocol", "2"}}, Block, 0x2E1, "00"},
        {"Binary frames binary", {{"Mod_Protocol", "3"}}, Section, 7, "00"},
        {"ASCII", {{"Mod_Protocol", "4"}}, Block, 0x2E1, "01"},
        {"ASCII in the section", {{"Mod_Protocol", "4"}}, Section, 7, "01"},
        {"Modbus ASCII", {{"Mod_Protocol", "1"}}, Section, 7, "01"},
        {"protocol outside the list", {{"Mod_Protocol", "9"}}, Block, 0x2E1, "00"},
        {"protocol -1", {{"Mod_Protocol", "-1"}}, Section, 7, "00"},
        {"protocol 257 is 1 once cut", {{"Mod_Protocol", "257"}}, Section, 7, "01"},
        {"no baud selected", {{"Mod_Baud", "-1"}}, Section, 1, "FF"},
        {"no baud selected: 115200", {{"Mod_Baud", "-1"}}, Block, 0x1F0, "00 C2 01 00"},
        {"Modbus 1200", {{"Mod_Baud", "0"}}, Block, 0x1F0, "B0 04 00 00"},
        {"M-Bus baud 9 kept", {{"Meter_Baud", "9"}}, Section, 8, "09"},
        {"M-Bus baud 9: 2400", {{"Meter_Baud", "9"}}, Block, 0x200, "60 09 00 00"},
        {"M-Bus 300", {{"Meter_Baud", "0"}}, Block, 0x200, "2C 01 00 00"},
        {"M-Bus 38400", {{"Meter_Baud", "7"}}, Block, 0x200, "00 96 00 00"},
        {"M-Bus baud 264 is 8 once cut", {{"Meter_Baud", "264"}}, Block, 0x200, "60 09 00 00"},
        {"EVEN is list 1", {{"Mod_Par", "1"}}, Section, 2, "01"},
        {"EVEN is code 2", {{"Mod_Par", "1"}}, Block, 0x208, "02"},
        {"ODD is code 1", {{"Mod_Par", "2"}}, Block, 0x208, "01"},
        {"parity 7 unchanged", {{"Mod_Par", "7"}}, Block, 0x208, "07"},
        {"parity 257 is EVEN once cut", {{"Mod_Par", "257"}}, Block, 0x208, "02"},
        {"M-Bus NONE", {{"Meter_Par", "0"}}, Block, 0x20C, "00"},
        {"time-out cut to 16 bits", {{"Mod_TO", "70000"}}, Section, 3, "70 11"},
        {"time-out in the block", {{"Mod_TO", "70000"}}, Block, 0x01C, "70 11 00 00"},
        {"cyclic delay", {{"Mod_CD", "65535"}}, Block, 0x020, "FF FF 00 00"},
        {"RS485", {{"Mod_Ser", "0"}}, Section, 0, "00"},
        {"Mod_Ser -1", {{"Mod_Ser", "-1"}}, Section, 0, "FF"},
        {"octet 256 stores 0", {{"Ethernet_IP4", "256"}}, Block, 0x02B, "00"},
        {"empty octet: default", {{"Ethernet_IP4", ""}}, Block, 0x02B, "CD"},
        {"missing octet: default", {{"Ethernet_IP4", std::nullopt}}, Block, 0x02B, "CD"},
        {"octet -1", {{"Ethernet_IP4", "-1"}}, Block, 0x02B, "FF"},
        {"octet past 64 bits", {{"Ethernet_IP1", "99999999999999999999"}}, Block, 0x028, "C0"},
        {"first octet", {{"Ethernet_IP1", "10"}}, Block, 0x028, "0A A8 00 0A"},
        {"mask defaults",
         {{"Ethernet_SM1", "x"}, {"Ethernet_SM4", std::nullopt}},
         Block,
         0x02C,
         "FF FF FF 00"},
        {"gateway used", {{"Ethernet_EN_GAT", "1"}}, Block, 0x030, "C0 A8 00 01"},
        {"gateway off",
         {{"Ethernet_EN_GAT", "0"}, {"Ethernet_GAT4", "9"}},
         Block,
         0x030,
         "FF FF FF FF"},
        {"gateway flag missing", {{"Ethernet_EN_GAT", std::nullopt}}, Block, 0x030, "FF FF FF FF"},
        {"any text but 0 keeps it", {{"Ethernet_EN_GAT", "true"}}, Block, 0x030, "C0 A8 00 01"},
        {"gateway octet default",
         {{"Ethernet_EN_GAT", "1"}, {"Ethernet_GAT4", std::nullopt}},
         Block,
         0x030,
         "C0 A8 00 FF"},
        {"bank address", {}, Block, 0x2EC, "00 00 08 00"},
    };
    const QByteArray network = networkXml(nodeXml(1, variableXml()));
    for (const Row& row : rows) {
        const CompileResult r = compileBanksFromBytes(network, parGenXml(row.changes));
        ASSERT_TRUE(r.ok()) << row.why << ": " << r.error.toStdString();
        const QByteArray& image = row.where == Section ? r.banks.bank : r.banks.bank2;
        const int at = row.where == Section ? ParamAtOneVariable + row.offset : row.offset;
        const QByteArray want = bytes(row.expected);
        EXPECT_EQ(spaced(slice(image, at, int(want.size()))), spaced(want)) << row.why;
        EXPECT_TRUE(dumpParameterBlock(r.banks.bank2).ok) << row.why << ": checksum and layout";
    }
}

// The time-out, the cyclic delay and the octets are typed in the settings window: the compiler
// reads them by the window's number rule (signed 32 bits), then cuts them to the field. A text
// that is no number fails the compile for the two times and gives the default octet.
TEST(CompileBanks, TypedFieldsReadAsTheWindowReadsThem) {
    struct Row {
        const char* text;
        const char* timeout; // section bytes 3..4; nullptr: the compile fails
        const char* octet;   // Ethernet_IP4 in the block; "CD" is the default
    };
    const std::vector<Row> rows = {
        {"1000", "E8 03", "E8"},
        {" 1000", "E8 03", "E8"},
        {"$3E8", "E8 03", "E8"},
        {"0x3E8", "E8 03", "E8"},
        {"0X3e8", "E8 03", "E8"},
        {"x3e8", "E8 03", "E8"},
        {"+1000", "E8 03", "E8"},
        {" 7", "07 00", "07"},
        {"$0A", "0A 00", "0A"},
        {"-1", "FF FF", "FF"},
        {"70000", "70 11", "70"},
        {"$10000", "00 00", "00"},
        {"2147483647", "FF FF", "FF"},
        {"-2147483648", "00 00", "00"},
        {"2147483648", nullptr, "CD"},
        {"4294967296", nullptr, "CD"},
        {"99999999999999999999", nullptr, "CD"},
        {"1000 ms", nullptr, "CD"},
        {"1000 ", nullptr, "CD"},
        {"10.5", nullptr, "CD"},
        {"1e3", nullptr, "CD"},
        {"abc", nullptr, "CD"},
        {"", nullptr, "CD"},
        {" ", nullptr, "CD"},
        {"$", nullptr, "CD"},
        {"0x", nullptr, "CD"},
        {"- 5", nullptr, "CD"},
    };
    const QByteArray network = networkXml(nodeXml(1, variableXml()));
    for (const Row& row : rows) {
        for (const char* field : {"Mod_TO", "Mod_CD"}) {
            const CompileResult r = compileBanksFromBytes(network, parGenXml({{field, row.text}}));
            const int at = ParamAtOneVariable + (QByteArray(field) == "Mod_TO" ? 3 : 5);
            if (row.timeout) {
                ASSERT_TRUE(r.ok())
                    << field << " \"" << row.text << "\": " << r.error.toStdString();
                EXPECT_EQ(spaced(slice(r.banks.bank, at, 2)), QString::fromLatin1(row.timeout))
                    << field << " \"" << row.text << "\"";
            } else {
                ASSERT_FALSE(r.ok()) << field << " \"" << row.text << "\"";
                EXPECT_TRUE(r.error.contains(
                    QStringLiteral("\"%1\" is not an integer").arg(QLatin1String(field))))
                    << r.error.toStdString();
            }
        }
        const CompileResult r =
            compileBanksFromBytes(network, parGenXml({{"Ethernet_IP4", row.text}}));
        ASSERT_TRUE(r.ok()) << "octet \"" << row.text << "\": " << r.error.toStdString();
        EXPECT_EQ(spaced(slice(r.banks.bank2, 0x02B, 1)), QString::fromLatin1(row.octet))
            << "octet \"" << row.text << "\"";
    }
    // A typed gateway octet too, and a list field stays plain decimal: "$1" is no position.
    const CompileResult gateway = compileBanksFromBytes(
        network, parGenXml({{"Ethernet_EN_GAT", "1"}, {"Ethernet_GAT1", " $0A"}}));
    ASSERT_TRUE(gateway.ok()) << gateway.error.toStdString();
    EXPECT_EQ(spaced(slice(gateway.banks.bank2, 0x030, 4)), QStringLiteral("0A A8 00 01"));
    for (const char* list : {"Mod_Baud", "Mod_Ser", "Meter_Par"}) {
        for (const char* text : {"$1", " 1", "0x1"})
            EXPECT_FALSE(compileBanksFromBytes(network, parGenXml({{list, text}})).ok())
                << list << " \"" << text << "\"";
    }
}

// A failed compile says what and where, so the user can find the line to mend.
TEST(CompileBanks, FailuresSayWhatAndWhere) {
    struct Row {
        const char* why;
        QByteArray mbus;
        QByteArray parGen;
        QStringList mentions;
    };
    const QByteArray okNetwork = networkXml(nodeXml(1, variableXml()));
    const std::vector<Row> rows = {
        {"node without ID",
         networkXml(nodeXml(1, variableXml()) + "<Nodo Sec_Add=\"3\"/>"),
         parGenXml(),
         {"M_Bus.xml", "node 2", "\"ID\"", "missing"}},
        {"ID read even when every variable is off",
         networkXml("<Nodo ID=\"x1\">" + variableXml({{"Enable", "0"}}) + "</Nodo>"),
         parGenXml(),
         {"node 1", "\"ID\"", "not an integer", "\"x1\""}},
        {"type missing",
         networkXml(nodeXml(5, variableXml() + variableXml({{"Type", std::nullopt}}))),
         parGenXml(),
         {"node 1 (ID 5), variable 2", "\"Type\"", "missing"}},
        {"function field not an integer",
         networkXml(nodeXml(5, variableXml({{"Fun_Field", "1.5"}}))),
         parGenXml(),
         {"variable 1", "\"Fun_Field\"", "\"1.5\""}},
        {"dimension empty",
         networkXml(nodeXml(5, variableXml({{"Dim", ""}}))),
         parGenXml(),
         {"\"Dim\"", "not an integer"}},
        {"dimension past 64 bits",
         networkXml(nodeXml(5, variableXml({{"Dim", "18446744073709551616"}}))),
         parGenXml(),
         {"\"Dim\"", "not an integer"}},
        {"network not well-formed",
         "<M-Bus_Network><Nodo ID=\"1\">\n<Variabile></Nodo>",
         parGenXml(),
         {"M_Bus.xml", "line 2"}},
        {"no element at all", "<!-- nothing -->", parGenXml(), {"M_Bus.xml"}},
        {"settings not well-formed",
         okNetwork,
         "<Par_Gen><Mod_Ser>1</Par_Gen>",
         {"ParGen.xml", "line 1"}},
        {"first missing element is named",
         okNetwork,
         parGenXml({{"Mod_Ser", std::nullopt}, {"Meter_Par", std::nullopt}}),
         {"ParGen.xml", "\"Mod_Ser\"", "missing"}},
        {"time-out not an integer",
         okNetwork,
         parGenXml({{"Mod_TO", "1e3"}}),
         {"\"Mod_TO\"", "not an integer", "\"1e3\""}},
        {"time-out with a blank",
         okNetwork,
         parGenXml({{"Mod_TO", "1000 "}}),
         {"\"Mod_TO\"", "not an integer"}},
        {"baud past 64 bits",
         okNetwork,
         parGenXml({{"Mod_Baud", "99999999999999999999"}}),
         {"\"Mod_Baud\"", "not an integer"}},
    };
    for (const Row& row : rows) {
        const CompileResult r = compileBanksFromBytes(row.mbus, row.parGen);
        ASSERT_FALSE(r.ok()) << row.why;
        for (const QString& word : row.mentions)
            EXPECT_TRUE(r.error.contains(word)) << row.why << ": " << r.error.toStdString();
        EXPECT_TRUE(r.banks.bank.isEmpty() && r.banks.bank2.isEmpty()) << row.why;
    }
}

// Each of the eight serial settings is required; the octets and the gateway flag are not.
TEST(CompileBanks, EveryRequiredSettingIsChecked) {
    for (const char* name : {"Mod_Ser", "Mod_Baud", "Mod_Par", "Mod_TO", "Mod_CD", "Mod_Protocol",
                             "Meter_Baud", "Meter_Par"}) {
        for (const std::optional<QString>& text :
             {std::optional<QString>(), std::optional<QString>("x")}) {
            const CompileResult r = compileBanksFromBytes(std::nullopt, parGenXml({{name, text}}));
            ASSERT_FALSE(r.ok()) << name;
            EXPECT_TRUE(r.error.contains(QStringLiteral("\"%1\"").arg(QLatin1String(name))))
                << r.error.toStdString();
        }
    }
    Overrides optional;
    for (const char* group : {"Ethernet_IP", "Ethernet_SM", "Ethernet_GAT"})
        for (int i = 1; i <= 4; ++i)
            optional.emplace_back(QStringLiteral("%1%2").arg(QLatin1String(group)).arg(i),
                                  std::nullopt);
    optional.emplace_back("Ethernet_EN_GAT", std::nullopt);
    optional.emplace_back("Select_Device", std::nullopt);
    EXPECT_TRUE(compileBanksFromBytes(std::nullopt, parGenXml(optional)).ok());
}

// The device holds 64 nodes of 10 records: a full network compiles to the largest image, one
// more node or record is refused with the node named, never cut off silently.
TEST(CompileBanks, DeviceLimits) {
    const CompileResult full = compileBanksFromBytes(fullNetworkXml(64, 10), parGenXml());
    ASSERT_TRUE(full.ok()) << full.error.toStdString();
    EXPECT_EQ(full.banks.bank.size(), BankLayout::MaxBankSize);
    EXPECT_EQ(full.banks.bank.size(), 14806);
    EXPECT_EQ(quint8(full.banks.bank2.at(0x2E2)), 64);
    EXPECT_TRUE(dumpNetworkImage(full.banks.bank).ok);

    const CompileResult tooManyNodes = compileBanksFromBytes(fullNetworkXml(65, 1), parGenXml());
    ASSERT_FALSE(tooManyNodes.ok());
    EXPECT_TRUE(tooManyNodes.error.contains(QStringLiteral("node 65 (ID 65)")))
        << tooManyNodes.error.toStdString();

    QByteArray eleven;
    for (int v = 0; v < 11; ++v)
        eleven += variableXml();
    const CompileResult tooManyVars = compileBanksFromBytes(
        networkXml(nodeXml(1, variableXml()) + nodeXml(2, eleven)), std::nullopt);
    ASSERT_FALSE(tooManyVars.ok());
    EXPECT_TRUE(tooManyVars.error.contains(QStringLiteral("node 2 (ID 2), variable 11")))
        << tooManyVars.error.toStdString();

    // Only what reaches the image counts: disabled nodes and variables are free.
    QByteArray nodes;
    for (int n = 1; n <= 66; ++n) {
        QByteArray vars = variableXml({{"Enable", "0"}});
        if (n != 10 && n != 20)
            vars += QByteArray(eleven).replace("Enable=\"1\"", "Enable=\"0\"") + variableXml();
        nodes += nodeXml(n, vars);
    }
    const CompileResult spare = compileBanksFromBytes(networkXml(nodes), std::nullopt);
    ASSERT_TRUE(spare.ok()) << spare.error.toStdString();
    EXPECT_EQ(spare.banks.bank.size(), 8 + 64 * (11 + 22));
}

// Nothing survives a compile: the same files give the same bytes, also after another
// configuration was compiled in between.
TEST(CompileBanks, SameInputSameBytes) {
    const CompileResult first = compileFixture("worked_example");
    const CompileResult other = compileFixture("hand_edited");
    const CompileResult second = compileFixture("worked_example");
    ASSERT_TRUE(first.ok() && other.ok() && second.ok());
    EXPECT_EQ(first.banks.bank, second.banks.bank);
    EXPECT_EQ(first.banks.bank2, second.banks.bank2);
}

// Unreadable inputs fail with the file named, never compile as "absent".
TEST(CompileBanks, UnreadableFileFails) {
    const CompileResult r = compileBanksFromFiles(fixtureDir("worked_example"), QString());
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("worked_example"))) << r.error.toStdString();
}
