#include "core/comm/GeneralParameters.h"

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
TEST(GeneralParametersLoad, MissingFileGivesNewConfigurationValues) {
    TestFolder folder;
    const GeneralParametersLoad load =
        loadGeneralParameters(folder.file(QStringLiteral("ParGen.xml")));
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.value, GeneralParameters());
    EXPECT_EQ(load.value.deviceModel, 1);
    EXPECT_EQ(load.value.mbusBaud, 3);
    EXPECT_EQ(load.value.mbusParity, 1);
    EXPECT_EQ(load.value.modbusRs232, 1);
    EXPECT_EQ(load.value.modbusBaud, 7);
    EXPECT_EQ(load.value.modbusParity, 0);
    EXPECT_EQ(load.value.modbusTimeout, QStringLiteral("1000"));
    EXPECT_EQ(load.value.modbusCyclicDelay, QStringLiteral("100"));
    EXPECT_EQ(load.value.modbusProtocol, 0);
    EXPECT_EQ(load.value.ethernetIp4, QStringLiteral("10"));
    EXPECT_EQ(load.value.ethernetMask4, QStringLiteral("0"));
    EXPECT_EQ(load.value.ethernetGateway4, QStringLiteral("1"));
    EXPECT_FALSE(load.value.ethernetGatewayEnabled);
}

// Files edited by hand: a comment and a declaration before the root must not empty the
// configuration; order and indentation do not matter; missing elements take the defaults,
// except Select_Device, whose absence means the serial device.
TEST(GeneralParametersLoad, HandWrittenFileTakesDefaultsForMissingElements) {
    const GeneralParametersLoad load = loadGeneralParameters(fixture("hand_written.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    GeneralParameters expected;
    expected.deviceModel = 0;
    expected.mbusBaud = 5;
    expected.modbusBaud = 9; // outside the list: kept, the window shows no choice
    expected.modbusTimeout = QStringLiteral("2500");
    expected.ethernetGatewayEnabled = false; // "true" is not "1"
    EXPECT_EQ(load.value, expected);
}

// Only plain decimal integers count; everything else falls back to the new-configuration
// value (Select_Device included: a non-number means the Ethernet device).
TEST(GeneralParametersLoad, NonIntegerTextsTakeNewConfigurationValues) {
    const GeneralParametersLoad load = loadGeneralParameters(fixture("non_integers.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    GeneralParameters expected;
    expected.modbusTimeout = QStringLiteral("1000");
    EXPECT_EQ(load.value, expected);
}

// Mod_Ser is a flag: only the number 1 selects RS232, a non-number or no element counts as 1.
TEST(GeneralParametersLoad, ModSerIsOneOnlyForTheNumberOne) {
    const std::vector<std::pair<QByteArray, int>> rows = {
        {"<Mod_Ser>1</Mod_Ser>", 1},  {"<Mod_Ser>0</Mod_Ser>", 0},
        {"<Mod_Ser>2</Mod_Ser>", 0},  {"<Mod_Ser>-5</Mod_Ser>", 0},
        {"<Mod_Ser>+1</Mod_Ser>", 1}, {"<Mod_Ser>RS485</Mod_Ser>", 1},
        {"<Mod_Ser></Mod_Ser>", 1},   {"", 1},
    };
    TestFolder folder;
    for (const auto& [elements, expected] : rows) {
        const QString path = folder.write(QStringLiteral("ParGen.xml"), parGenWith(elements));
        EXPECT_EQ(loadGeneralParameters(path).value.modbusRs232, expected) << elements.constData();
    }
}

// Edit fields keep blanks, hexadecimal and markup characters exactly as typed.
TEST(GeneralParametersLoad, TextFieldsAreKeptAsTyped) {
    const GeneralParametersLoad load = loadGeneralParameters(fixture("serial_edited.xml"));
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    EXPECT_EQ(load.value.deviceModel, 0);
    EXPECT_EQ(load.value.mbusParity, -1);
    EXPECT_EQ(load.value.modbusRs232, 0);
    EXPECT_EQ(load.value.modbusTimeout, QStringLiteral("$FFFF"));
    EXPECT_EQ(load.value.modbusCyclicDelay, QStringLiteral(" 10"));
    EXPECT_EQ(load.value.ethernetIp1, QString());
    EXPECT_EQ(load.value.ethernetIp2, QStringLiteral(" "));
    EXPECT_EQ(load.value.ethernetIp3, QStringLiteral("a&b<c"));
    EXPECT_EQ(load.value.ethernetIp4, QStringLiteral("10.5"));
    EXPECT_TRUE(load.value.ethernetGatewayEnabled);
}

// A broken file fails with the parser's message and where; the file is left alone.
TEST(GeneralParametersLoad, NotWellFormedFailsWithLineAndColumn) {
    TestFolder folder;
    const QString path = folder.copyFixture(QStringLiteral("comm/broken.xml"), "ParGen.xml");
    const GeneralParametersLoad load = loadGeneralParameters(path);
    EXPECT_FALSE(load.ok());
    EXPECT_EQ(load.error,
              QStringLiteral("ParGen.xml: not well-formed (invalid token) at line 4, column 1"));
    EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")), readFixture("comm/broken.xml"));
}

// Files written by the system come back byte for byte after a load and a save.
TEST(ParGenSave, RoundTripReproducesSystemFiles) {
    for (const char* name : {"new_configuration.xml", "serial_edited.xml"}) {
        TestFolder folder;
        const GeneralParametersLoad load = loadGeneralParameters(fixture(name));
        ASSERT_TRUE(load.ok()) << name;
        const QString path = folder.file(QStringLiteral("ParGen.xml"));
        ASSERT_EQ(saveGeneralParameters(load.value, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")),
                  readFixture(QStringLiteral("comm/") + name))
            << name;
        ASSERT_EQ(saveGeneralParameters(loadGeneralParameters(path).value, path), QString());
        EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")),
                  readFixture(QStringLiteral("comm/") + name))
            << name;
    }
}

// A new configuration saved unchanged is exactly the documented file.
TEST(ParGenSave, NewConfigurationFile) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    ASSERT_EQ(saveGeneralParameters(GeneralParameters(), path), QString());
    EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")), readFixture("comm/new_configuration.xml"));
}

// A failed write reports the system's message instead of pretending success.
TEST(ParGenSave, UnwritableFolderReportsTheReason) {
    TestFolder folder;
    EXPECT_NE(saveGeneralParameters(GeneralParameters(),
                                    folder.file(QStringLiteral("missing/ParGen.xml"))),
              QString());
}

// Out-of-list positions (the window shows no choice) are written as -1, and -1 is read back.
TEST(ParGenSave, PositionOutsideTheListIsSavedAsMinusOne) {
    const int baudCount = int(ParGenLists::modbusBauds.size());
    EXPECT_EQ(positionForSave(baudCount, baudCount), -1);
    EXPECT_EQ(positionForSave(-3, baudCount), -1);
    EXPECT_EQ(positionForSave(0, baudCount), 0);
    EXPECT_EQ(positionForSave(baudCount - 1, baudCount), baudCount - 1);

    GeneralParameters record;
    record.modbusBaud = positionForSave(9, baudCount);
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    ASSERT_EQ(saveGeneralParameters(record, path), QString());
    EXPECT_TRUE(folder.read(QStringLiteral("ParGen.xml")).contains("<Mod_Baud>-1</Mod_Baud>"));
    const GeneralParametersLoad load = loadGeneralParameters(path);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.value.modbusBaud, -1);
}

// The update window's device: the main window reads it with its own defaults.
TEST(ReadSelectDevice, DefaultsAndFailure) {
    TestFolder folder;
    EXPECT_EQ(readDeviceModel(folder.file(QStringLiteral("none.xml"))).value, 1);
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
        const SelectDeviceRead read = readDeviceModel(path);
        EXPECT_EQ(read.ok(), row.ok) << row.content.constData();
        if (row.ok) {
            EXPECT_EQ(read.value, row.value) << row.content.constData();
        }
    }
}
