#include "core/gateway/GatewayLink.h"

#include "core/comm/GeneralParameters.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace Gateway {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString unbracketed(const QString& host) {
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        return host.mid(1, host.size() - 2);
    return host;
}

QString peerText(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&a);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        return QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(ntohs(in->sin_port));
    }
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    return QStringLiteral("[%1]:%2").arg(QString::fromLatin1(text)).arg(ntohs(in6->sin6_port));
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

// Bytes taken from the master in one go; the rest waits for the next turn of the event loop,
// so a flood cannot hold the program.
constexpr int ReadChunk = 4096;
constexpr int ReadsPerTurn = 16;

void retire(QSocketNotifier*& notifier) {
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

} // namespace

MbusLine mbusLineOf(const GeneralParameters& parGen) {
    static constexpr int Rates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};
    MbusLine line;
    line.baud = parGen.mbusBaud >= 0 && parGen.mbusBaud < 8 ? Rates[parGen.mbusBaud] : 2400;
    line.parity = parGen.mbusParity == 1 ? 'E' : parGen.mbusParity == 2 ? 'O' : 'N';
    return line;
}

bool isLiteralAddress(const QString& host) {
    const QByteArray h = unbracketed(host).toLatin1();
    in6_addr buffer;
    return inet_pton(AF_INET, h.constData(), &buffer) == 1 ||
           inet_pton(AF_INET6, h.constData(), &buffer) == 1;
}

GatewayLink::GatewayLink(SlaveBus& bus, QObject* parent) : QObject(parent), bus_(bus) {
    clock_.start();
}

GatewayLink::~GatewayLink() {
    closeAll();
}

bool GatewayLink::listenTcp(const QString& host, int port, QString* why) {
    stop();
    const QByteArray h = unbracketed(host).toLatin1();
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* in = reinterpret_cast<sockaddr_in*>(&address);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (inet_pton(AF_INET, h.constData(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        in->sin_port = htons(quint16(port));
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, h.constData(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(quint16(port));
        length = sizeof(sockaddr_in6);
    } else {
        if (why)
            *why = systemError(EINVAL);
        return false;
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (why)
            *why = systemError(errno);
        return false;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 4) != 0) {
        const int error = errno;
        ::close(fd);
        if (why)
            *why = systemError(error);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    port_ = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                             : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    listenFd_ = fd;
    serial_ = false;
    where_ = address.ss_family == AF_INET6
                 ? QStringLiteral("[%1]:%2").arg(unbracketed(host)).arg(port_)
                 : QStringLiteral("%1:%2").arg(host).arg(port_);
    listenNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, &GatewayLink::accept);
    return true;
}

bool GatewayLink::openSerial(const QString& device, int baud, char parity, QString* why) {
    stop();
    const speed_t speed = speedOf(baud);
    if (speed == B0) {
        if (why)
            *why = systemError(EINVAL);
        return false;
    }
    const int fd =
        ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (why)
            *why = systemError(errno);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int error = errno;
        ::close(fd);
        if (why)
            *why = systemError(error);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (parity == 'E')
        tio.c_cflag |= PARENB;
    else if (parity == 'O')
        tio.c_cflag |= PARENB | PARODD;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int error = errno;
        ::close(fd);
        if (why)
            *why = systemError(error);
        return false;
    }
    serial_ = true;
    peerFd_ = fd;
    port_ = 0;
    where_ = QStringLiteral("%1 %2 8%3%4").arg(device).arg(baud).arg(QLatin1Char(parity)).arg(1);
    peer_ = device;
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &GatewayLink::readPeer);
    return true;
}

void GatewayLink::stop() {
    closeAll();
    where_.clear();
    port_ = 0;
}

void GatewayLink::closeAll() {
    retire(listenNotifier_);
    retire(readNotifier_);
    retire(writeNotifier_);
    if (peerFd_ >= 0)
        ::close(peerFd_);
    if (listenFd_ >= 0)
        ::close(listenFd_);
    peerFd_ = -1;
    listenFd_ = -1;
    output_.clear();
}

void GatewayLink::accept() {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&address), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    const QString peer = peerText(address);
    if (peerFd_ >= 0) {
        ::close(fd);
        emit masterRefused(peer);
        return;
    }
    peerFd_ = fd;
    peer_ = peer;
    reader_ = FrameReader();
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &GatewayLink::readPeer);
    emit masterConnected(peer);
}

void GatewayLink::dropPeer() {
    retire(readNotifier_);
    retire(writeNotifier_);
    output_.clear();
    if (peerFd_ >= 0)
        ::close(peerFd_);
    peerFd_ = -1;
    emit masterLeft(peer_);
}

void GatewayLink::readPeer() {
    for (int turn = 0; turn < ReadsPerTurn && peerFd_ >= 0; ++turn) {
        char buffer[ReadChunk];
        const ssize_t n = ::read(peerFd_, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            // A TCP master hung up; a serial port went away (an adaptor unplugged).
            const bool serial = serial_;
            dropPeer();
            if (serial)
                stop();
            return;
        }
        for (const FrameReader::Item& item :
             reader_.feed(QByteArray(buffer, int(n)), clock_.elapsed())) {
            Exchange e;
            switch (item.kind) {
            case FrameReader::Item::Kind::Frame:
                e = bus_.handle(item.frame);
                break;
            case FrameReader::Item::Kind::Garbage:
                e = SlaveBus::dropped(Exchange::Request::Garbage, item.raw);
                break;
            case FrameReader::Item::Kind::BadChecksum:
                e = SlaveBus::dropped(Exchange::Request::BadChecksum, item.raw);
                break;
            case FrameReader::Item::Kind::BadLength:
                e = SlaveBus::dropped(Exchange::Request::BadLength, item.raw);
                break;
            case FrameReader::Item::Kind::Incomplete:
                e = SlaveBus::dropped(Exchange::Request::Incomplete, item.raw);
                break;
            }
            if (!e.answer.isEmpty())
                send(e.answer);
            emit exchanged(e);
            if (peerFd_ < 0)
                return;
        }
    }
}

void GatewayLink::send(const QByteArray& bytes) {
    if (peerFd_ < 0)
        return;
    output_.append(bytes);
    writePeer();
    if (output_.size() > MaxPendingOutput) {
        dropPeer();
        return;
    }
}

void GatewayLink::writePeer() {
    while (!output_.isEmpty() && peerFd_ >= 0) {
        // A master that hangs up must not end the program with SIGPIPE; a serial port is no
        // socket and is written as a file.
        ssize_t n = ::send(peerFd_, output_.constData(), size_t(output_.size()), MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(peerFd_, output_.constData(), size_t(output_.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n <= 0) {
            dropPeer();
            return;
        }
        output_.remove(0, int(n));
    }
    if (output_.isEmpty()) {
        retire(writeNotifier_);
    } else if (!writeNotifier_) {
        writeNotifier_ = new QSocketNotifier(peerFd_, QSocketNotifier::Write, this);
        connect(writeNotifier_, &QSocketNotifier::activated, this, &GatewayLink::writePeer);
    }
}

} // namespace Gateway
