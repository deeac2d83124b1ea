#include "core/comm/ParGen.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name) {
    return fixturePath(QStringLiteral("comm/") + QLatin1String(name));
}

QByteArray parGenWith(const QByteArray& elements) {
    return "<Par_Gen>" + elements + "</Par_Gen>";
}

} // namespace

// A configuration whose settings were never confirmed shows the new-configuration values.
TEST(ParGenLoad, MissingFileGivesNewConfigurationValues) {
    TestFolder folder;
    const ParGenLoad load = Load_Par_Gen(folder.file(QStringLiteral("ParGen.xml")));
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.value, Par_Gen());
    EXPECT_EQ(load.value.Select_Device, 1);
    EXPECT_EQ(load.value.Meter_Baud, 3);
    EXPECT_EQ(load.value.Meter_Par, 1);
    EXPECT_EQ(load.value.Mod_Ser, 1);
    EXPECT_EQ(load.value.Mod_Baud, 7);
    EXPECT_EQ(load.value.Mod_Par, 0);
    EXPECT_EQ(load.value.Mod_TO, QStringLiteral("1000"));
    EXPECT_EQ(load.value.Mod_CD, QStringLiteral("100"));
    EXPECT_EQ(load.value.Mod_Protocol, 0);
    EXPECT_EQ(load.value.Ethernet_IP4, QStringLiteral("10"));
    EXPECT_EQ(load.value.Ethernet_SM4, QStringLiteral("0"));
    EXPECT_EQ(load.value.Ethernet_GAT4, QStringLiteral("1"));
    EXPECT_FALSE(load.value.Ethernet_EN_GAT);
}

// Files edited by hand: a comment and a declaration before the root must not empty the
// configuration; order and indentation do not matter; missing elements take the defaults,
// except Select_Device, whose absence means the serial device.
TEST(ParGenLoad, HandWrittenFileTakesDefaultsForMissingElements) {
    const ParGenLoad load = Load_Par_Gen(fixture("hand_written.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    Par_Gen expected;
    expected.Select_Device = 0;
    expected.Meter_Baud = 5;
    expected.Mod_Baud = 9; // outside the list: kept, the window shows no choice
    expected.Mod_TO = QStringLiteral("2500");
    expected.Ethernet_EN_GAT = false; // "true" is not "1"
    EXPECT_EQ(load.value, expected);
}

// Only plain decimal integers count; everything else falls back to the new-configuration
// value (Select_Device included: a non-number means the Ethernet device).
TEST(ParGenLoad, NonIntegerTextsTakeNewConfigurationValues) {
    const ParGenLoad load = Load_Par_Gen(fixture("non_integers.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    Par_Gen expected;
    expected.Mod_TO = QStringLiteral("1000");
    EXPECT_EQ(load.value, expected);
}

// Mod_Ser is a flag: only the number 1 selects RS232, a non-number or no element counts as 1.
TEST(ParGenLoad, ModSerIsOneOnlyForTheNumberOne) {
    const std::vector<std::pair<QByteArray, int>> rows = {
        {"<Mod_Ser>1</Mod_Ser>", 1},  {"<Mod_Ser>0</Mod_Ser>", 0},
        {"<Mod_Ser>2</Mod_Ser>", 0},  {"<Mod_Ser>-5</Mod_Ser>", 0},
        {"<Mod_Ser>+1</Mod_Ser>", 1}, {"<Mod_Ser>RS485</Mod_Ser>", 1},
        {"<Mod_Ser></Mod_Ser>", 1},   {"", 1},
    };
    TestFolder folder;
    for (const auto& [elements, expected] : rows) {
        const QString path = folder.write(QStringLiteral("ParGen.xml"), parGenWith(elements));
        EXPECT_EQ(Load_Par_Gen(path).value.Mod_Ser, expected) << elements.constData();
    }
}

// Edit fields keep blanks, hexadecimal and markup characters exactly as typed.
TEST(ParGenLoad, TextFieldsAreKeptAsTyped) {
    const ParGenLoad load = Load_Par_Gen(fixture("serial_edited.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    EXPECT_EQ(load.value.Select_Device, 0);
    EXPECT_EQ(load.value.Meter_Par, -1);
    EXPECT_EQ(load.value.Mod_Ser, 0);
    EXPECT_EQ(load.value.Mod_TO, QStringLiteral("$FFFF"));
    EXPECT_EQ(load.value.Mod_CD, QStringLiteral(" 10"));
    EXPECT_EQ(load.value.Ethernet_IP1, QString());
    EXPECT_EQ(load.value.Ethernet_IP2, QStringLiteral(" "));
    EXPECT_EQ(load.value.Ethernet_IP3, QStringLiteral("a&b<c"));
    EXPECT_EQ(load.value.Ethernet_IP4, QStringLiteral("10.5"));
    EXPECT_TRUE(load.value.Ethernet_EN_GAT);
}

// A broken file fails with the parser's message and where; the file is left alone.
TEST(ParGenLoad, NotWellFormedFailsWithLineAndColumn) {
    TestFolder folder;
    const QString path = folder.copyFixture(QStringLiteral("comm/broken.xml"), "ParGen.xml");
    const ParGenLoad load = Load_Par_Gen(path);
    EXPECT_FALSE(load.ok());
    EXPECT_EQ(load.error,
              QStringLiteral("ParGen.xml: not well-formed (invalid token) at line 4, column 1"));
    EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")), readFixture("comm/broken.xml"));
}

// Files written by the system come back byte for byte after a load and a save.
TEST(ParGenSave, RoundTripReproducesSystemFiles) {
    for (const char* name : {"new_configuration.xml", "serial_edited.xml"}) {
        TestFolder folder;
        const ParGenLoad load = Load_Par_Gen(fixture(name));
        ASSERT_TRUE(load.ok()) << name;
        const QString path = folder.file(QStringLiteral("ParGen.xml"));
        ASSERT_EQ(Save_Par_Gen(load.value, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")),
                  readFixture(QStringLiteral("comm/") + name))
            << name;
        ASSERT_EQ(Save_Par_Gen(Load_Par_Gen(path).value, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")),
                  readFixture(QStringLiteral("comm/") + name))
            << name;
    }
}

// A new configuration saved unchanged is exactly the documented file.
TEST(ParGenSave, NewConfigurationFile) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    ASSERT_EQ(Save_Par_Gen(Par_Gen(), path), QString());
    EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")), readFixture("comm/new_configuration.xml"));
}

// A failed write reports the system's message instead of pretending success.
TEST(ParGenSave, UnwritableFolderReportsTheReason) {
    TestFolder folder;
    EXPECT_NE(Save_Par_Gen(Par_Gen(), folder.file(QStringLiteral("missing/ParGen.xml"))),
              QString());
}

// Out-of-list positions (the window shows no choice) are written as -1, and -1 is read back.
TEST(ParGenSave, PositionOutsideTheListIsSavedAsMinusOne) {
    const int baudCount = int(ParGenLists::Mod_Baud.size());
    EXPECT_EQ(positionForSave(baudCount, baudCount), -1);
    EXPECT_EQ(positionForSave(-3, baudCount), -1);
    EXPECT_EQ(positionForSave(0, baudCount), 0);
    EXPECT_EQ(positionForSave(baudCount - 1, baudCount), baudCount - 1);

    Par_Gen record;
    record.Mod_Baud = positionForSave(9, baudCount);
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    ASSERT_EQ(Save_Par_Gen(record, path), QString());
    EXPECT_TRUE(folder.read(QStringLiteral("ParGen.xml")).contains("<Mod_Baud>-1</Mod_Baud>"));
    const ParGenLoad load = Load_Par_Gen(path);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.value.Mod_Baud, -1);
}

// The update window's device: the main window reads it with its own defaults.
TEST(ReadSelectDevice, DefaultsAndFailure) {
    TestFolder folder;
    EXPECT_EQ(Read_Select_Device(folder.file(QStringLiteral("none.xml"))).value, 1);
    struct Row {
        QByteArray content;
        int value;
        bool ok;
    };
    const std::vector<Row> rows = {
        {parGenWith("<Select_Device>0</Select_Device>"), 0, true},
        {parGenWith("<Select_Device>1</Select_Device>"), 1, true},
        {parGenWith("<Select_Device>7</Select_Device>"), 7, true},
        {parGenWith("<Meter_Baud>3</Meter_Baud>"), 0, true},            // element missing
        {parGenWith("<Select_Device>serial</Select_Device>"), 1, true}, // not an integer
        {"<!-- c --><Par_Gen><Select_Device>0</Select_Device></Par_Gen>", 0, true},
        {"<Par_Gen><Select_Device>0</Select_Device>", 1, false}, // update must not start
    };
    for (const Row& row : rows) {
        const QString path = folder.write(QStringLiteral("ParGen.xml"), row.content);
        const SelectDeviceRead read = Read_Select_Device(path);
        EXPECT_EQ(read.ok(), row.ok) << row.content.constData();
        if (row.ok) {
            EXPECT_EQ(read.value, row.value) << row.content.constData();
        }
    }
}
