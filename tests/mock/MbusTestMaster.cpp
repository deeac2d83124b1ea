#include "mock/MbusTestMaster.h"

#include <QDeadlineTimer>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

quint8 sum(const QByteArray& bytes) {
    quint8 s = 0;
    for (const char b : bytes)
        s = quint8(s + quint8(b));
    return s;
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

} // namespace

std::unique_ptr<MbusTestMaster> MbusTestMaster::connectTcp(int port, int waitMs, int localPort) {
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (localPort != 0) {
            const sockaddr_in local = loopback(localPort);
            const int on = 1; // the last run's connection may still be closing on it
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
                localPort = 0; // taken: the next try lets the system pick
        }
        const sockaddr_in a = loopback(port);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
            return std::make_unique<MbusTestMaster>(fd);
        ::close(fd);
        QThread::msleep(20);
    }
    return nullptr;
}

MbusTestMaster::MbusTestMaster(int fd) : fd_(fd) {}

MbusTestMaster::~MbusTestMaster() {
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArray MbusTestMaster::sndNke(quint8 a) {
    return QByteArray::fromHex("1040") + char(a) + char(quint8(0x40 + a)) + char(0x16);
}

QByteArray MbusTestMaster::reqUd2(quint8 a, bool fcb) {
    const quint8 c = fcb ? 0x7B : 0x5B;
    return QByteArray(1, char(0x10)) + char(c) + char(a) + char(quint8(c + a)) + char(0x16);
}

QByteArray MbusTestMaster::select(const QByteArray& eight) {
    const QByteArray body = QByteArray::fromHex("53FD52") + eight;
    return QByteArray::fromHex("680B0B68") + body + char(sum(body)) + char(0x16);
}

void MbusTestMaster::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        // The gateway may hang up on a flooding master: that must fail the write, not the test
        // process (SIGPIPE). A pseudo-terminal is no socket and is written as a file.
        const char* from = bytes.constData() + done;
        const size_t size = size_t(bytes.size() - done);
        ssize_t n = ::send(fd_, from, size, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(fd_, from, size);
        if (n <= 0)
            return;
        done += n;
    }
}

bool MbusTestMaster::readExactly(QByteArray& into, int count, qint64 deadline) {
    while (count > 0) {
        const qint64 left = deadline - QDeadlineTimer::current().deadline();
        pollfd p{fd_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            return false;
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, size_t(qMin(count, int(sizeof buffer))));
        if (n <= 0)
            return false;
        into.append(buffer, int(n));
        count -= int(n);
    }
    return true;
}

QByteArray MbusTestMaster::readAnswer(int waitMs) {
    const qint64 deadline = QDeadlineTimer(waitMs).deadline();
    QByteArray a;
    if (!readExactly(a, 1, deadline))
        return a;
    if (quint8(a[0]) == 0x10)
        readExactly(a, 4, deadline);
    else if (quint8(a[0]) == 0x68 && readExactly(a, 3, deadline))
        readExactly(a, quint8(a[1]) + 2, deadline);
    return a;
}

bool MbusTestMaster::closedByPeer(int waitMs) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return false;
    char b;
    return ::read(fd_, &b, 1) == 0;
}

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}
