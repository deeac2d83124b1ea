#include "core/mbus/Link.h"

#include <QDeadlineTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace Mbus {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void fail(QString* why, int error) {
    if (why)
        *why = systemError(error);
}

speed_t speedOf(int baud) {
    switch (baud) {
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B0;
    }
}

// The slave side of a pseudo-terminal (UNIX 98 ptys have the majors 136 to 143).
bool isPseudoTerminal(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
           major(st.st_rdev) <= 143;
}

int waitMs(qint64 deadline) {
    const qint64 left = deadline - nowMs();
    return left <= 0 ? 0 : int(qMin<qint64>(left, 60000));
}

// A descriptor that reads and writes without blocking, waited on with poll.
class FdLink : public Link {
public:
    FdLink(int fd, int baud, int bits) : fd_(fd), baud_(baud), bits_(bits) {}
    ~FdLink() override { ::close(fd_); }

    bool write(const QByteArray& bytes, QString* why) override {
        // The bytes take their time on the wire; a second beyond that is plenty for a driver.
        const qint64 deadline =
            nowMs() + 1000 + qint64(bytes.size()) * bits_ * 1000 / qMax(baud_, 1);
        qsizetype done = 0;
        while (done < bytes.size()) {
            ssize_t n =
                ::send(fd_, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n < 0 && errno == ENOTSOCK)
                n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN) {
                fail(why, errno);
                return false;
            }
            pollfd p{fd_, POLLOUT, 0};
            if (nowMs() >= deadline || ::poll(&p, 1, waitMs(deadline)) == 0) {
                fail(why, ETIMEDOUT);
                return false;
            }
        }
        return true;
    }

    QByteArray read(qint64 deadline, bool* closed) override {
        if (closed)
            *closed = false;
        for (;;) {
            char buffer[512];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0)
                return QByteArray(buffer, int(n));
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || errno != EAGAIN) {
                // Closed by the peer, a terminal hung up, an adaptor unplugged (EIO).
                if (closed)
                    *closed = true;
                return {};
            }
            const int left = waitMs(deadline);
            if (left == 0)
                return {};
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, left);
            if (ready > 0 && !(p.revents & POLLIN) && (p.revents & (POLLHUP | POLLERR))) {
                if (closed)
                    *closed = true;
                return {};
            }
            if (ready < 0 && errno != EINTR)
                return {};
        }
    }

    void discardInput() override {
        char buffer[512];
        while (::read(fd_, buffer, sizeof buffer) > 0) {
        }
    }

    int baud() const override { return baud_; }
    int bitsPerCharacter() const override { return bits_; }

protected:
    int fd_;
    int baud_;
    int bits_;
};

class SerialLink : public FdLink {
public:
    SerialLink(int fd, const SerialLine& line, bool parityApplied)
        : FdLink(fd, line.baud, line.parity == 'N' ? 10 : 11),
          where_(QStringLiteral("%1 %2 8%3%4")
                     .arg(line.device)
                     .arg(line.baud)
                     .arg(QLatin1Char(line.parity))
                     .arg(1)) {
        if (!parityApplied)
            where_ += QStringLiteral(" (pseudo-terminal: no parity)");
    }
    void discardInput() override {
        ::tcflush(fd_, TCIFLUSH);
        FdLink::discardInput();
    }
    QString where() const override { return where_; }

private:
    QString where_;
};

class TcpLink : public FdLink {
public:
    TcpLink(int fd, const TcpLine& line, QString where)
        : FdLink(fd, line.baud, 11), extra_(line.extraWaitMs), where_(std::move(where)) {}
    int extraWaitMs() const override { return extra_; }
    QString where() const override { return where_; }

private:
    int extra_;
    QString where_;
};

QString unbracketed(const QString& host) {
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        return host.mid(1, host.size() - 2);
    return host;
}

} // namespace

qint64 nowMs() {
    return QDeadlineTimer::current().deadline();
}

bool isSerialBaud(int baud) {
    return speedOf(baud) != B0;
}

std::unique_ptr<Link> openSerial(const SerialLine& line, QString* why) {
    const speed_t speed = speedOf(line.baud);
    if (speed == B0 || (line.parity != 'N' && line.parity != 'E' && line.parity != 'O')) {
        fail(why, EINVAL);
        return nullptr;
    }
    const int fd =
        ::open(line.device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(why, errno);
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int error = errno;
        ::close(fd);
        fail(why, error);
        return nullptr;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (line.parity == 'E')
        tio.c_cflag |= PARENB;
    else if (line.parity == 'O')
        tio.c_cflag |= PARENB | PARODD;
    // Without a byte a read says EAGAIN at once, never 0, which is the end; waits are poll's.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    bool parityApplied = true;
    errno = 0;
    termios taken{};
    const bool set = ::tcsetattr(fd, TCSANOW, &tio) == 0 && ::tcgetattr(fd, &taken) == 0;
    if (!set || (line.parity != 'N' && !(taken.c_cflag & PARENB))) {
        const int error = errno ? errno : EINVAL;
        // A pseudo-terminal has no wire and refuses the parity; it carries the bytes all the same.
        tio.c_cflag &= ~(PARENB | PARODD);
        if (!isPseudoTerminal(fd) || ::tcsetattr(fd, TCSANOW, &tio) != 0) {
            ::close(fd);
            fail(why, error);
            return nullptr;
        }
        parityApplied = false;
    }
    ::tcflush(fd, TCIOFLUSH);
    return std::make_unique<SerialLink>(fd, line, parityApplied);
}

std::unique_ptr<Link> connectTcp(const TcpLine& line, QString* why) {
    const QByteArray host = unbracketed(line.host).toLatin1();
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* in = reinterpret_cast<sockaddr_in*>(&address);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (line.port <= 0 || line.port > 65535) {
        fail(why, EINVAL);
        return nullptr;
    }
    if (inet_pton(AF_INET, host.constData(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        in->sin_port = htons(quint16(line.port));
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, host.constData(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(quint16(line.port));
        length = sizeof(sockaddr_in6);
    } else {
        fail(why, EINVAL); // names are never resolved
        return nullptr;
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fail(why, errno);
        return nullptr;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        if (errno != EINPROGRESS) {
            const int error = errno;
            ::close(fd);
            fail(why, error);
            return nullptr;
        }
        const qint64 deadline = nowMs() + line.connectTimeoutMs;
        pollfd p{fd, POLLOUT, 0};
        int ready = 0;
        do
            ready = ::poll(&p, 1, waitMs(deadline));
        while (ready < 0 && errno == EINTR);
        int error = ETIMEDOUT;
        socklen_t size = sizeof error;
        if (ready > 0)
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            ::close(fd);
            fail(why, error);
            return nullptr;
        }
    }
    const QString where = address.ss_family == AF_INET6
                              ? QStringLiteral("[%1]:%2").arg(unbracketed(line.host)).arg(line.port)
                              : QStringLiteral("%1:%2").arg(line.host).arg(line.port);
    return std::make_unique<TcpLink>(fd, line, where);
}

bool splitHostPort(const QString& text, QString& host, int& port) {
    const int colon = int(text.lastIndexOf(QLatin1Char(':')));
    if (colon <= 0)
        return false;
    host = text.left(colon);
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        return false;
    bool ok = false;
    port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return false;
    const QByteArray h = unbracketed(host).toLatin1();
    in6_addr buffer;
    return inet_pton(AF_INET, h.constData(), &buffer) == 1 ||
           inet_pton(AF_INET6, h.constData(), &buffer) == 1;
}

} // namespace Mbus
