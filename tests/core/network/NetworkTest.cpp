#include "core/network/Network.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name) {
    return fixturePath(QStringLiteral("mbus/") + QLatin1String(name));
}

TVariabile editorDefaults() {
    TVariabile v;
    v.Mod_ID = 1;
    v.Mod_NumReg = 1;
    v.Mod_NPoint = 1;
    return v;
}

} // namespace

// No file yet: the editor starts with an empty network.
TEST(NetworkLoad, MissingFileIsAnEmptyNetwork) {
    TestFolder folder;
    const NetworkLoad load = Load_Network(folder.file(QStringLiteral("M_Bus.xml")));
    EXPECT_TRUE(load.ok());
    EXPECT_TRUE(load.Nodi_List.isEmpty());
}

// The documented example node plus the extremes every field must carry through unchanged.
TEST(NetworkLoad, SystemFileLoadsEveryField) {
    const NetworkLoad load = Load_Network(fixture("network.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    ASSERT_EQ(load.Nodi_List.size(), 3);
    const TNodo& heat = load.Nodi_List[0];
    EXPECT_EQ(heat.Description, QStringLiteral("Heat meter"));
    EXPECT_EQ(heat.Node_Pri, 1);
    EXPECT_EQ(heat.Node_Sec, 12345678);
    ASSERT_EQ(heat.Var_List.size(), 2);

    TVariabile energy;
    energy.Enable = true;
    energy.Description = QStringLiteral("Energy");
    energy.Dimension = 2;
    energy.Scale = 3;
    energy.Mod_ID = 1;
    energy.Mod_ToD = 2;
    energy.Mod_NumReg = 0;
    energy.Mod_NPoint = 2;
    EXPECT_EQ(heat.Var_List[0], energy);

    const TVariabile& top = heat.Var_List[1];
    EXPECT_FALSE(top.Enable);
    EXPECT_EQ(top.Description, QStringLiteral("Serial & <id> \"x\" \u00e8"));
    EXPECT_EQ(top.Storage_Number, 4294967295u);
    EXPECT_EQ(top.Tariff, 1048575);
    EXPECT_EQ(top.VIFE, 151);
    EXPECT_EQ(top.Length, 191);
    EXPECT_EQ(top.Scale, 255);
    EXPECT_EQ(top.Mod_NumReg, 65535);

    EXPECT_TRUE(load.Nodi_List[1].Var_List.isEmpty());
    EXPECT_EQ(load.Nodi_List[2].Node_Pri, -7); // outside the editor's range: kept as read
    EXPECT_EQ(load.Nodi_List[2].Var_List[0].Tariff, -1);
}

// Files edited or written elsewhere: names of elements play no part, comments are skipped,
// attribute names are exact, and every optional attribute falls back to the editor's value.
TEST(NetworkLoad, HandWrittenFileTakesEditorDefaults) {
    const NetworkLoad load = Load_Network(fixture("hand_written.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    ASSERT_EQ(load.Nodi_List.size(), 2);
    const TNodo& first = load.Nodi_List[0];
    EXPECT_EQ(first.Description, QStringLiteral("no ID"));
    EXPECT_EQ(first.Node_Pri, 0);
    EXPECT_EQ(first.Node_Sec, 0);
    ASSERT_EQ(first.Var_List.size(), 2);

    TVariabile bare = editorDefaults(); // "enable" in lower case is not "Enable"
    bare.Type_Of_Data = 21;
    EXPECT_EQ(first.Var_List[0], bare);

    TVariabile odd = editorDefaults();
    odd.Description = QStringLiteral("odd");
    odd.Type_Of_Data = 1; // "+1" is a decimal integer
    odd.Function_Field = 2;
    odd.Dimension = 7;
    odd.VIFE = 44;    // low eight bits of 300
    odd.Length = 255; // low eight bits of -1
    odd.Scale = 0;    // low eight bits of 256
    odd.Mod_NPoint = 3;
    odd.Mod_Swap = 1; // "yes", "x", "0x10", "", "1.0", " 5" and 4294967296 all take defaults
    EXPECT_EQ(first.Var_List[1], odd);

    const TNodo& second = load.Nodi_List[1];
    EXPECT_EQ(second.Node_Pri, 0); // does not fit 32 bits
    EXPECT_EQ(second.Node_Sec, -1);
    EXPECT_EQ(second.Description, QString());
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
        const NetworkLoad load = Load_Network(path);
        EXPECT_EQ(load.error, message) << name;
        EXPECT_TRUE(load.Nodi_List.isEmpty()) << name;
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")),
                  readFixture(QStringLiteral("mbus/") + name));
    }
}

// Saving what was loaded reproduces the system's file byte for byte, and is a fixed point.
TEST(NetworkSave, RoundTripReproducesSystemFiles) {
    for (const char* name : {"network.xml", "empty.xml"}) {
        TestFolder folder;
        const NetworkLoad load = Load_Network(fixture(name));
        ASSERT_TRUE(load.ok()) << name;
        const QString path = folder.file(QStringLiteral("M_Bus.xml"));
        ASSERT_EQ(Save_Network(load.Nodi_List, path), QString());
        const QByteArray expected = readFixture(QStringLiteral("mbus/") + name);
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), expected) << name;
        ASSERT_EQ(Save_Network(Load_Network(path).Nodi_List, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), expected) << name;
    }
}

// A hand-written file is normalised once; from then on load and save are a fixed point.
TEST(NetworkSave, NormalisedFileIsAFixedPoint) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    const TNodi_List network = Load_Network(fixture("hand_written.xml")).Nodi_List;
    ASSERT_EQ(Save_Network(network, path), QString());
    const QByteArray first = folder.read(QStringLiteral("M_Bus.xml"));
    const NetworkLoad again = Load_Network(path);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.Nodi_List, network);
    ASSERT_EQ(Save_Network(again.Nodi_List, path), QString());
    EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), first);
}

TEST(NetworkSave, UnwritableFolderReportsTheReason) {
    TestFolder folder;
    EXPECT_NE(Save_Network({}, folder.file(QStringLiteral("missing/M_Bus.xml"))), QString());
}
