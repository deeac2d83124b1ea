#include "cli/Commands.h"

#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"
#include "mock/ModbusTestServer.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class ReadSourcesCommand : public testing::Test {
protected:
    void SetUp() override {
        config = folder.file(QStringLiteral("cfg"));
        QDir().mkpath(config);
        setProtocol(0);
        server = ModbusTestServer::tcp();
        server->setHolding(10, {0x0001, 0x0002});
    }
    void setProtocol(int protocol) {
        GeneralParameters p;
        p.modbusTimeout = QStringLiteral("150");
        p.modbusProtocol = protocol;
        ASSERT_EQ(saveGeneralParameters(p, config + QStringLiteral("/ParGen.xml")), QString());
    }
    void setNetwork(const Network& nodes) {
        ASSERT_EQ(saveNetwork(nodes, config + QStringLiteral("/M_Bus.xml")), QString());
    }
    QString tcp() const { return QStringLiteral("127.0.0.1:%1").arg(server->port()); }

    TestFolder folder;
    QString config;
    std::unique_ptr<ModbusTestServer> server;
};

TEST_F(ReadSourcesCommand, ReadsOverTcpOneLinePerVariable) {
    setNetwork({node(3,
                     {source(1, Holding, 10, 2, Dim32, 0, "Energy"),
                      source(ModbusTestServer::Silent, Holding, 0, 1, Dim16, 0, "Level")},
                     "Heat")});
    const CapturedRun run = runCommand(Cli::readSources, {config, QStringLiteral("--tcp"), tcp()});
    EXPECT_EQ(run.status, 1); // one source did not answer
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Node\tVariable\tSource\t")));
    EXPECT_EQ(lines[1],
              QStringLiteral(
                  "3 Heat\tEnergy\tID 1 \u00b7 Holding Register \u00b7 address 10 = register 11 "
                  "(40011) \u00b7 Number of Points 2\tOK\t0x0001 0x0002\t1"
                  "\t1\t65538\t131073\t9.18383e-41\t1.836724e-40\tS32 AB CD"
                  "\t65 538 \u00d7 10\u207b\u00b3 Wh = 65.538 Wh\t"));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("\tNo answer within 150 ms\t")));
    EXPECT_EQ(run.err, QStringLiteral("1 of 2 variables read with 2 requests\n"));
}

TEST_F(ReadSourcesCommand, JsonAndOverriddenTimeOut) {
    setNetwork({node(3, {source(1, Coil, 1, 2, 0, 0, "Alarm"),
                         source(ModbusTestServer::Silent, Holding, 0, 1)})});
    const CapturedRun run = runCommand(
        Cli::readSources, {config, QStringLiteral("--tcp"), tcp(), QStringLiteral("--json"),
                           QStringLiteral("--timeout"), QStringLiteral("60")});
    EXPECT_EQ(run.status, 1);
    const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("bits")].toArray(), (QJsonArray{1, 0}));
    // The protocol address beside the numbers manuals and poll tools use for it.
    EXPECT_EQ(array[0].toObject()[QStringLiteral("address")].toInt(), 1);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("register")].toInt(), 2);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("manualNumber")].toString(),
              QStringLiteral("00002"));
    EXPECT_EQ(array[1].toObject()[QStringLiteral("manualNumber")].toString(),
              QStringLiteral("40001"));
    EXPECT_EQ(array[1].toObject()[QStringLiteral("result")].toString(),
              QStringLiteral("No answer within 60 ms"));
}

TEST_F(ReadSourcesCommand, SerialOverAPseudoTerminal) {
    auto rtu = ModbusTestServer::rtu();
    setNetwork({node(1, {source(1, InputRegister, 5, 1)})});
    const CapturedRun run =
        runCommand(Cli::readSources,
                   {config, QStringLiteral("--serial"), rtu->devicePath(), QStringLiteral("--baud"),
                    QStringLiteral("9600"), QStringLiteral("--parity"), QStringLiteral("even")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("1 of 1 variables read with 1 requests\n"));
}

TEST_F(ReadSourcesCommand, RefusalsSayWhy) {
    setNetwork({node(1, {source(1, Holding, 0, 1)})});
    const QString missingPort = folder.file(QStringLiteral("ttyUSB4"));
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{}, "read-sources: give the configuration folder and one of --serial or --tcp\n"},
        {{config}, "read-sources: give the configuration folder and one of --serial or --tcp\n"},
        {{config, QStringLiteral("--tcp"), tcp(), QStringLiteral("--serial"), missingPort},
         "read-sources: give the configuration folder and one of --serial or --tcp\n"},
        {{config, QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:70000")},
         "read-sources: The address must be a host name or an IP address, with :port (1 to 65535) "
         "when it is not 502\n"},
        {{config, QStringLiteral("--tcp"), tcp(), QStringLiteral("--parity"),
          QStringLiteral("mark")},
         "read-sources: --parity is none, even or odd\n"},
        {{config, QStringLiteral("--tcp"), tcp(), QStringLiteral("--timeout"), QStringLiteral("0")},
         "read-sources: --timeout needs 1 to 65535 milliseconds\n"},
        {{folder.file(QStringLiteral("nowhere")), QStringLiteral("--tcp"), tcp()}, nullptr},
        {{config, QStringLiteral("--serial"), missingPort}, nullptr},
    };
    for (const auto& c : cases) {
        const CapturedRun run = runCommand(Cli::readSources, c.args);
        EXPECT_EQ(run.status, 2) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.out, QString());
        if (c.message) {
            EXPECT_TRUE(run.err.startsWith(QString::fromLatin1(c.message)))
                << run.err.toStdString();
        }
    }
    const CapturedRun missing =
        runCommand(Cli::readSources, {config, QStringLiteral("--serial"), missingPort});
    EXPECT_EQ(missing.err,
              QStringLiteral("read-sources: The serial port %1 cannot be opened: it does "
                             "not exist. Check that the adapter is plugged in and the "
                             "port name.\n")
                  .arg(missingPort));
    EXPECT_EQ(server->requests().size(), 0u);
}

TEST_F(ReadSourcesCommand, AnAsciiLineIsOnlyTestedOverTcp) {
    setProtocol(1);
    setNetwork({node(1, {source(1, Holding, 0, 1)})});
    const CapturedRun serial = runCommand(
        Cli::readSources, {config, QStringLiteral("--serial"), folder.file(QStringLiteral("tty"))});
    EXPECT_EQ(serial.status, 2);
    EXPECT_TRUE(serial.err.startsWith(
        QStringLiteral("read-sources: Only Modbus RTU and Modbus TCP can be tested.")));
    const CapturedRun tcpRun =
        runCommand(Cli::readSources, {config, QStringLiteral("--tcp"), tcp()});
    EXPECT_EQ(tcpRun.status, 0) << tcpRun.err.toStdString();
}

} // namespace

// A server whose queue is full never completes the connection: its own text, and --json still
// gives every variable, not read.
TEST_F(ReadSourcesCommand, AConnectionThatNeverCompletesStillGivesJson) {
    setNetwork({node(3, {source(1, Holding, 10, 2, Dim32, 0, "Energy")}, "Heat")});
    const int full = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(full, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(full, 0), 0);
    socklen_t size = sizeof address;
    ::getsockname(full, reinterpret_cast<sockaddr*>(&address), &size);
    int waiting[2];
    for (int& fd : waiting) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        (void)::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    const QString target = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    const CapturedRun run = runCommand(
        Cli::readSources, {config, QStringLiteral("--tcp"), target, QStringLiteral("--json")});
    for (const int fd : waiting)
        ::close(fd);
    ::close(full);
    if (run.err.contains(QStringLiteral("variables read")))
        GTEST_SKIP() << "this system completed the connection all the same";
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("read-sources: ") + target +
                           QStringLiteral(" did not complete the connection within 150 ms: no "
                                          "device answers at this address, or a firewall drops "
                                          "the request.\n"));
    const QJsonArray rows = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 1) << run.out.toStdString();
    EXPECT_EQ(rows[0].toObject()[QStringLiteral("outcome")].toString(), QStringLiteral("not-read"));
}
