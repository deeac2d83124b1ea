#include "GatewayTestSupport.h"

#include "core/comm/GeneralParameters.h"
#include "core/gateway/GatewayLink.h"
#include "mock/MbusTestMaster.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <random>
#include <stdlib.h>
#include <thread>

using namespace Gateway;

namespace {

const QByteArray WorkedExampleAnswer =
    hex("68 15 15 68 08 01 72 78 56 34 12 2D 4D 00 00 01 00 00 00 04 03 39 30 00 00 7A 16");

SlaveBus workedExampleBus() {
    SlaveBus bus({mbusNode(1, 12345678, {mbusVariable(2)})});
    bus.setValues([](int, int) { return RecordValue::ofInteger(12345); });
    return bus;
}

// Runs the event loop until `master` (on its own thread) is done, 30 s at most.
void serve(const std::function<void()>& master) {
    std::atomic_bool done{false};
    std::thread thread([&] {
        master();
        done = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done)
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    thread.join();
}

TEST(GatewayLink, TheMbusLineOfTheConfiguration) {
    struct Case {
        int baud, parity, rate;
        char letter;
    };
    const Case cases[] = {{0, 0, 300, 'N'},
                          {3, 1, 2400, 'E'},
                          {7, 2, 38400, 'O'},
                          {9, 1, 2400, 'E'},
                          {-1, -1, 2400, 'N'}};
    for (const Case& c : cases) {
        GeneralParameters p;
        p.mbusBaud = c.baud;
        p.mbusParity = c.parity;
        EXPECT_EQ(mbusLineOf(p).baud, c.rate) << c.baud;
        EXPECT_EQ(mbusLineOf(p).parity, c.letter) << c.parity;
    }
}

// A USB M-Bus master adaptor, played by a pseudo-terminal.
TEST(GatewayLink, AnswersOnASerialPort) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));

    SlaveBus bus = workedExampleBus();
    GatewayLink link(bus);
    QString why;
    const MbusLine line = mbusLineOf(GeneralParameters());
    ASSERT_TRUE(link.openSerial(device, line.baud, line.parity, &why)) << why.toStdString();
    EXPECT_EQ(link.where(), device + QStringLiteral(" 2400 8E1"));
    QList<Exchange> seen;
    QObject::connect(&link, &GatewayLink::exchanged, [&](const Exchange& e) { seen.append(e); });

    MbusTestMaster adaptor(master);
    QByteArray ack, rsp;
    serve([&] {
        ack = adaptor.transact(MbusTestMaster::sndNke(1));
        rsp = adaptor.transact(MbusTestMaster::reqUd2(1, true));
    });
    EXPECT_EQ(spaced(ack), QStringLiteral("E5"));
    EXPECT_EQ(spaced(rsp), spaced(WorkedExampleAnswer));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].request, Exchange::Request::ReqUd2);

    QString missing;
    EXPECT_FALSE(link.openSerial(QStringLiteral("/nonexistent/tty"), 2400, 'E', &missing));
    EXPECT_FALSE(missing.isEmpty());
}

// A flood of noise, frames with wrong lengths and checksums, then a good request: the good
// request is answered. A master that asks without reading and hangs up leaves the line free for
// the next.
TEST(GatewayLink, FloodsAndMastersThatNeverReadLeaveItServing) {
    SlaveBus bus = workedExampleBus();
    GatewayLink link(bus);
    QString why;
    ASSERT_TRUE(link.listenTcp(QStringLiteral("127.0.0.1"), 0, &why)) << why.toStdString();
    EXPECT_TRUE(link.where().startsWith(QStringLiteral("127.0.0.1:")));
    int dropped = 0;
    QObject::connect(&link, &GatewayLink::exchanged, [&](const Exchange& e) {
        dropped += e.request == Exchange::Request::Garbage ||
                           e.request == Exchange::Request::BadLength ||
                           e.request == Exchange::Request::BadChecksum
                       ? 1
                       : 0;
    });
    const int port = link.port();
    QByteArray answer, nextAck;
    serve([&] {
        {
            auto flood = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(flood);
            std::mt19937 random(99);
            QByteArray noise(256 * 1024, '\0');
            for (char& b : noise)
                b = char(random() % 256);
            flood->send(noise);
            flood->send(hex("68 0B 0C 68 10 40 01 42 16"));
            answer = flood->transact(MbusTestMaster::reqUd2(1, true), 20000);
        }
        {
            // About 100 KB of answers pile up unread.
            auto greedy = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(greedy);
            QByteArray requests;
            for (int i = 0; i < 4000; ++i)
                requests += MbusTestMaster::reqUd2(1, i % 2);
            greedy->send(requests);
        }
        // And the next master is served again.
        // The line is free once the link has seen the hang-up; until then it refuses.
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && nextAck.isEmpty()) {
            auto next = MbusTestMaster::connectTcp(port);
            ASSERT_TRUE(next);
            nextAck = next->transact(MbusTestMaster::sndNke(1), 1000);
        }
    });
    ASSERT_GT(answer.size(), 20);
    EXPECT_EQ(answer.mid(7, 4), hex("78 56 34 12"));
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(spaced(nextAck), QStringLiteral("E5"));
}

TEST(GatewayLink, ListensOnLiteralAddressesOnly) {
    EXPECT_TRUE(isLiteralAddress(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(isLiteralAddress(QStringLiteral("::1")));
    EXPECT_TRUE(isLiteralAddress(QStringLiteral("[::1]")));
    EXPECT_FALSE(isLiteralAddress(QStringLiteral("localhost")));
    EXPECT_FALSE(isLiteralAddress(QStringLiteral("127.1")));
    EXPECT_FALSE(isLiteralAddress(QString()));
    SlaveBus bus = workedExampleBus();
    GatewayLink link(bus);
    QString why;
    EXPECT_FALSE(link.listenTcp(QStringLiteral("localhost"), 0, &why));
    EXPECT_FALSE(link.isActive());
}

} // namespace
