// Modbus TCP peers on loopback that answer wrongly: another unit's answer, an answer dripped
// byte by byte, a server that never completes the connection, an exception code the protocol
// leaves unnamed. Each is served by a few lines of sockets, so the fault is exactly the one
// named.

#include "core/lang/LanguageTable.h"
#include "core/sources/SlaveScan.h"
#include "core/sources/SourceRead.h"
#include "core/sources/SourceTexts.h"
#include "support/SourceNetworks.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Sources;
using Outcome = SourceResult::Outcome;

namespace {

int listenOnLoopback(int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0)
        return -1;
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port));
    (void)::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// Answers every read of holding registers with register n = n, shaped by `shape`: it gets the
// request's header and the correct answer and returns the bytes to send and the pause between
// them.
class PeerServer {
public:
    struct Reply {
        QByteArray bytes;
        int pauseMs = 0; // between single bytes; 0 sends at once
    };
    using Shape = std::function<Reply(const QByteArray& request, const QByteArray& answer)>;

    explicit PeerServer(Shape shape) : shape_(std::move(shape)) {
        listen_ = listenOnLoopback(4, port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~PeerServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    int port() const { return port_; }

private:
    bool waitReadable(int fd) {
        while (!stop_) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void serve() {
        if (!waitReadable(listen_))
            return;
        const int client = ::accept(listen_, nullptr, nullptr);
        while (client >= 0 && waitReadable(client)) {
            uint8_t request[12];
            if (::recv(client, request, sizeof request, MSG_WAITALL) != ssize_t(sizeof request))
                break;
            const int address = request[8] << 8 | request[9];
            const int count = request[10] << 8 | request[11];
            QByteArray answer(reinterpret_cast<const char*>(request), 7);
            answer[5] = char(3 + 2 * count);
            answer.append(char(request[7])).append(char(2 * count));
            for (int i = 0; i < count; ++i)
                answer.append(char((address + i) >> 8)).append(char((address + i) & 0xFF));
            const Reply reply =
                shape_(QByteArray(reinterpret_cast<const char*>(request), 12), answer);
            for (qsizetype i = 0; i < reply.bytes.size() && !stop_;) {
                const qsizetype n = reply.pauseMs > 0 ? 1 : reply.bytes.size();
                if (::send(client, reply.bytes.constData() + i, size_t(n), MSG_NOSIGNAL) < 0)
                    break;
                i += n;
                for (int waited = 0; waited < reply.pauseMs && !stop_; waited += 10)
                    ::usleep(10000);
            }
        }
        if (client >= 0)
            ::close(client);
    }

    Shape shape_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic_bool stop_{false};
    std::thread thread_;
};

Connection tcp(int port, int timeoutMs) {
    Connection c;
    c.kind = Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = port;
    c.timeoutMs = timeoutMs;
    return c;
}

const Network FiveVariables = {
    node(1, {source(1, Holding, 0, 1), source(1, Holding, 1, 1), source(1, Holding, 2, 1),
             source(1, Holding, 3, 1), source(1, Holding, 4, 1)})};

} // namespace

// The answer is well formed but comes from another unit (a gateway that mixed up its lines):
// no variable counts as read.
TEST(HostilePeers, AnAnswerFromAnotherUnitIsAnError) {
    PeerServer server([](const QByteArray&, QByteArray answer) {
        answer[6] = char(7);
        return PeerServer::Reply{answer};
    });
    const ReadRun run = readSources(makeReadPlan(FiveVariables), tcp(server.port(), 2000));
    ASSERT_EQ(run.results.size(), 5);
    for (const SourceResult& r : run.results) {
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.detail, QStringLiteral("the answer came from unit 7, not from unit 1"));
        EXPECT_TRUE(r.registers.isEmpty());
    }
}

// The time-out bounds the whole answer: a slave that drips its bytes just inside any
// per-byte limit still ends the request at the time-out.
TEST(HostilePeers, ADrippingAnswerEndsAtTheTimeOut) {
    PeerServer server([](const QByteArray&, const QByteArray& answer) {
        return PeerServer::Reply{answer, 300}; // 11 bytes: over 3 s
    });
    const Network one = {node(1, {source(1, Holding, 0, 1)})};
    QElapsedTimer timer;
    timer.start();
    const ReadRun run = readSources(makeReadPlan(one), tcp(server.port(), 500));
    EXPECT_LT(timer.elapsed(), 2500);
    ASSERT_EQ(run.results.size(), 1);
    EXPECT_EQ(run.results[0].outcome, Outcome::Timeout);
}

// A scan keeps to the bound it showed: a slave that drips its answer holds the first id past
// it (11 bytes at 150 ms, each inside the 600 ms time-out), so the second id is not asked and
// says so. Id 2 must start by 1902 - 601 ms; the drip alone takes 10 × 150 ms.
TEST(HostilePeers, AScanKeepsToItsBound) {
    PeerServer server([](const QByteArray&, const QByteArray& answer) {
        return PeerServer::Reply{answer, 150};
    });
    const ScanRun run = scanSlaves(tcp(server.port(), 600), 1, 2);
    ASSERT_EQ(run.answers.size(), 2);
    EXPECT_NE(run.answers[0].kind, ScanAnswer::Kind::NotAsked);
    EXPECT_EQ(run.answers[1].kind, ScanAnswer::Kind::NotAsked);
    EXPECT_EQ(run.answers[1].id, 2);
}

// Every exception code is named, the ones the protocol leaves open too.
TEST(HostilePeers, EveryExceptionCodeHasAName) {
    PeerServer server([](const QByteArray& request, const QByteArray&) {
        QByteArray answer = request.left(7);
        answer[5] = char(3);
        answer.append(char(request[7] | 0x80)).append(char(0));
        return PeerServer::Reply{answer};
    });
    const Network one = {node(1, {source(1, Holding, 0, 1)})};
    const ReadRun run = readSources(makeReadPlan(one), tcp(server.port(), 2000));
    ASSERT_EQ(run.results.size(), 1);
    EXPECT_EQ(run.results[0].outcome, Outcome::Exception);
    EXPECT_EQ(run.results[0].exception, 0);
    EXPECT_EQ(run.results[0].detail, QStringLiteral("Exception 0"));
    for (const auto& [code, name] : {std::pair{2, "Illegal data address"},
                                     {9, "Exception 9"},
                                     {11, "Target device failed to respond"},
                                     {255, "Exception 255"}})
        EXPECT_EQ(exceptionName(code), QLatin1String(name));
}

// A server whose queue of connections is full never completes a new one: that is said in its
// own words, not as "Operation now in progress".
TEST(HostilePeers, AConnectionThatNeverCompletesHasItsOwnText) {
    int port = 0;
    const int full = listenOnLoopback(0, port);
    ASSERT_GE(full, 0);
    // Nobody accepts: these fill the queue.
    const int first = connectTo(port);
    const int second = connectTo(port);
    const Connection c = tcp(port, 300);
    const ReadRun run = readSources(makeReadPlan(FiveVariables), c);
    ::close(first);
    ::close(second);
    ::close(full);
    if (run.openFailure.kind == OpenFailure::Kind::None)
        GTEST_SKIP() << "this system completed the connection all the same";
    EXPECT_EQ(run.openFailure.kind, OpenFailure::Kind::NoAnswer);
    EXPECT_EQ(openFailureText(run.openFailure, c, LanguageTable()),
              QStringLiteral("127.0.0.1:%1 did not complete the connection within 300 ms: no "
                             "device answers at this address, or a firewall drops the request.")
                  .arg(port));
}
