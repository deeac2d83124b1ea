#include "core/sources/SourceRead.h"

#include "mock/ModbusTestServer.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <modbus.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Sources;
using Outcome = SourceResult::Outcome;

namespace {

// Short, so a silent slave costs little; loopback answers in microseconds.
constexpr int ShortTimeoutMs = 150;

Connection tcpTo(const ModbusTestServer& server, int timeoutMs = 2000) {
    Connection c;
    c.kind = Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = server.port();
    c.timeoutMs = timeoutMs;
    return c;
}

Connection rtuTo(const QString& device, int timeoutMs = 2000) {
    Connection c;
    c.kind = Connection::Kind::Serial;
    c.port = device;
    c.timeoutMs = timeoutMs;
    return c;
}

ReadRun readNetwork(const Network& network, const Connection& c) {
    return readSources(makeReadPlan(network), c);
}

TEST(SourceRead, EachTypeIsReadWithItsFunctionAndOnlyReadFunctionsAreSent) {
    auto server = ModbusTestServer::tcp();
    const ReadRun run =
        readNetwork({node(1, {source(1, Coil, 0, 4), source(1, InputStatus, 0, 4),
                              source(1, Holding, 7, 2), source(1, InputRegister, 8, 1)})},
                    tcpTo(*server));
    ASSERT_FALSE(run.openFailure.failed()) << run.openFailure.detail.toStdString();
    ASSERT_EQ(run.results.size(), 4);
    for (const SourceResult& r : run.results)
        EXPECT_EQ(r.outcome, Outcome::Read) << r.detail.toStdString();
    EXPECT_EQ(run.results[0].bits, (QList<quint8>{0, 1, 0, 1}));
    EXPECT_EQ(run.results[1].bits, (QList<quint8>{0, 0, 1, 1}));
    EXPECT_EQ(run.results[2].registers, (QList<quint16>{7, 8}));
    EXPECT_EQ(run.results[3].registers, (QList<quint16>{8}));
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(requests[size_t(i)].function, i + 1);
    EXPECT_EQ(run.requestsSent, 4);
}

TEST(SourceRead, OneSlavesSourcesAreReadInAsFewRequestsAsAllowed) {
    auto server = ModbusTestServer::tcp();
    server->setHolding(100, {0x4049, 0x0FDB});
    QList<Variable> sources;
    for (int i = 0; i < 10; ++i)
        sources.append(source(1, Holding, 100 + 2 * i, 2, DimReal));
    sources.append(source(2, Holding, 0, 125)); // another slave: a request of its own
    const ReadRun run = readNetwork({node(1, sources)}, tcpTo(*server));
    ASSERT_EQ(run.requestsSent, 2);
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].slave, 1);
    EXPECT_EQ(requests[0].address, 100);
    EXPECT_EQ(requests[0].count, 20);
    EXPECT_EQ(requests[1].slave, 2);
    EXPECT_EQ(requests[1].count, 125);
    // Each variable gets its own part of the answer.
    EXPECT_EQ(run.results[0].registers, (QList<quint16>{0x4049, 0x0FDB}));
    EXPECT_EQ(run.results[9].registers, (QList<quint16>{118, 119}));
    EXPECT_EQ(run.results[10].registers.size(), 125);
}

TEST(SourceRead, AnExceptionForAGroupIsAskedAgainPerVariable) {
    auto server = ModbusTestServer::tcp();
    // 295 and 312 are mapped; 305 lies in the hole the slave refuses.
    const ReadRun run =
        readNetwork({node(1, {source(1, Holding, 295, 2), source(1, Holding, 305, 1),
                              source(1, Holding, 312, 1)})},
                    tcpTo(*server));
    ASSERT_EQ(run.results.size(), 3);
    EXPECT_EQ(run.results[0].outcome, Outcome::Read);
    EXPECT_EQ(run.results[0].registers, (QList<quint16>{295, 296}));
    EXPECT_EQ(run.results[1].outcome, Outcome::Exception);
    EXPECT_EQ(run.results[1].exception, 2);
    EXPECT_EQ(run.results[2].registers, (QList<quint16>{312}));
    EXPECT_EQ(run.requestsSent, 4); // the group, then each of its three variables
    EXPECT_EQ(server->requests().size(), 4u);
}

TEST(SourceRead, ExceptionsOfTheSlaveAreKeptWithTheirCode) {
    auto server = ModbusTestServer::tcp();
    const ReadRun run = readNetwork(
        {node(1, {source(1, Holding, ModbusTestServer::HoldingCount - 1, 2),
                  source(1, Coil, 100, 1), source(ModbusTestServer::Failing, Holding, 0, 1)})},
        tcpTo(*server));
    EXPECT_EQ(run.results[0].outcome, Outcome::Exception); // the second register is past the table
    EXPECT_EQ(run.results[0].exception, 2);
    EXPECT_EQ(run.results[1].exception, 2);
    EXPECT_EQ(run.results[2].outcome, Outcome::Exception);
    EXPECT_EQ(run.results[2].exception, 4);
    EXPECT_EQ(run.results[2].detail, QString::fromLocal8Bit(modbus_strerror(EMBXSFAIL)));
}

TEST(SourceRead, ASilentSlaveCostsOneTimeOutPerRequestNotPerVariable) {
    auto server = ModbusTestServer::tcp();
    constexpr int Silent = ModbusTestServer::Silent;
    // Five variables in two requests (the last two lie beyond 125 registers of the first).
    const ReadRun run =
        readNetwork({node(1, {source(Silent, Holding, 0, 2), source(Silent, Holding, 2, 2),
                              source(Silent, Holding, 4, 2), source(Silent, Holding, 400, 2),
                              source(Silent, Holding, 402, 2), source(1, Holding, 0, 1)})},
                    tcpTo(*server, ShortTimeoutMs));
    EXPECT_EQ(server->requestsTo(Silent), 2);
    EXPECT_EQ(run.requestsSent, 3);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(run.results[i].outcome, Outcome::Timeout) << i;
    // The slave that answers is still read after the silent one.
    EXPECT_EQ(run.results[5].outcome, Outcome::Read);
}

TEST(SourceRead, CancelStopsBeforeTheNextRequest) {
    auto server = ModbusTestServer::tcp();
    QList<Variable> sources;
    for (int i = 0; i < 6; ++i)
        sources.append(source(1, Holding, 200 * i % 600, 1));
    const ReadPlan plan = makeReadPlan({node(1, sources)});
    ASSERT_GT(plan.requests.size(), 2);
    std::atomic_bool cancel{false};
    QList<int> seen;
    const ReadRun run = readSources(
        plan, tcpTo(*server),
        [&](int done, int total) {
            seen.append(done);
            EXPECT_EQ(total, plan.requests.size());
            cancel = true;
        },
        &cancel);
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.requestsSent, 1);
    EXPECT_EQ(seen, QList<int>{1});
    EXPECT_EQ(server->requests().size(), 1u);
    int notRead = 0;
    for (const SourceResult& r : run.results)
        notRead += r.outcome == Outcome::NotRead ? 1 : 0;
    EXPECT_EQ(notRead, int(run.results.size()) - int(plan.requests[0].variables.size()));
}

TEST(SourceRead, NothingListeningIsAConnectionFailure) {
    // A port that was just free on loopback.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(probe);
    Connection c;
    c.kind = Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = ntohs(address.sin_port);
    const ReadRun run = readNetwork({node(1, {source(1, Holding, 0, 1)})}, c);
    EXPECT_EQ(run.openFailure.kind, OpenFailure::Kind::Connect);
    EXPECT_EQ(run.openFailure.detail, QString::fromLocal8Bit(strerror(ECONNREFUSED)));
    EXPECT_EQ(run.requestsSent, 0);
    EXPECT_EQ(run.results[0].outcome, Outcome::NotRead);
}

TEST(SourceRead, InvalidSourcesAreNeverAskedFor) {
    auto server = ModbusTestServer::tcp();
    const ReadRun run =
        readNetwork({node(1, {source(0, Holding, 0, 1), source(1, 7, 0, 1)})}, tcpTo(*server));
    EXPECT_EQ(run.results[0].outcome, Outcome::Invalid);
    EXPECT_EQ(run.results[1].outcome, Outcome::Invalid);
    EXPECT_EQ(server->requests().size(), 0u);
}

TEST(SourceReadRtu, ReadsOverAPseudoTerminal) {
    auto server = ModbusTestServer::rtu();
    server->setInput(10, {0xFFFF, 0xFFFE});
    const ReadRun run =
        readNetwork({node(1, {source(1, InputRegister, 10, 2, Dim32), source(1, Coil, 3, 3)})},
                    rtuTo(server->devicePath()));
    ASSERT_FALSE(run.openFailure.failed()) << run.openFailure.detail.toStdString();
    EXPECT_EQ(run.results[0].registers, (QList<quint16>{0xFFFF, 0xFFFE}));
    EXPECT_EQ(run.results[1].bits, (QList<quint8>{1, 0, 1}));
    ASSERT_EQ(server->requests().size(), 2u);
    EXPECT_EQ(server->requests()[0].function, 1);
    EXPECT_EQ(server->requests()[1].function, 4);
}

TEST(SourceReadRtu, SilentSlaveAndBrokenAnswer) {
    auto server = ModbusTestServer::rtu();
    constexpr int Silent = ModbusTestServer::Silent;
    const ReadRun run =
        readNetwork({node(1, {source(Silent, Holding, 0, 1), source(Silent, Holding, 1, 1),
                              source(Silent, Holding, 2, 1),
                              source(1, Holding, ModbusTestServer::BrokenCrcRegister, 2),
                              source(1, Holding, 5, 1)})},
                    rtuTo(server->devicePath(), ShortTimeoutMs));
    EXPECT_EQ(server->requestsTo(Silent), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(run.results[i].outcome, Outcome::Timeout) << i;
    EXPECT_EQ(run.results[3].outcome, Outcome::CrcError);
    // The next answer is not mixed up with the broken one.
    EXPECT_EQ(run.results[4].outcome, Outcome::Read);
    EXPECT_EQ(run.results[4].registers, (QList<quint16>{5}));
}

TEST(SourceReadRtu, APortThatCannotBeOpenedSaysWhy) {
    TestFolder folder;
    const QString file = folder.write(QStringLiteral("not-a-port"), "x");
    const struct {
        QString port;
        OpenFailure::Kind kind;
    } cases[] = {
        {folder.file(QStringLiteral("ttyUSB7")), OpenFailure::Kind::Missing},
        {file, OpenFailure::Kind::NotSerial},
    };
    for (const auto& c : cases) {
        const ReadRun run = readNetwork({node(1, {source(1, Holding, 0, 1)})}, rtuTo(c.port));
        EXPECT_EQ(run.openFailure.kind, c.kind)
            << c.port.toStdString() << ": " << run.openFailure.detail.toStdString();
    }
    if (::getuid() != 0) {
        QFile::setPermissions(file, QFile::Permissions());
        const ReadRun run = readNetwork({node(1, {source(1, Holding, 0, 1)})}, rtuTo(file));
        EXPECT_EQ(run.openFailure.kind, OpenFailure::Kind::Permission);
    }
}

TEST(SourceRead, TheSystemsErrorNumbersOfAPortAreSortedIntoWhatToDo) {
    const struct {
        int error;
        OpenFailure::Kind kind;
    } cases[] = {
        {ENOENT, OpenFailure::Kind::Missing},    {ENODEV, OpenFailure::Kind::Missing},
        {EACCES, OpenFailure::Kind::Permission}, {EPERM, OpenFailure::Kind::Permission},
        {EBUSY, OpenFailure::Kind::Busy},        {ENOTTY, OpenFailure::Kind::NotSerial},
        {EIO, OpenFailure::Kind::Other},
    };
    for (const auto& c : cases) {
        const OpenFailure f = serialOpenFailure(c.error);
        EXPECT_EQ(f.kind, c.kind) << c.error;
        EXPECT_EQ(f.detail, QString::fromLocal8Bit(strerror(c.error)));
    }
}

} // namespace

// The progress counts the requests a failed group adds: every variable of the group is asked
// for again, and the count never runs past its total.
TEST(SourceRead, ProgressCountsTheVariablesOfAGroupAskedAgain) {
    auto server = ModbusTestServer::tcp();
    const ReadPlan plan =
        makeReadPlan({node(1, {source(1, Holding, 295, 2), source(1, Holding, 305, 1),
                               source(1, Holding, 312, 1)}),
                      node(2, {source(1, Holding, 600, 1)})});
    QList<std::pair<int, int>> seen;
    const ReadRun run = readSources(plan, tcpTo(*server), [&](int done, int total) {
        seen.append({done, total});
    });
    const int planned = int(plan.requests.size());
    ASSERT_EQ(planned, 2);
    EXPECT_EQ(seen, (QList<std::pair<int, int>>{{1, planned + 3},
                                                {2, planned + 3},
                                                {3, planned + 3},
                                                {4, planned + 3},
                                                {5, planned + 3}}));
    EXPECT_EQ(run.requestsSent, planned + 3);
}
