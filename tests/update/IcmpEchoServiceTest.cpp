// Real ICMP goes to 127.0.0.1 only. Everything else uses a fake ping program.
#include "platform/IcmpEchoService.h"
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

} // namespace
