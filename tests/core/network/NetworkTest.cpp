#include "core/network/Network.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name) {
    return fixturePath(QStringLiteral("mbus/") + QLatin1String(name));
}

Variable editorDefaults() {
    Variable v;
    v.modbusSlave = 1;
    v.modbusRegister = 1;
    v.modbusCount = 1;
    return v;
}

} // namespace

// No file yet: the editor starts with an empty network.
TEST(NetworkLoad, MissingFileIsAnEmptyNetwork) {
    TestFolder folder;
    const NetworkLoad load = loadNetwork(folder.file(QStringLiteral("M_Bus.xml")));
    EXPECT_TRUE(load.ok());
    EXPECT_TRUE(load.nodes.isEmpty());
}

// The documented example node plus the extremes every field must carry through unchanged.
TEST(NetworkLoad, SystemFileLoadsEveryField) {
    const NetworkLoad load = loadNetwork(fixture("network.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    ASSERT_EQ(load.nodes.size(), 3);
    const Node& heat = load.nodes[0];
    EXPECT_EQ(heat.description, QStringLiteral("Heat meter"));
    EXPECT_EQ(heat.primary, 1);
    EXPECT_EQ(heat.secondary, 12345678);
    ASSERT_EQ(heat.variables.size(), 2);

    Variable energy;
    energy.enabled = true;
    energy.description = QStringLiteral("Energy");
    energy.dimension = 2;
    energy.scale = 3;
    energy.modbusSlave = 1;
    energy.modbusType = 2;
    energy.modbusRegister = 0;
    energy.modbusCount = 2;
    EXPECT_EQ(heat.variables[0], energy);

    const Variable& top = heat.variables[1];
    EXPECT_FALSE(top.enabled);
    EXPECT_EQ(top.description, QStringLiteral("Serial & <id> \"x\" \u00e8"));
    EXPECT_EQ(top.storageNumber, 4294967295u);
    EXPECT_EQ(top.tariff, 1048575);
    EXPECT_EQ(top.vife, 151);
    EXPECT_EQ(top.length, 191);
    EXPECT_EQ(top.scale, 255);
    EXPECT_EQ(top.modbusRegister, 65535);

    EXPECT_TRUE(load.nodes[1].variables.isEmpty());
    EXPECT_EQ(load.nodes[2].primary, -7); // outside the editor's range: kept as read
    EXPECT_EQ(load.nodes[2].variables[0].tariff, -1);
}

// Files edited or written elsewhere: names of elements play no part, comments are skipped,
// attribute names are exact, and every optional attribute falls back to the editor's value.
TEST(NetworkLoad, HandWrittenFileTakesEditorDefaults) {
    const NetworkLoad load = loadNetwork(fixture("hand_written.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    ASSERT_EQ(load.nodes.size(), 2);
    const Node& first = load.nodes[0];
    EXPECT_EQ(first.description, QStringLiteral("no ID"));
    EXPECT_EQ(first.primary, 0);
    EXPECT_EQ(first.secondary, 0);
    ASSERT_EQ(first.variables.size(), 2);

    Variable bare = editorDefaults(); // "enable" in lower case is not "Enable"
    bare.dataType = 21;
    EXPECT_EQ(first.variables[0], bare);

    Variable odd = editorDefaults();
    odd.description = QStringLiteral("odd");
    odd.dataType = 1; // "+1" is a decimal integer
    odd.function = 2;
    odd.dimension = 7;
    odd.vife = 44;    // low eight bits of 300
    odd.length = 255; // low eight bits of -1
    odd.scale = 0;    // low eight bits of 256
    odd.modbusCount = 3;
    odd.modbusSwap = 1; // "yes", "x", "0x10", "", "1.0", " 5" and 4294967296 all take defaults
    EXPECT_EQ(first.variables[1], odd);

    const Node& second = load.nodes[1];
    EXPECT_EQ(second.primary, 0); // does not fit 32 bits
    EXPECT_EQ(second.secondary, -1);
    EXPECT_EQ(second.description, QString());
}

// Failures carry what and where; a failed load hands back no network and changes no file.
TEST(NetworkLoad, FailuresNameTheirPlace) {
    const std::vector<std::pair<const char*, QString>> rows = {
        {"missing_fun_field.xml",
         QStringLiteral("M_Bus.xml: node 2, variable 2: attribute \"Fun_Field\" is missing or "
                        "not an integer")},
        {"text_type.xml", QStringLiteral("M_Bus.xml: node 1, variable 1: attribute \"Type\" is "
                                         "missing or not an integer")},
        {"broken.xml", QStringLiteral("M_Bus.xml: mismatched tag at line 4, column 3")},
        // A file that is not well-formed is refused as such, past a variable it cannot read.
        {"bad_variable_then_broken.xml",
         QStringLiteral("M_Bus.xml: mismatched tag at line 4, column 3")},
    };
    for (const auto& [name, message] : rows) {
        TestFolder folder;
        const QString path =
            folder.copyFixture(QStringLiteral("mbus/") + name, QStringLiteral("M_Bus.xml"));
        const NetworkLoad load = loadNetwork(path);
        EXPECT_EQ(load.error, message) << name;
        EXPECT_TRUE(load.nodes.isEmpty()) << name;
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")),
                  readFixture(QStringLiteral("mbus/") + name));
    }
}

// Saving what was loaded reproduces the system's file byte for byte, and is a fixed point.
TEST(NetworkSave, RoundTripReproducesSystemFiles) {
    for (const char* name : {"network.xml", "empty.xml"}) {
        TestFolder folder;
        const NetworkLoad load = loadNetwork(fixture(name));
        ASSERT_TRUE(load.ok()) << name;
        const QString path = folder.file(QStringLiteral("M_Bus.xml"));
        ASSERT_EQ(saveNetwork(load.nodes, path), QString());
        const QByteArray expected = readFixture(QStringLiteral("mbus/") + name);
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), expected) << name;
        ASSERT_EQ(saveNetwork(loadNetwork(path).nodes, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), expected) << name;
    }
}

// A hand-written file is normalised once; from then on load and save are a fixed point.
TEST(NetworkSave, NormalisedFileIsAFixedPoint) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    const Network network = loadNetwork(fixture("hand_written.xml")).nodes;
    ASSERT_EQ(saveNetwork(network, path), QString());
    const QByteArray first = folder.read(QStringLiteral("M_Bus.xml"));
    const NetworkLoad again = loadNetwork(path);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.nodes, network);
    ASSERT_EQ(saveNetwork(again.nodes, path), QString());
    EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), first);
}

TEST(NetworkSave, UnwritableFolderReportsTheReason) {
    TestFolder folder;
    EXPECT_NE(saveNetwork({}, folder.file(QStringLiteral("missing/M_Bus.xml"))), QString());
}
