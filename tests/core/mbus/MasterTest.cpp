#include "core/mbus/Master.h"

#include "mock/MbusTestSlave.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Mbus;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

QByteArray header(const char* id, quint8 access = 1) {
    return MbusTestSlave::longHeader(id, "TST", 1, 0x07, access);
}

MbusTestSlave::Slave meter(int address, const char* id,
                           const QList<QByteArray>& records = {hex("0413E8030000")}) {
    MbusTestSlave::Slave s;
    s.address = address;
    s.secondary = MbusTestSlave::identityOf(header(id));
    for (int i = 0; i < records.size(); ++i)
        s.frames << MbusTestSlave::rspUd(quint8(address), CiLongHeader,
                                         header(id, quint8(i + 1)) + records[i]);
    return s;
}

std::unique_ptr<Link> tcpTo(const MbusTestSlave& slave) {
    TcpLine line;
    line.host = QStringLiteral("127.0.0.1");
    line.port = slave.port();
    line.baud = 38400; // short wire times keep the silent waits of a test short
    QString why;
    std::unique_ptr<Link> link = connectTcp(line, &why);
    EXPECT_TRUE(link) << why.toStdString();
    return link;
}

// The C fields of the short frames the slaves received, with their address: "40@7 7B@7".
QString requestsOf(const MbusTestSlave& slave) {
    QStringList words;
    for (const QByteArray& r : slave.requests()) {
        const bool isShort = quint8(r[0]) == 0x10;
        const QString c =
            QStringLiteral("%1").arg(quint8(r[isShort ? 1 : 4]), 2, 16, QLatin1Char('0')).toUpper();
        words << QStringLiteral("%1@%2").arg(c).arg(quint8(r[isShort ? 2 : 5]));
    }
    return words.join(QLatin1Char(' '));
}

QStringList valuesOf(const Reading& r) {
    QStringList values;
    for (const Record& record : r.records)
        values << (record.number ? record.number->text() : record.text.value_or(record.error));
    return values;
}

// Loopback answers within a millisecond; the wait leaves room for a loaded machine.
Master::Options quick() {
    Master::Options o;
    o.answerTimeoutMs = 200;
    return o;
}

} // namespace

TEST(Master, AnswerTimeoutAndWireTimeFollowTheLine) {
    EXPECT_EQ(answerTimeoutMs(2400), 138 + 50); // 330 bit times + 50 ms
    EXPECT_EQ(answerTimeoutMs(300), 1100 + 50);
    EXPECT_EQ(answerTimeoutMs(9600), 35 + 50);
    EXPECT_EQ(wireMs(5, 2400, 11), 23);
    EXPECT_EQ(wireMs(261, 2400, 11), 1197);
    EXPECT_EQ(wireMs(1, 38400, 10), 1);
}

// SND_NKE first; then REQ_UD2 with FCB 1, toggled for every telegram while DIF 1F says more
// follow (catches a missing SND_NKE, an FCB that starts at 0 or never toggles, records lost
// between telegrams).
TEST(Master, ReadsEveryTelegramWithTheFrameCountBitToggled) {
    const auto slave = MbusTestSlave::tcp(
        {meter(7, "00000077",
               {hex("0413010000001F"), hex("0413020000001F"), hex("04130300000002FD1F0400")})});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link);
    const ReadResult r = master.readPrimary(7);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(requestsOf(*slave), QStringLiteral("40@7 7B@7 5B@7 7B@7"));
    EXPECT_EQ(r.reading.telegrams, 3);
    EXPECT_EQ(valuesOf(r.reading), (QStringList{"0.001", "0.002", "0.003", "4"}));
    EXPECT_EQ(r.reading.address, 7);
    EXPECT_EQ(r.reading.access, 3); // the last telegram's
    ASSERT_TRUE(r.reading.identity);
    EXPECT_EQ(r.reading.identity->id, QStringLiteral("00000077"));
}

// A USB level converter, played by a pseudo-terminal at 2400 8E1: the terminal refuses the
// parity, which has no meaning without a wire.
TEST(Master, ReadsOverAPseudoTerminal) {
    const auto slave = MbusTestSlave::pseudoTerminal({meter(1, "12345678")});
    ASSERT_TRUE(slave);
    QString why;
    const std::unique_ptr<Link> link = openSerial({slave->device(), 2400, 'E'}, &why);
    ASSERT_TRUE(link) << why.toStdString();
    EXPECT_TRUE(link->where().startsWith(slave->device() + QStringLiteral(" 2400 8E1")));
    Master master(*link);
    const ReadResult r = master.readPrimary(1);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(valuesOf(r.reading), QStringList{"1"});
    EXPECT_FALSE(openSerial({QStringLiteral("/nonexistent/tty"), 2400, 'E'}, &why));
    EXPECT_FALSE(openSerial({slave->device(), 1234, 'E'}, &why));
}

// Selection by identification with F digits, then REQ_UD2 to 253 and SND_NKE to 253 (catches a
// mask coded in the wrong byte order, a read of the wrong slave, a selection left standing).
TEST(Master, ReadsBySecondaryAddressWithWildcards) {
    const auto slave =
        MbusTestSlave::tcp({meter(-1, "12345678"), meter(-1, "12349999", {hex("041302000000")})});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());

    ReadResult r = master.readSecondary(QStringLiteral("1234567f"));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.reading.identity->id, QStringLiteral("12345678"));
    const QList<QByteArray> sent = slave->requests();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[0], longFrame(0x53, 253, 0x52, hex("7F563412 FFFF FF FF")));
    EXPECT_EQ(sent[1], shortFrame(0x7B, 253));
    EXPECT_EQ(sent[2], shortFrame(0x40, 253));

    r = master.readSecondary(QStringLiteral("12349999") +
                             QStringLiteral("74520107")); // "TST", 1, water
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(valuesOf(r.reading), QStringList{"0.002"});

    EXPECT_EQ(master.readSecondary(QStringLiteral("1234999900000000")).status,
              ReadResult::Status::NoAnswer);
    // Both match: their E5 overlap into one, their telegrams do not.
    EXPECT_EQ(master.readSecondary(QStringLiteral("1234FFFF")).status, ReadResult::Status::Garbled);
    EXPECT_EQ(master.readSecondary(QStringLiteral("1234")).status, ReadResult::Status::Refused);
}

TEST(Master, SecondaryMasks) {
    EXPECT_EQ(selectionData(QStringLiteral("12345678")), hex("78563412 FFFF FF FF"));
    EXPECT_EQ(selectionData(QStringLiteral("1F3FFFFF2D4D0107")), hex("FFFF3F1F 2D4D 01 07"));
    for (const char* bad : {"1234567", "1234567A", "12345678ZZ4D0107", "123456780"})
        EXPECT_FALSE(selectionData(QString::fromLatin1(bad))) << bad;
    Identity id;
    id.id = QStringLiteral("12345678");
    id.manufacturerCode = 0x4D2D;
    id.version = 1;
    id.medium = 7;
    EXPECT_TRUE(matchesMask(QStringLiteral("FFFFFFFF"), id));
    EXPECT_TRUE(matchesMask(QStringLiteral("1234567F"), id));
    EXPECT_TRUE(matchesMask(QStringLiteral("12345678FFFFFFFF"), id));
    EXPECT_TRUE(matchesMask(QStringLiteral("123456782D4DFF07"), id));
    EXPECT_FALSE(matchesMask(QStringLiteral("1234567F2D4D0207"), id));
    EXPECT_FALSE(matchesMask(QStringLiteral("22345678"), id));
}

// Every address once; a silent one is passed over, a garbled answer is named, each that
// acknowledges is read for its identity (catches a scan that stops at the first silence,
// retries silent addresses, or drops the last address).
TEST(Master, ScansPrimaryAddresses) {
    MbusTestSlave::Slave silent = meter(3, "00000003");
    silent.silent = true;
    MbusTestSlave::Slave noisy = meter(6, "00000006");
    noisy.garbage = hex("10 40 06 FF 16");
    const auto slave = MbusTestSlave::tcp(
        {meter(1, "00000001"), silent, meter(5, "00000005"), noisy, meter(250, "00000250")});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());
    QList<int> asked;
    ScanResult scan = master.scanPrimary(0, 8, [&](int a) { asked << a; });
    EXPECT_EQ(asked, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(scan.slaves.size(), 2);
    EXPECT_EQ(scan.slaves[0].address, 1);
    EXPECT_EQ(scan.slaves[0].identity->id, QStringLiteral("00000001"));
    EXPECT_EQ(scan.slaves[1].address, 5);
    ASSERT_EQ(scan.problems.size(), 1);
    EXPECT_EQ(scan.problems[0].where, QStringLiteral("6"));
    EXPECT_EQ(scan.problems[0].error, QStringLiteral("short frame: checksum FF where 46 is due"));
    // One SND_NKE per address, and REQ_UD2 only where E5 came.
    EXPECT_EQ(slave->requests().size(), 9 + 2);

    scan = master.scanPrimary(248, 260);
    ASSERT_EQ(scan.slaves.size(), 1);
    EXPECT_EQ(scan.slaves[0].address, 250);
}

// The tree search: a mask several slaves answer is narrowed one digit at a time, and slaves
// that even the whole identification cannot tell apart are named (catches a search that stops
// at the first collision or takes a collision for one slave).
TEST(Master, SearchesSecondaryAddressesThroughCollisions) {
    MbusTestSlave::Slave twin = meter(9, "55555555");
    twin.secondary[4] = char(0x01); // another manufacturer, the same identification
    const auto slave =
        MbusTestSlave::tcp({meter(2, "12345678"), meter(1, "12345679"), meter(4, "12345600"),
                            meter(3, "22000000"), meter(8, "55555555"), twin});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());
    const auto found = [](const ScanResult& scan) {
        QStringList words;
        for (const FoundSlave& s : scan.slaves)
            words << QStringLiteral("%1=%2").arg(s.address).arg(s.identity->id);
        return words;
    };
    QStringList masks;
    ScanResult scan =
        master.searchSecondary(QStringLiteral("123456FF"), [&](const QString& m) { masks << m; });
    EXPECT_EQ(found(scan), (QStringList{"1=12345679", "2=12345678", "4=12345600"}));
    EXPECT_TRUE(scan.problems.isEmpty());
    EXPECT_EQ(masks.size(), 1 + 10 + 10);
    EXPECT_TRUE(masks.contains(QStringLiteral("1234567FFFFFFFFF")));

    scan = master.searchSecondary(QStringLiteral("5555555F"));
    EXPECT_TRUE(scan.slaves.isEmpty());
    ASSERT_EQ(scan.problems.size(), 1);
    EXPECT_EQ(scan.problems[0].where, QStringLiteral("55555555FFFFFFFF"));
    EXPECT_EQ(scan.problems[0].error,
              QStringLiteral("several slaves answer and cannot be told apart"));

    // A mask that only one slave matches is read without narrowing.
    masks.clear();
    scan =
        master.searchSecondary(QStringLiteral("2FFFFFFF"), [&](const QString& m) { masks << m; });
    EXPECT_EQ(found(scan), QStringList{"3=22000000"});
    EXPECT_EQ(masks.size(), 1);
}

// With two slaves on the line the whole search narrows the first digit only.
TEST(Master, SearchesTheWholeLine) {
    const auto slave = MbusTestSlave::tcp({meter(2, "12345678"), meter(1, "22000000")});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());
    const ScanResult scan = master.searchSecondary();
    ASSERT_EQ(scan.slaves.size(), 2);
    EXPECT_EQ(scan.slaves[0].identity->id, QStringLiteral("22000000"));
    EXPECT_EQ(scan.slaves[1].identity->id, QStringLiteral("12345678"));
}

// A failed answer is asked for again, twice, and no more (catches a master that gives up at
// once or loops).
TEST(Master, RetriesAndThenSaysWhy) {
    MbusTestSlave::Slave noisy = meter(4, "00000004");
    noisy.garbage = hex("68 05 05 68 08 04 72 AA BB 00 16");
    MbusTestSlave::Slave stranger = meter(5, "00000005");
    stranger.frames = {MbusTestSlave::rspUd(9, CiLongHeader, header("00000005"))};
    MbusTestSlave::Slave hostile = meter(6, "00000006");
    hostile.frames = {MbusTestSlave::rspUd(
        6, CiLongHeader, header("00000006") + hex("84808080808080808080800013 00"))};
    const auto slave = MbusTestSlave::tcp({noisy, stranger, hostile});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());

    ReadResult r = master.readPrimary(2);
    EXPECT_EQ(r.status, ReadResult::Status::NoAnswer);
    EXPECT_EQ(requestsOf(*slave), QStringLiteral("40@2 40@2 40@2"));

    r = master.readPrimary(4);
    EXPECT_EQ(r.status, ReadResult::Status::Garbled);
    EXPECT_EQ(r.error, QStringLiteral("long frame: checksum 00 where E3 is due"));

    r = master.readPrimary(5);
    EXPECT_EQ(r.status, ReadResult::Status::Refused);
    EXPECT_EQ(r.error, QStringLiteral("the answer comes from address 9"));

    r = master.readPrimary(6);
    EXPECT_EQ(r.status, ReadResult::Status::Refused);
    EXPECT_EQ(r.error, QStringLiteral("record at byte 12: more than 10 DIFEs"));
    // SND_NKE once, then the same REQ_UD2 (same FCB) three times.
    EXPECT_TRUE(requestsOf(*slave).endsWith(QStringLiteral("40@6 7B@6 7B@6 7B@6")))
        << requestsOf(*slave).toStdString();

    EXPECT_EQ(master.readPrimary(251).status, ReadResult::Status::Refused);
}

// A slave that never names the last telegram is not read for ever.
TEST(Master, TelegramsAreBounded) {
    const auto slave = MbusTestSlave::tcp({meter(3, "00000003", {hex("0413010000001F")})});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master::Options o = quick();
    o.maxTelegrams = 5;
    Master master(*link, o);
    const ReadResult r = master.readPrimary(3);
    EXPECT_EQ(r.status, ReadResult::Status::Refused);
    EXPECT_EQ(r.error, QStringLiteral("more than 5 telegrams"));
}

// Every telegram and every selected answer must come from the slave asked (catches a reading
// that strings together two meters' records).
TEST(Master, AnswersFromAnotherSlaveAreRefused) {
    MbusTestSlave::Slave changeling = meter(3, "00000003", {hex("0413010000001F")});
    changeling.frames << MbusTestSlave::rspUd(3, CiLongHeader,
                                              header("00000004") + hex("041302000000"));
    MbusTestSlave::Slave impostor = meter(-1, "44444444");
    impostor.frames = {
        MbusTestSlave::rspUd(7, CiLongHeader, header("55555555") + hex("041301000000"))};
    const auto slave = MbusTestSlave::tcp({changeling, impostor});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    Master master(*link, quick());
    ReadResult r = master.readPrimary(3);
    EXPECT_EQ(r.status, ReadResult::Status::Refused);
    EXPECT_EQ(r.error, QStringLiteral("telegram 2 comes from 0000000474520107, telegram 1 from "
                                      "0000000374520107"));
    r = master.readSecondary(QStringLiteral("44444444"));
    EXPECT_EQ(r.status, ReadResult::Status::Refused);
    EXPECT_EQ(
        r.error,
        QStringLiteral("the answer comes from 5555555574520107, which does not match 44444444"));
}

// A slave whose bytes drip in at a tenth of the line's speed: the whole answer is bounded, not
// only the wait for each byte.
TEST(Master, AnAnswerThatDripsIsCutOff) {
    const auto slave = MbusTestSlave::tcp({meter(2, "00000002", {QByteArray(40, char(0x2F))})});
    ASSERT_TRUE(slave);
    slave->setBaud(240);
    TcpLine line{QStringLiteral("127.0.0.1"), slave->port(), 2400, 3000, 0};
    QString why;
    const std::unique_ptr<Link> link = connectTcp(line, &why);
    ASSERT_TRUE(link) << why.toStdString();
    Master::Options o;
    o.retries = 0;
    o.answerTimeoutMs = 1000;
    Master master(*link, o);
    const ReadResult r = master.readPrimary(2);
    EXPECT_EQ(r.status, ReadResult::Status::Garbled);
    EXPECT_TRUE(r.error.startsWith(QStringLiteral("the answer stopped after ")))
        << r.error.toStdString();
}

// The end of the connection is seen at the first request, not taken for a silent slave.
TEST(Master, SaysWhenTheLineGoesAway) {
    auto slave = MbusTestSlave::tcp({meter(1, "00000001")});
    ASSERT_TRUE(slave);
    const auto link = tcpTo(*slave);
    slave.reset();
    Master::Options once = quick();
    once.retries = 0;
    Master master(*link, once);
    EXPECT_EQ(master.readPrimary(1).status, ReadResult::Status::LinkLost);
    EXPECT_FALSE(master.scanPrimary(0, 3).linkLost.isEmpty());

    // A converter that ends its side of the connection and still takes what is sent.
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    ::getsockname(server, reinterpret_cast<sockaddr*>(&a), &size);
    QString why;
    const std::unique_ptr<Link> halfClosed =
        connectTcp({QStringLiteral("127.0.0.1"), ntohs(a.sin_port), 2400, 3000, 0}, &why);
    ASSERT_TRUE(halfClosed) << why.toStdString();
    const int peer = ::accept(server, nullptr, nullptr);
    ::shutdown(peer, SHUT_WR);
    Master ended(*halfClosed, once);
    EXPECT_EQ(ended.readPrimary(1).status, ReadResult::Status::LinkLost);
    ::close(peer);
    ::close(server);

    TcpLine refused{QStringLiteral("127.0.0.1"), 1, 2400, 3000, 0};
    EXPECT_FALSE(connectTcp(refused, &why));
    EXPECT_FALSE(why.isEmpty());
    TcpLine named{QStringLiteral("localhost"), 10001, 2400, 3000, 0};
    EXPECT_FALSE(connectTcp(named, &why)); // names are never resolved
}

namespace {

// A line whose input holds a late answer before the request is sent, and answers the request
// with the frame given.
class LateBytesLink : public Link {
public:
    QByteArray stale;
    QByteArray answer;
    bool write(const QByteArray&, QString*) override {
        written = true;
        return true;
    }
    QByteArray read(qint64, bool* closed) override {
        *closed = false;
        QByteArray bytes = stale + (written ? answer : QByteArray());
        stale.clear();
        written = false;
        return bytes;
    }
    void discardInput() override { stale.clear(); }
    int baud() const override { return 2400; }
    QString where() const override { return QStringLiteral("late"); }

private:
    bool written = false;
};

} // namespace

// What came before the request is not its answer: the tail of a collision or a slave that
// answered after the wait (catches a master that reads it as the next slave's answer).
TEST(Master, BytesBeforeTheRequestAreNotItsAnswer) {
    LateBytesLink link;
    link.stale = hex("E5");
    link.answer = MbusTestSlave::rspUd(4, CiLongHeader, header("00000004") + hex("0413E8030000"));
    Master master(link);
    const Answer a = master.exchange(shortFrame(0x7B, 4));
    EXPECT_EQ(a.outcome, Answer::Outcome::Answered) << a.error.toStdString();
    EXPECT_EQ(a.frame.kind, Frame::Kind::Long);
}

TEST(Master, HostPortIsALiteralAddress) {
    QString host;
    int port = 0;
    EXPECT_TRUE(splitHostPort(QStringLiteral("127.0.0.1:10001"), host, port));
    EXPECT_EQ(host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(port, 10001);
    EXPECT_TRUE(splitHostPort(QStringLiteral("[::1]:502"), host, port));
    EXPECT_EQ(host, QStringLiteral("[::1]"));
    for (const char* bad :
         {"localhost:1", "127.0.0.1", "127.0.0.1:0", "127.0.0.1:65536", "::1:5", "1.2.3:4"})
        EXPECT_FALSE(splitHostPort(QString::fromLatin1(bad), host, port)) << bad;
}
