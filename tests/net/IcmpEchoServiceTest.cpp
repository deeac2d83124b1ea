// Real ICMP goes to 127.0.0.1 only. Everything else uses a fake ping program.
#include "net/IcmpEchoService.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using Method = IcmpEchoService::Method;
using Status = EchoOutcome::Status;

const QByteArray data("abcdefghijklmnopqrstuvwa");

std::string methodName(Method method) {
    switch (method) {
    case Method::Any:
        return "Any";
    case Method::Datagram:
        return "Datagram";
    case Method::Raw:
        return "Raw";
    case Method::PingProgram:
        return "PingProgram";
    }
    return "?";
}

class IcmpLoopback : public testing::TestWithParam<Method> {};

TEST_P(IcmpLoopback, LoopbackAnswersWithTheWholeData) {
    IcmpEchoService service(GetParam());
    const EchoOutcome outcome = service.echo(QStringLiteral("127.0.0.1"), data, 0, 400);
    if (outcome.status == Status::NotPermitted)
        GTEST_SKIP() << "not permitted for this user: " << outcome.detail.toStdString();
    EXPECT_EQ(outcome.status, Status::Reply) << outcome.detail.toStdString();
    EXPECT_EQ(outcome.bytesReceived, data.size());
}

TEST_P(IcmpLoopback, OnlyLiteralDottedQuadsAreUsed) {
    IcmpEchoService service(GetParam());
    // Lenient parsers take these; none may reach the network or DNS.
    for (const char* host :
         {"127.1", "0x7f.0.0.1", " 127.0.0.1", "127.0.0.1 ", "localhost", "127.0.0.256", ""}) {
        EXPECT_EQ(service.echo(QString::fromLatin1(host), data, 0, 400).status, Status::BadAddress)
            << host;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, IcmpLoopback,
                         testing::Values(Method::Any, Method::Datagram, Method::Raw,
                                         Method::PingProgram),
                         [](const testing::TestParamInfo<Method>& info) {
                             return methodName(info.param);
                         });

TEST(IcmpEchoService, AnyMethodWorksForRootOrThroughPing) {
    // On this machine kind root has raw sockets and /bin/ping has cap_net_raw, so one of the
    // ways must work; when it does not, the update would always say "check the address".
    if (IcmpEchoService::findPingProgram().isEmpty())
        GTEST_SKIP() << "no ping program installed";
    IcmpEchoService service;
    EXPECT_EQ(service.echo(QStringLiteral("127.0.0.1"), data, 0, 400).status, Status::Reply);
}

// The ping program's report decides the outcome; these fakes print what iputils prints.
struct ProgramCase {
    const char* why;
    const char* script;
    Status status;
    int bytes;
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.why;
}

class PingProgramReport : public testing::TestWithParam<ProgramCase> {};

TEST_P(PingProgramReport, Outcome) {
    const ProgramCase& c = GetParam();
    TestFolder folder;
    const QString program = folder.write(
        QStringLiteral("ping"), QByteArray("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname "
                                           "\"$0\")/args.txt\"\n") +
                                    c.script);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    IcmpEchoService service(Method::PingProgram, program);
    const EchoOutcome outcome = service.echo(QStringLiteral("127.0.0.1"), data, 0, 400);
    EXPECT_EQ(outcome.status, c.status) << outcome.detail.toStdString();
    EXPECT_EQ(outcome.bytesReceived, c.bytes);
    // Numeric only, one echo, the 400 ms wait in (fractional) seconds, the data's length.
    EXPECT_EQ(folder.read(QStringLiteral("args.txt")),
              QByteArray("-n\n-c\n1\n-W\n0.400\n-s\n24\n-p\n6162636465666768696a6b6c6d6e6f70\n"
                         "127.0.0.1\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Reports, PingProgramReport,
    testing::Values(
        // "bytes from" counts the 8-byte ICMP header.
        ProgramCase{"reply", "echo '32 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms'\n",
                    Status::Reply, 24},
        // A reply later than the wait is a time-out, whatever the program says.
        ProgramCase{"late reply", "echo '32 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=450 ms'\n",
                    Status::TimedOut, 0},
        ProgramCase{"no reply", "echo '1 packets transmitted, 0 received'; exit 1\n",
                    Status::TimedOut, 0},
        ProgramCase{"not permitted", "echo 'ping: socket: Operation not permitted' >&2; exit 2\n",
                    Status::NotPermitted, 0},
        // A program that hangs is cut off after the wait and a start-up margin.
        ProgramCase{"hangs", "exec sleep 5\n", Status::TimedOut, 0}),
    [](const testing::TestParamInfo<ProgramCase>& info) {
        std::string name = info.param.why;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

TEST(IcmpEchoService, OlderPingGetsTheWaitInWholeSeconds) {
    TestFolder folder;
    // Refuses a fractional wait, as iputils did before fractional -W was accepted.
    const QString program =
        folder.write(QStringLiteral("ping"),
                     "#!/bin/sh\n"
                     "printf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/args.txt\"\n"
                     "case \"$5\" in *.*) echo 'ping: bad linger time: '\"$5\" >&2; exit 2;; esac\n"
                     "echo '32 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms'\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    IcmpEchoService service(Method::PingProgram, program);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(service.echo(QStringLiteral("127.0.0.1"), data, 0, 400).status, Status::Reply);
    // One refused try, then whole seconds from then on.
    const QList<QByteArray> waits = [&] {
        QList<QByteArray> result;
        const QList<QByteArray> lines = folder.read(QStringLiteral("args.txt")).split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            if (lines[i] == "-W")
                result << lines[i + 1];
        return result;
    }();
    EXPECT_EQ(waits, (QList<QByteArray>{"0.400", "1", "1"}));
}

TEST(IcmpEchoService, MissingPingProgramIsNotPermitted) {
    IcmpEchoService service(Method::PingProgram, QStringLiteral("/nonexistent/ping"));
    EXPECT_EQ(service.echo(QStringLiteral("127.0.0.1"), data, 0, 400).status, Status::NotPermitted);
}

// Which received packets are the reply to our echo; built byte by byte as the kernel hands
// them over, so no privilege is needed.
constexpr quint32 Device = 0x0A00'0007;
constexpr quint32 Other = 0x0A00'0008;
const IcmpEchoService::SentEcho sent{Device, 0x1234, 7, data};

QByteArray icmp(quint8 type, quint16 identifier, quint16 sequence, const QByteArray& payload) {
    QByteArray packet(8, '\0');
    packet[0] = char(type);
    packet[4] = char(identifier >> 8);
    packet[5] = char(identifier & 0xFF);
    packet[6] = char(sequence >> 8);
    packet[7] = char(sequence & 0xFF);
    return packet + payload;
}

// An IPv4 header of `words` 32-bit words in front, as a raw socket delivers it.
QByteArray withIpHeader(const QByteArray& icmpPacket, int words = 5) {
    QByteArray header(words * 4, '\0');
    header[0] = char(0x40 | words);
    header[9] = 1; // ICMP
    return header + icmpPacket;
}

struct PacketCase {
    const char* why;
    bool raw;
    QByteArray packet;
    quint32 from;
    std::optional<int> length;
};

void PrintTo(const PacketCase& c, std::ostream* os) {
    *os << c.why;
}

class EchoReplyMatching : public testing::TestWithParam<PacketCase> {};

TEST_P(EchoReplyMatching, OnlyTheReplyToOurRequestCounts) {
    const PacketCase& c = GetParam();
    EXPECT_EQ(IcmpEchoService::replyLength(c.packet, c.from, sent, c.raw), c.length);
}

const QByteArray reply = icmp(0, 0x1234, 7, data);

INSTANTIATE_TEST_SUITE_P(
    Packets, EchoReplyMatching,
    testing::Values(
        PacketCase{"raw reply", true, withIpHeader(reply), Device, 24},
        PacketCase{"raw reply behind IP options", true, withIpHeader(reply, 6), Device, 24},
        PacketCase{"raw reply from another address", true, withIpHeader(reply), Other, {}},
        PacketCase{"raw reply with another identifier",
                   true,
                   withIpHeader(icmp(0, 0x1235, 7, data)),
                   Device,
                   {}},
        PacketCase{"raw reply with another sequence",
                   true,
                   withIpHeader(icmp(0, 0x1234, 8, data)),
                   Device,
                   {}},
        PacketCase{"our own request on a raw socket",
                   true,
                   withIpHeader(icmp(8, 0x1234, 7, data)),
                   Device,
                   {}},
        PacketCase{"raw reply without data counts no bytes", true,
                   withIpHeader(icmp(0, 0x1234, 7, {})), Device, 0},
        PacketCase{"raw packet shorter than its IP header says",
                   true,
                   withIpHeader(reply, 15).left(40),
                   Device,
                   {}},
        PacketCase{"raw packet with a header length below the minimum",
                   true,
                   withIpHeader(reply, 5).replace(0, 1, "\x44"),
                   Device,
                   {}},
        PacketCase{"raw packet cut inside the ICMP header",
                   true,
                   withIpHeader(reply).left(26),
                   Device,
                   {}},
        PacketCase{"datagram reply", false, reply, Device, 24},
        PacketCase{"datagram reply with the identifier the kernel chose", false,
                   icmp(0, 0x0001, 7, data), Device, 24},
        PacketCase{"datagram reply from another address", false, reply, Other, {}},
        PacketCase{
            "datagram reply with another sequence", false, icmp(0, 0x1234, 6, data), Device, {}},
        PacketCase{
            "datagram reply with other data", false, icmp(0, 0x1234, 7, "other data"), Device, {}},
        PacketCase{
            "datagram packet that is no echo reply", false, icmp(3, 0x1234, 7, data), Device, {}},
        PacketCase{"empty datagram", false, {}, Device, {}}),
    [](const testing::TestParamInfo<PacketCase>& info) {
        std::string name = info.param.why;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

} // namespace
