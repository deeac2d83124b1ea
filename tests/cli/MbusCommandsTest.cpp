#include "cli/Commands.h"

#include "mock/MbusTestSlave.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A heat meter: energy, power, a date now and stored, a record error and the maker's data;
// identification 12345678, "ABC", version 3, medium heat (outlet), access number 9, status 00.
MbusTestSlave::Slave heatMeter(int address) {
    const QByteArray header = MbusTestSlave::longHeader("12345678", "ABC", 3, 0x04, 9);
    MbusTestSlave::Slave s;
    s.address = address;
    s.secondary = MbusTestSlave::identityOf(header);
    s.frames = {MbusTestSlave::rspUd(quint8(address), 0x72,
                                     header + hex("0C 06 78563412"    // 12345678 kWh
                                                  "D4 52 2B 10000000" // maximum, storage 5...
                                                  "02 6C 1F35"        // 2024-05-31
                                                  "42 6C 1F35"        // the same, storage 1
                                                  "04 93 16 FFFFFFFF" // data overflow
                                                  "0F 0102"))};       // the maker's data
    return s;
}

MbusTestSlave::Slave waterMeter(int address, const char* id) {
    const QByteArray header = MbusTestSlave::longHeader(id, "WAT", 1, 0x07);
    MbusTestSlave::Slave s;
    s.address = address;
    s.secondary = MbusTestSlave::identityOf(header);
    s.frames = {MbusTestSlave::rspUd(quint8(address), 0x72, header + hex("0413E8030000"))};
    return s;
}

class MbusCommands : public testing::Test {
protected:
    void SetUp() override {
        slave = MbusTestSlave::tcp(
            {heatMeter(5), waterMeter(2, "22000000"), waterMeter(9, "99000000")});
        ASSERT_TRUE(slave);
    }
    QStringList tcp(QStringList more) const {
        // 38400 baud behind the converter keeps a silent address short.
        return QStringList{
                   QStringLiteral("--mbus-tcp"), QStringLiteral("127.0.0.1:%1").arg(slave->port()),
                   QStringLiteral("--baud"),     QStringLiteral("38400"),
                   QStringLiteral("--timeout"),  QStringLiteral("200")} +
               more;
    }
    std::unique_ptr<MbusTestSlave> slave;
};

} // namespace

// The keys and kinds of --json as the issue lists them (catches a value left as text, a date
// turned into a number, an error record given a value, the maker's part read as records).
TEST_F(MbusCommands, ReadGivesOneSlavesAnswerAsJson) {
    const CapturedRun run = runCommand(
        Cli::mbusRead,
        tcp({QStringLiteral("--address"), QStringLiteral("5"), QStringLiteral("--json")}));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o[QStringLiteral("address")].toInt(), 5);
    EXPECT_EQ(o[QStringLiteral("id")].toString(), QStringLiteral("12345678"));
    EXPECT_EQ(o[QStringLiteral("manufacturer")].toString(), QStringLiteral("ABC"));
    EXPECT_EQ(o[QStringLiteral("version")].toInt(), 3);
    EXPECT_EQ(o[QStringLiteral("medium")].toString(), QStringLiteral("heat (outlet)"));
    EXPECT_EQ(o[QStringLiteral("access")].toInt(), 9);
    EXPECT_EQ(o[QStringLiteral("status")].toInt(), 0);
    EXPECT_EQ(o[QStringLiteral("manufacturerData")].toString(), QStringLiteral("01 02"));
    const QJsonArray records = o[QStringLiteral("records")].toArray();
    ASSERT_EQ(records.size(), 5);
    const QJsonObject energy = records[0].toObject();
    EXPECT_EQ(energy[QStringLiteral("function")].toString(), QStringLiteral("instantaneous"));
    EXPECT_EQ(energy[QStringLiteral("quantity")].toString(), QStringLiteral("energy"));
    EXPECT_EQ(energy[QStringLiteral("unit")].toString(), QStringLiteral("Wh"));
    EXPECT_TRUE(energy[QStringLiteral("value")].isDouble());
    EXPECT_EQ(energy[QStringLiteral("value")].toDouble(), 12345678000.0);
    EXPECT_TRUE(energy[QStringLiteral("error")].isNull());
    const QJsonObject power = records[1].toObject();
    EXPECT_EQ(power[QStringLiteral("function")].toString(), QStringLiteral("maximum"));
    EXPECT_EQ(power[QStringLiteral("storage")].toInt(), 5);
    EXPECT_EQ(power[QStringLiteral("tariff")].toInt(), 1);
    EXPECT_EQ(power[QStringLiteral("subunit")].toInt(), 1);
    EXPECT_EQ(records[2].toObject()[QStringLiteral("value")].toString(),
              QStringLiteral("2024-05-31"));
    EXPECT_EQ(records[3].toObject()[QStringLiteral("storage")].toInt(), 1);
    const QJsonObject overflow = records[4].toObject();
    EXPECT_TRUE(overflow[QStringLiteral("value")].isNull());
    EXPECT_EQ(overflow[QStringLiteral("error")].toString(), QStringLiteral("data overflow"));
    // C locale: a decimal point, never a comma.
    EXPECT_FALSE(run.out.contains(QStringLiteral("12345678000,")));
}

TEST_F(MbusCommands, ReadInWordsAndBySecondaryAddress) {
    const CapturedRun run =
        runCommand(Cli::mbusRead, tcp({QStringLiteral("--secondary"), QStringLiteral("1234567F")}));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7) << run.out.toStdString();
    EXPECT_EQ(lines[0],
              QStringLiteral("M-Bus slave at address 5: identification 12345678, manufacturer ABC, "
                             "version 3, medium heat (outlet), access number 9, status 00"));
    EXPECT_EQ(lines[1], QStringLiteral("  1. instantaneous: energy = 12345678000 Wh"));
    EXPECT_EQ(lines[2],
              QStringLiteral("  2. maximum, storage 5, tariff 1, subunit 1: power = 16 W"));
    EXPECT_EQ(lines[3], QStringLiteral("  3. instantaneous: date = 2024-05-31"));
    EXPECT_EQ(lines[4], QStringLiteral("  4. instantaneous, storage 1: date = 2024-05-31"));
    EXPECT_EQ(lines[5], QStringLiteral("  5. instantaneous: volume = no value: data overflow"));
    EXPECT_EQ(lines[6], QStringLiteral("Manufacturer-specific data: 01 02"));
}

// Exit 1 when nothing answers, 2 for words that make no command and lines that cannot be
// reached; each says why on its own line.
TEST_F(MbusCommands, ReadSaysWhyNothingCame) {
    CapturedRun run =
        runCommand(Cli::mbusRead, tcp({QStringLiteral("--address"), QStringLiteral("7")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("mbus-read: No answer from M-Bus address 7.\n"));
    run =
        runCommand(Cli::mbusRead, tcp({QStringLiteral("--secondary"), QStringLiteral("99999999")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.err,
        QStringLiteral("mbus-read: No M-Bus slave answers to the secondary address 99999999.\n"));

    const struct {
        QStringList args;
        const char* why;
    } usage[] = {
        {{QStringLiteral("--address"), QStringLiteral("5")},
         "give one of --mbus-tcp or --mbus-serial"},
        {tcp({}), "give one of --address or --secondary"},
        {tcp({QStringLiteral("--address"), QStringLiteral("251")}),
         "--address needs a primary address from 0 to 250"},
        {tcp({QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("--secondary"),
              QStringLiteral("12345678")}),
         "give one of --address or --secondary"},
        {tcp({QStringLiteral("--secondary"), QStringLiteral("1234567")}),
         "--secondary needs 8 digits (F for any), optionally followed by manufacturer, version and "
         "medium in "
         "hexadecimal"},
        {tcp({QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("--parity"),
              QStringLiteral("even")}),
         "--parity is for --mbus-serial"},
        {tcp({QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("--baud"),
              QStringLiteral("1000")}),
         "--baud needs an M-Bus baud rate (300 to 38400)"},
        {tcp({QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("--frobnicate")}),
         "unexpected '--frobnicate'"},
    };
    for (const auto& u : usage) {
        run = runCommand(Cli::mbusRead, u.args);
        EXPECT_EQ(run.status, 2) << u.why;
        EXPECT_TRUE(
            run.err.startsWith(QStringLiteral("mbus-read: ") + QString::fromUtf8(u.why) + u'\n'))
            << run.err.toStdString();
    }

    run =
        runCommand(Cli::mbusRead, {QStringLiteral("--mbus-tcp"), QStringLiteral("localhost:10001"),
                                   QStringLiteral("--address"), QStringLiteral("1")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("IP address typed in digits")))
        << run.err.toStdString();
    run = runCommand(Cli::mbusRead, {QStringLiteral("--mbus-tcp"), QStringLiteral("127.0.0.1:1"),
                                     QStringLiteral("--address"), QStringLiteral("1")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("mbus-read: Cannot connect to 127.0.0.1:1: ")))
        << run.err.toStdString();
    run = runCommand(Cli::mbusRead,
                     {QStringLiteral("--mbus-serial"), QStringLiteral("/nonexistent/tty"),
                      QStringLiteral("--address"), QStringLiteral("1")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("mbus-read: Cannot open /nonexistent/tty: ")))
        << run.err.toStdString();
    TestFolder folder;
    run = runCommand(Cli::mbusRead,
                     tcp({QStringLiteral("--address"), QStringLiteral("5"),
                          QStringLiteral("--config"), folder.file(QStringLiteral("missing"))}));
    EXPECT_EQ(run.status, 2);
}

TEST_F(MbusCommands, ReadOverASerialPortAtTheLinesSettings) {
    const auto line = MbusTestSlave::pseudoTerminal({heatMeter(5)});
    ASSERT_TRUE(line);
    const CapturedRun run = runCommand(
        Cli::mbusRead, {QStringLiteral("--mbus-serial"), line->device(), QStringLiteral("--parity"),
                        QStringLiteral("odd"), QStringLiteral("--address"), QStringLiteral("5")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.startsWith(QStringLiteral("M-Bus slave at address 5: identification 12345678")));
}

// {"slaves": [...]} in address order, and the problems apart (catches a slave lost between two
// silent addresses, a list in the order found, a scan past its range).
TEST_F(MbusCommands, ScanListsTheSlavesInAddressOrder) {
    CapturedRun run = runCommand(
        Cli::mbusScan,
        tcp({QStringLiteral("--addresses"), QStringLiteral("0-9"), QStringLiteral("--json")}));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QJsonArray slaves = o[QStringLiteral("slaves")].toArray();
    ASSERT_EQ(slaves.size(), 3);
    const QJsonObject first = slaves[0].toObject();
    EXPECT_EQ(first[QStringLiteral("address")].toInt(), 2);
    EXPECT_EQ(first[QStringLiteral("id")].toString(), QStringLiteral("22000000"));
    EXPECT_EQ(first[QStringLiteral("manufacturer")].toString(), QStringLiteral("WAT"));
    EXPECT_EQ(first[QStringLiteral("medium")].toString(), QStringLiteral("water"));
    EXPECT_EQ(slaves[1].toObject()[QStringLiteral("address")].toInt(), 5);
    EXPECT_EQ(slaves[2].toObject()[QStringLiteral("address")].toInt(), 9);
    EXPECT_TRUE(o[QStringLiteral("problems")].toArray().isEmpty());

    run = runCommand(Cli::mbusScan, tcp({QStringLiteral("--secondary"), QStringLiteral("--json")}));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    slaves = QJsonDocument::fromJson(run.out.toUtf8()).object()[QStringLiteral("slaves")].toArray();
    ASSERT_EQ(slaves.size(), 3);
    EXPECT_EQ(slaves[0].toObject()[QStringLiteral("address")].toInt(), 2);
    EXPECT_EQ(slaves[2].toObject()[QStringLiteral("id")].toString(), QStringLiteral("99000000"));

    run = runCommand(Cli::mbusScan, tcp({QStringLiteral("--addresses"), QStringLiteral("10-12")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, QStringLiteral("M-Bus slaves found: 0\n"));
    run = runCommand(Cli::mbusScan, tcp({QStringLiteral("--addresses"), QStringLiteral("4-6")}));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              QStringLiteral("Address 5: identification 12345678, manufacturer ABC, version 3, "
                             "medium heat (outlet)\nM-Bus slaves found: 1\n"));

    for (const char* range : {"5-4", "0-251", "x", "3"}) {
        run = runCommand(Cli::mbusScan,
                         tcp({QStringLiteral("--addresses"), QString::fromLatin1(range)}));
        EXPECT_EQ(run.status, 2) << range;
    }
    run = runCommand(Cli::mbusScan, tcp({QStringLiteral("--secondary"), QStringLiteral("12")}));
    EXPECT_EQ(run.status, 2);
}
