#include "net/IcmpEchoService.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <optional>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr int IcmpHeaderSize = 8;
constexpr quint8 EchoReply = 0;

quint16 field16(const char* p) {
    return quint16(quint8(p[0]) << 8 | quint8(p[1]));
}

EchoOutcome outcome(EchoOutcome::Status status, int bytes = 0, QString detail = {}) {
    return {status, bytes, std::move(detail)};
}

#ifdef Q_OS_LINUX

constexpr quint8 EchoRequest = 8;

// The address must be a literal dotted quad: inet_pton rejects "127.1", hex parts and blanks
// that lenient parsers accept, and never asks DNS.
bool parseAddress(const QString& host, in_addr& address) {
    const QByteArray text = host.toLatin1();
    return QString::fromLatin1(text) == host && inet_pton(AF_INET, text.constData(), &address) == 1;
}

quint16 checksum(const QByteArray& bytes) {
    quint32 sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        sum += quint32(quint8(bytes[i]) << 8 | quint8(bytes[i + 1]));
    if (bytes.size() % 2)
        sum += quint32(quint8(bytes.back()) << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

QByteArray echoRequest(quint16 identifier, quint16 sequence, const QByteArray& data) {
    QByteArray packet(IcmpHeaderSize, '\0');
    packet[0] = char(EchoRequest);
    packet[4] = char(identifier >> 8);
    packet[5] = char(identifier & 0xFF);
    packet[6] = char(sequence >> 8);
    packet[7] = char(sequence & 0xFF);
    packet += data;
    const quint16 sum = checksum(packet);
    packet[2] = char(sum >> 8);
    packet[3] = char(sum & 0xFF);
    return packet;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool notAvailable(int error) {
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT ||
           error == ESOCKTNOSUPPORT;
}

// One echo over an ICMP socket. `raw` sockets receive the IP header and every ICMP message of
// the host (our own request first, on loopback); datagram sockets only replies to this socket,
// with the identifier rewritten by the kernel.
std::optional<EchoOutcome> socketEcho(bool raw, const in_addr& address, const QByteArray& data,
                                      int sequence, int timeoutMs) {
    Socket socket(::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (socket.fd() < 0) {
        if (notAvailable(errno))
            return std::nullopt;
        return outcome(EchoOutcome::Status::NotPermitted, 0,
                       QString::fromLocal8Bit(strerror(errno)));
    }
    static quint16 counter = 0;
    const quint16 identifier = quint16((::getpid() & 0xFFFF) ^ ++counter);
    const quint16 seq = quint16(sequence);
    const QByteArray request = echoRequest(identifier, seq, data);

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = address;
    QElapsedTimer timer;
    timer.start();
    if (::sendto(socket.fd(), request.constData(), size_t(request.size()), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) // e.g. a broadcast address
            return outcome(EchoOutcome::Status::NotPermitted, 0,
                           QString::fromLocal8Bit(strerror(error)));
        // Unreachable network or host: the device is not found.
        return outcome(EchoOutcome::Status::TimedOut, 0, QString::fromLocal8Bit(strerror(error)));
    }

    char buffer[65536];
    for (;;) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            return outcome(EchoOutcome::Status::TimedOut);
        pollfd pfd{socket.fd(), POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return outcome(EchoOutcome::Status::TimedOut);
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(socket.fd(), buffer, sizeof buffer, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return outcome(EchoOutcome::Status::TimedOut, 0,
                           QString::fromLocal8Bit(strerror(errno)));
        }
        const std::optional<int> length = IcmpEchoService::replyLength(
            QByteArray::fromRawData(buffer, qsizetype(n)), from.sin_addr.s_addr,
            {address.s_addr, identifier, seq, data}, raw);
        if (length)
            return outcome(EchoOutcome::Status::Reply, *length);
    }
}

// The ping program sends its own data (a time stamp, then the pattern) of the same length;
// only the number of bytes of the reply is used, so that serves.
// Older pings take whole seconds only after -W; they are then given the wait rounded up, and
// a reply later than the wait is still a time-out (see the "time=" check below).
EchoOutcome programEcho(const QString& program, const QString& host, const QByteArray& data,
                        int timeoutMs, bool& fractionalWait) {
    const QString wait = fractionalWait ? QString::number(double(timeoutMs) / 1000.0, 'f', 3)
                                        : QString::number((timeoutMs + 999) / 1000);
    const QByteArray pattern = data.left(16).toHex();
    const QStringList arguments{QStringLiteral("-n"),
                                QStringLiteral("-c"),
                                QStringLiteral("1"),
                                QStringLiteral("-W"),
                                wait,
                                QStringLiteral("-s"),
                                QString::number(data.size()),
                                QStringLiteral("-p"),
                                QString::fromLatin1(pattern),
                                host};
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(1000))
        return outcome(EchoOutcome::Status::NotPermitted, 0, process.errorString());
    // Starting the program costs time of its own; the reply wait is enforced on its report.
    if (!process.waitForFinished(timeoutMs + 1000)) {
        process.kill();
        process.waitForFinished(1000);
        return outcome(EchoOutcome::Status::TimedOut);
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    static const QRegularExpression reply(
        QStringLiteral(R"((\d+) bytes from [^\n]*?time[=<]([0-9.]+) ms)"));
    const QRegularExpressionMatch match = reply.match(out);
    if (match.hasMatch()) {
        if (match.captured(2).toDouble() > timeoutMs)
            return outcome(EchoOutcome::Status::TimedOut);
        // The program counts the ICMP header in its "bytes from".
        return outcome(EchoOutcome::Status::Reply,
                       qMax(0, match.captured(1).toInt() - IcmpHeaderSize));
    }
    if (fractionalWait && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 2 &&
        (err.contains(QStringLiteral("linger")) || err.contains(QStringLiteral("-W")))) {
        fractionalWait = false;
        return programEcho(program, host, data, timeoutMs, fractionalWait);
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 2 &&
        (err.contains(QStringLiteral("not permitted")) || err.contains(QStringLiteral("denied")) ||
         err.contains(QStringLiteral("broadcast"))))
        return outcome(EchoOutcome::Status::NotPermitted, 0, err.trimmed());
    return outcome(EchoOutcome::Status::TimedOut, 0, err.trimmed());
}

#endif

} // namespace

std::optional<int> IcmpEchoService::replyLength(const QByteArray& packet, quint32 from,
                                                const SentEcho& sent, bool raw) {
    const char* icmp = packet.constData();
    qsizetype size = packet.size();
    if (raw) {
        if (size < 20)
            return std::nullopt;
        const int headerSize = (quint8(icmp[0]) & 0x0F) * 4;
        if (headerSize < 20 || size < headerSize)
            return std::nullopt;
        icmp += headerSize;
        size -= headerSize;
    }
    if (size < IcmpHeaderSize || quint8(icmp[0]) != EchoReply || from != sent.address ||
        field16(icmp + 6) != sent.sequence)
        return std::nullopt;
    if (raw && field16(icmp + 4) != sent.identifier)
        return std::nullopt;
    const QByteArray payload =
        QByteArray::fromRawData(icmp + IcmpHeaderSize, size - IcmpHeaderSize);
    if (!raw && payload != sent.data)
        return std::nullopt;
    return int(payload.size());
}

IcmpEchoService::IcmpEchoService(Method method, QString pingProgram)
    : method_(method), pingProgram_(std::move(pingProgram)) {}

QString IcmpEchoService::findPingProgram() {
    QString found = QStandardPaths::findExecutable(QStringLiteral("ping"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("ping"), {QStringLiteral("/bin"), QStringLiteral("/usr/bin")});
    return found;
}

EchoOutcome IcmpEchoService::echo(const QString& host, const QByteArray& data, int sequence,
                                  int timeoutMs) {
#ifdef Q_OS_LINUX
    in_addr address{};
    if (!parseAddress(host, address))
        return outcome(EchoOutcome::Status::BadAddress, 0,
                       QStringLiteral("not a dotted IPv4 address: %1").arg(host));
    if (method_ == Method::Any || method_ == Method::Datagram) {
        if (auto result = socketEcho(false, address, data, sequence, timeoutMs))
            return *result;
    }
    if (method_ == Method::Any || method_ == Method::Raw) {
        if (auto result = socketEcho(true, address, data, sequence, timeoutMs))
            return *result;
    }
    if (method_ == Method::Any || method_ == Method::PingProgram) {
        const QString program = pingProgram_.isEmpty() ? findPingProgram() : pingProgram_;
        if (!program.isEmpty() && QFileInfo(program).isExecutable())
            return programEcho(program, host, data, timeoutMs, fractionalWait_);
    }
    return outcome(EchoOutcome::Status::NotPermitted, 0,
                   QStringLiteral("no ICMP socket or ping program is available"));
#else
    Q_UNUSED(host);
    Q_UNUSED(data);
    Q_UNUSED(sequence);
    Q_UNUSED(timeoutMs);
    return outcome(EchoOutcome::Status::NotPermitted, 0,
                   QStringLiteral("ICMP echo is not implemented on this platform"));
#endif
}
