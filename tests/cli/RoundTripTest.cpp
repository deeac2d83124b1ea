#include "cli/Commands.h"
#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString field(const char* name, const QString& value) {
    return QString::fromLatin1(name).leftJustified(20) + value;
}

Variable variable(int type, int scale) {
    Variable v;
    v.enabled = true;
    v.dataType = type;
    v.scale = quint8(scale);
    v.modbusSlave = 1;
    v.modbusCount = 1;
    return v;
}

} // namespace

// What the editor and the settings window save comes out of the device images unchanged:
// a value lost or misplaced on the way would reach the meter readings.
TEST(RoundTrip, SavedConfigurationReadsBackFromTheImages) {
    Node first;
    first.primary = 17;
    first.secondary = 87654321;
    Variable power = variable(6, 5);
    power.function = 2;
    power.dimension = 6;
    power.unit = 4;
    power.storageNumber = 4000000000u;
    power.tariff = 12345;
    power.modbusSlave = 33;
    power.modbusType = 3;
    power.modbusRegister = 40001;
    power.modbusCount = 4;
    power.modbusSwap = 1;
    Variable off = variable(0, 0);
    off.enabled = false;
    off.modbusSlave = 99;
    Variable limit = variable(19, 6);
    limit.vife = 99;
    limit.dimension = 7;
    limit.length = 191;
    limit.function = 3;
    first.variables = {power, off, limit};
    Node second;
    second.primary = 250;
    second.secondary = 5;
    second.variables = {variable(20, 1)};

    GeneralParameters settings;
    settings.mbusBaud = 5;
    settings.mbusParity = 2;
    settings.modbusRs232 = 0;
    settings.modbusBaud = 4;
    settings.modbusParity = 1;
    settings.modbusTimeout = QStringLiteral("2500");
    settings.modbusCyclicDelay = QStringLiteral("250");
    settings.modbusProtocol = 4;
    settings.ethernetIp1 = QStringLiteral("10");
    settings.ethernetIp2 = QStringLiteral("1");
    settings.ethernetIp3 = QStringLiteral("2");
    settings.ethernetIp4 = QStringLiteral("3");
    settings.ethernetMask3 = QStringLiteral("0");
    settings.ethernetGateway1 = QStringLiteral("10");
    settings.ethernetGateway2 = QStringLiteral("1");
    settings.ethernetGateway4 = QStringLiteral("254");
    settings.ethernetGatewayEnabled = true;

    TestFolder folder;
    ASSERT_EQ(saveNetwork({first, second}, folder.file(QStringLiteral("M_Bus.xml"))), QString());
    ASSERT_EQ(saveGeneralParameters(settings, folder.file(QStringLiteral("ParGen.xml"))),
              QString());

    const CapturedRun compiled = runCommand(Cli::compile, {folder.path()});
    ASSERT_EQ(compiled.status, 0) << compiled.err.toStdString();
    const CapturedRun dumped =
        runCommand(Cli::dump, {folder.file(QStringLiteral("bin/bank.bin")),
                               folder.file(QStringLiteral("bin/bank2.bin"))});
    ASSERT_EQ(dumped.status, 0) << dumped.err.toStdString();
    const QString& out = dumped.out;

    const QStringList expected = {
        // the nodes
        "Nodes: 2, variables: 3", "primary address 17, secondary address 87654321",
        "primary address 250, secondary address 00000005",
        // the power record, every field
        field("type of data", "6 \"Power (W)\""), field("function field", "2 \"Maximum Value\""),
        field("dimension", "code 5 = position 6 \"32 Real\""), field("unit", "4"),
        field("storage number", "4000000000"), field("tariff", "12345"),
        field("record code", "46 = \"Power (W)\", scale 5 \"W * (10 ^ 2)\""),
        field("Modbus slave", "33"), field("Modbus type", "3 \"Input Register\""),
        field("Modbus register", "40001"), field("Modbus points", "4"),
        field("Modbus swap", "1 \"Type 1\""),
        // the VIFE-coded record
        field("function field", "3 \"Value During Error State\""),
        field("dimension", "code 13 = position 7 \"Variable Length\""), field("length", "191"),
        field("VIFE", "99 \"Date(/time) of begin/end of first/last lower/upper limit exceed\""),
        "scale 6 \"begin of last upper limit exceed\"",
        // the second node's record
        field("record code", "110 = \"Time Point\", scale 1 \"Time & Date\""),
        // the parameter section
        field("Modbus interface", "0 \"RS485\""), field("Modbus baud", "4 \"19200\""),
        field("Modbus parity", "1 \"EVEN\""), field("Modbus time-out", "2500 ms"),
        field("Modbus cyclic delay", "250 ms"), field("framing", "1 ASCII"),
        field("M-Bus baud", "5 \"9600\""), field("M-Bus parity", "2 \"ODD\""),
        field("node records", "2"), field("variable records", "3"),
        // the block
        "Modbus time-out 2500 ms", "Modbus cyclic delay 250 ms", "IP address 10.1.2.3",
        "subnet mask 255.255.0.0", "default gateway 10.1.0.254", "Modbus baud rate 19200 bit/s",
        "M-Bus baud rate 9600 bit/s", "Modbus parity 2 even", "M-Bus parity 1 odd",
        "framing 1 ASCII", "node records in bank.bin 2", "checksum stored", "holds"};
    for (const QString& text : expected)
        EXPECT_TRUE(out.contains(text)) << "missing: " << text.toStdString();
    EXPECT_FALSE(out.contains(field("Modbus slave", "99"))) << "a disabled variable is left out";
    EXPECT_FALSE(out.contains(QStringLiteral("PROBLEM"))) << out.toStdString();
}
