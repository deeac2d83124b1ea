#include "cli/Commands.h"

#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"
#include "mock/MbusTestMaster.h"
#include "mock/ModbusTestServer.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QString spaced(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

Variable coded(Variable v, int type, int scale) {
    v.dataType = type;
    v.scale = quint16(scale);
    return v;
}

class GatewayCommand : public testing::Test {
protected:
    void SetUp() override {
        config = folder.file(QStringLiteral("cfg"));
        QDir().mkpath(config);
        ASSERT_EQ(
            saveGeneralParameters(GeneralParameters(), config + QStringLiteral("/ParGen.xml")),
            QString());
        // Until the command installs its own handler an early interrupt is ignored, so a
        // master that gives up early cannot end the test program.
        previous = std::signal(SIGINT, SIG_IGN);
    }
    void TearDown() override { std::signal(SIGINT, previous); }

    void setNetwork(const Network& nodes) {
        ASSERT_EQ(saveNetwork(nodes, config + QStringLiteral("/M_Bus.xml")), QString());
    }

    // Runs the command while `master` talks to it on a thread of its own; the master's end
    // interrupts the command as Ctrl+C would.
    CapturedRun runWithMaster(QStringList args, const std::function<void(int port)>& master) {
        const int port = freeLoopbackPort();
        args << QStringLiteral("--mbus-tcp") << QStringLiteral("127.0.0.1:%1").arg(port)
             << QStringLiteral("--for") << QStringLiteral("40");
        std::thread thread([&] {
            master(port);
            std::raise(SIGINT);
        });
        const CapturedRun run = runCommand(Cli::gateway, QStringList{config} + args);
        thread.join();
        return run;
    }

    TestFolder folder;
    QString config;
    void (*previous)(int) = nullptr;
};

// The worked example (node 1, secondary address 12345678, one 32-bit energy record in Wh) with
// a typed value, read by a master on loopback.
TEST_F(GatewayCommand, AnswersAMasterWithTypedValues) {
    Node n = node(1, {coded(source(1, Holding, 0, 2, Dim32, 0, "Energy"), 0, 3)}, "Heat meter");
    n.secondary = 12345678;
    setNetwork({n});
    const QString values = folder.write(QStringLiteral("values.csv"), "Energy;12345\r\n");

    QByteArray ack, first, again, badChecksum;
    bool secondRefused = false;
    const CapturedRun run =
        runWithMaster({QStringLiteral("--values"), values, QStringLiteral("--hex")}, [&](int port) {
            const auto master = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(master);
            ack = master->transact(MbusTestMaster::sndNke(1));
            first = master->transact(MbusTestMaster::reqUd2(1, true));
            again = master->transact(MbusTestMaster::reqUd2(1, true));
            badChecksum = master->transact(hex("10 7B 01 7D 16"), 300);
            const auto second = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(second);
            secondRefused = second->closedByPeer();
            // The first master is still served.
            EXPECT_EQ(spaced(master->transact(MbusTestMaster::sndNke(1))), QStringLiteral("E5"));
        });
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(spaced(ack), QStringLiteral("E5"));
    EXPECT_EQ(spaced(first), spaced(hex("68 15 15 68 08 01 72 78 56 34 12 2D 4D 00 00 01 00 00 "
                                        "00 04 03 39 30 00 00 7A 16")));
    EXPECT_EQ(again, first);
    EXPECT_TRUE(badChecksum.isEmpty());
    EXPECT_TRUE(secondRefused);
    EXPECT_TRUE(run.out.contains(QStringLiteral(
        "REQ_UD2 to 1, FCB 1 -> RSP_UD: 1 record(s), 0 with errors  [10 7B 01 7C 16] -> [68 15")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Checksum error -> no answer")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("A second master from 127.0.0.1:")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Stopped\n")));
}

// libmodbus test slave -> gateway -> test master: a counter, a float with its words swapped, a
// BCD field and a source that fails, which goes out with its error and the header's status.
TEST_F(GatewayCommand, ServesLiveModbusValues) {
    auto server = ModbusTestServer::tcp();
    server->setHolding(10, {0x0001, 0x86A0}); // 100000
    server->setHolding(20, {0x0000, 0x3FC0}); // 1.5, low word first
    server->setHolding(30, {0x1234, 0x5678}); // BCD digits as they are
    Node n = node(5,
                  {coded(source(1, Holding, 10, 2, Dim32, 0, "Counter"), 0, 3),
                   coded(source(1, Holding, 20, 2, DimReal, 1, "Volume"), 2, 6),
                   coded(source(1, Holding, 30, 2, DimBcd8, 0, "Bcd"), 0, 3),
                   coded(source(ModbusTestServer::Failing, Holding, 0, 1, Dim16, 0, "Lost"), 0, 3)},
                  "Meter");
    n.secondary = 1005;
    setNetwork({n});

    QByteArray answer;
    const QByteArray expectedRecords = hex("04 03 A0 86 01 00  05 16 00 00 C0 3F  "
                                           "0C 03 78 56 34 12  02 83 15 00 00");
    const CapturedRun run = runWithMaster(
        {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(server->port()),
         QStringLiteral("--every"), QStringLiteral("0.2")},
        [&](int port) {
            const auto master = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(master);
            master->transact(MbusTestMaster::sndNke(5));
            // Until the first reading ends every record carries "no data".
            bool fcb = true;
            const QDeadlineTimer deadline(20000);
            while (!deadline.hasExpired()) {
                answer = master->transact(MbusTestMaster::reqUd2(5, fcb));
                fcb = !fcb;
                if (answer.size() > 21 && answer.mid(19, answer.size() - 21) == expectedRecords)
                    return;
                QThread::msleep(50);
            }
        });
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_GT(answer.size(), 21);
    EXPECT_EQ(spaced(answer.mid(19, answer.size() - 21)), spaced(expectedRecords));
    EXPECT_EQ(spaced(answer.mid(7, 4)), QStringLiteral("05 10 00 00")); // 00001005
    EXPECT_EQ(quint8(answer[16]), 0x02); // application error: one source failed
    EXPECT_TRUE(run.out.contains(QStringLiteral("readings of the Modbus sources")))
        << run.out.toStdString();
}

TEST_F(GatewayCommand, RefusesWrongArguments) {
    setNetwork({node(1, {source(1, Holding, 0, 1)})});
    const QString unknown = folder.write(QStringLiteral("v.csv"), "Nobody,1\n");
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{config}, "one of --mbus-tcp or --mbus-serial"},
        {{config, "--mbus-tcp", "127.0.0.1:1", "--mbus-serial", "/dev/null"},
         "one of --mbus-tcp or --mbus-serial"},
        {{config, "--mbus-tcp", "localhost:10001"}, "typed in digits"},
        {{config, "--mbus-tcp", "127.0.0.1"}, "typed in digits"},
        {{config, "--mbus-tcp", "127.0.0.1:0", "--every", "0"}, "--every needs"},
        {{config, "--mbus-tcp", "127.0.0.1:0", "--values", unknown}, "no enabled variable"},
        {{config, "--mbus-tcp", "127.0.0.1:0", "--values", unknown, "--tcp", "127.0.0.1"},
         "at most one of"},
        {{config, "--mbus-serial", folder.file(QStringLiteral("no-such-port"))}, "Cannot open"},
    };
    for (const Case& c : cases) {
        const CapturedRun run = runCommand(Cli::gateway, c.args);
        EXPECT_EQ(run.status, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
    }
}

} // namespace
