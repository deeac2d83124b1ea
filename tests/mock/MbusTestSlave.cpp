#include "mock/MbusTestSlave.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr quint8 SndNke = 0x40;
constexpr quint8 Selected = 253;

quint8 sum(const QByteArray& bytes, int from, int count) {
    quint8 s = 0;
    for (int i = from; i < from + count; ++i)
        s = quint8(s + quint8(bytes[i]));
    return s;
}

// One frame from the start of `input`: its size, 0 when more is needed, -1 when the first byte
// starts nothing good.
int frameSize(const QByteArray& input) {
    const quint8 first = quint8(input[0]);
    if (first == 0x10) {
        if (input.size() < 5)
            return 0;
        return quint8(input[4]) == 0x16 && sum(input, 1, 2) == quint8(input[3]) ? 5 : -1;
    }
    if (first != 0x68)
        return -1;
    if (input.size() < 4)
        return 0;
    const int l = quint8(input[1]);
    if (quint8(input[2]) != l || quint8(input[3]) != 0x68 || l < 3)
        return -1;
    if (input.size() < l + 6)
        return 0;
    return quint8(input[l + 5]) == 0x16 && sum(input, 4, l) == quint8(input[l + 4]) ? l + 6 : -1;
}

// A selection matches when every digit, and each of manufacturer, version and medium, is
// either equal or open (F, FFFF, FF).
bool matches(const QByteArray& mask, const QByteArray& own) {
    if (mask.size() != 8 || own.size() != 8)
        return false;
    for (int i = 0; i < 4; ++i)
        for (const int shift : {0, 4}) {
            const int m = (quint8(mask[i]) >> shift) & 0xF;
            if (m != 0xF && m != ((quint8(own[i]) >> shift) & 0xF))
                return false;
        }
    const bool anyMaker = quint8(mask[4]) == 0xFF && quint8(mask[5]) == 0xFF;
    if (!anyMaker && mask.mid(4, 2) != own.mid(4, 2))
        return false;
    for (const int i : {6, 7})
        if (quint8(mask[i]) != 0xFF && mask[i] != own[i])
            return false;
    return true;
}

QByteArray collide(const QList<QByteArray>& answers) {
    QByteArray line;
    for (const QByteArray& a : answers) {
        if (line.size() < a.size())
            line.append(QByteArray(a.size() - line.size(), char(0xFF)));
        for (int i = 0; i < a.size(); ++i)
            line[i] = char(quint8(line[i]) & quint8(a[i]));
    }
    return line;
}

void writeAll(int fd, const char* data, qsizetype size) {
    qsizetype done = 0;
    while (done < size) {
        ssize_t n = ::send(fd, data + done, size_t(size - done), MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(fd, data + done, size_t(size - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

} // namespace

QByteArray MbusTestSlave::rspUd(quint8 a, quint8 ci, const QByteArray& data) {
    const QByteArray body = QByteArray(1, char(0x08)) + char(a) + char(ci) + data;
    const int l = int(body.size());
    return QByteArray(1, char(0x68)) + char(l) + char(l) + char(0x68) + body +
           char(sum(body, 0, l)) + char(0x16);
}

QByteArray MbusTestSlave::longHeader(const char* id, const char* manufacturer, quint8 version,
                                     quint8 medium, quint8 access, quint8 status) {
    QByteArray h = QByteArray::fromHex(QByteArray(id));
    std::reverse(h.begin(), h.end()); // least significant byte first
    const quint16 m = quint16(((manufacturer[0] - 64) << 10) | ((manufacturer[1] - 64) << 5) |
                              (manufacturer[2] - 64));
    h += char(m & 0xFF);
    h += char(m >> 8);
    h += char(version);
    h += char(medium);
    h += char(access);
    h += char(status);
    h += QByteArray(2, '\0');
    return h;
}

std::unique_ptr<MbusTestSlave> MbusTestSlave::tcp(QList<Slave> slaves) {
    std::unique_ptr<MbusTestSlave> s(new MbusTestSlave);
    for (Slave& slave : slaves) {
        State state;
        state.slave = std::move(slave);
        s->slaves_.append(state);
    }
    s->listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s->listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(s->listenFd_, 4) != 0)
        return nullptr;
    socklen_t length = sizeof a;
    ::getsockname(s->listenFd_, reinterpret_cast<sockaddr*>(&a), &length);
    s->port_ = ntohs(a.sin_port);
    s->start();
    return s;
}

std::unique_ptr<MbusTestSlave> MbusTestSlave::pseudoTerminal(QList<Slave> slaves) {
    std::unique_ptr<MbusTestSlave> s(new MbusTestSlave);
    for (Slave& slave : slaves) {
        State state;
        state.slave = std::move(slave);
        s->slaves_.append(state);
    }
    s->ptyFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (s->ptyFd_ < 0 || ::grantpt(s->ptyFd_) != 0 || ::unlockpt(s->ptyFd_) != 0)
        return nullptr;
    s->device_ = QString::fromLocal8Bit(::ptsname(s->ptyFd_));
    // Held open so the terminal never hangs up between two masters, and raw so it never echoes
    // an answer back as a request.
    s->ptySlaveFd_ = ::open(s->device_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ::tcgetattr(s->ptySlaveFd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(s->ptySlaveFd_, TCSANOW, &tio);
    s->start();
    return s;
}

MbusTestSlave::~MbusTestSlave() {
    stop_ = true;
    if (wakeFds_[1] >= 0)
        (void)!::write(wakeFds_[1], "x", 1);
    if (thread_.joinable())
        thread_.join();
    for (const int fd : {listenFd_, ptyFd_, ptySlaveFd_, wakeFds_[0], wakeFds_[1]})
        if (fd >= 0)
            ::close(fd);
}

QList<QByteArray> MbusTestSlave::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void MbusTestSlave::start() {
    (void)!::pipe2(wakeFds_, O_CLOEXEC);
    thread_ = std::thread([this] { run(); });
}

void MbusTestSlave::run() {
    int client = -1;
    while (!stop_) {
        pollfd fds[3];
        int n = 0;
        fds[n++] = {wakeFds_[0], POLLIN, 0};
        const int peer = ptyFd_ >= 0 ? ptyFd_ : client;
        if (listenFd_ >= 0)
            fds[n++] = {listenFd_, POLLIN, 0};
        if (peer >= 0)
            fds[n++] = {peer, POLLIN, 0};
        if (::poll(fds, nfds_t(n), 200) <= 0)
            continue;
        if (fds[0].revents)
            break;
        if (listenFd_ >= 0 && fds[1].revents) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                if (client >= 0)
                    ::close(client);
                client = fd;
                input_.clear();
            }
            continue;
        }
        char buffer[512];
        const ssize_t got = ::read(peer, buffer, sizeof buffer);
        if (got > 0) {
            input_.append(buffer, int(got));
            serve(peer);
        } else if (peer == client && (got == 0 || errno != EAGAIN)) {
            ::close(client);
            client = -1;
        }
    }
    if (client >= 0)
        ::close(client);
}

void MbusTestSlave::serve(int fd) {
    while (!input_.isEmpty()) {
        const int size = frameSize(input_);
        if (size == 0)
            return;
        if (size < 0) {
            input_.remove(0, 1);
            continue;
        }
        const QByteArray frame = input_.left(size);
        input_.remove(0, size);
        {
            std::lock_guard lock(mutex_);
            requests_.append(frame);
        }
        handle(frame, fd);
    }
}

QByteArray MbusTestSlave::answerReqUd2(State& s, quint8 c) {
    if (s.slave.frames.isEmpty())
        return {};
    const bool fcv = c & 0x10;
    const bool fcb = c & 0x20;
    if (fcv && fcb == s.fcb && !s.last.isEmpty())
        return s.last; // the same FCB: the last answer again
    if (fcv && fcb != s.fcb && !s.last.isEmpty())
        s.next = (s.next + 1) % int(s.slave.frames.size());
    if (fcv)
        s.fcb = fcb;
    s.last = s.slave.frames[s.next];
    return s.last;
}

void MbusTestSlave::handle(const QByteArray& frame, int fd) {
    const bool isShort = quint8(frame[0]) == 0x10;
    const quint8 c = quint8(frame[isShort ? 1 : 4]);
    const quint8 a = quint8(frame[isShort ? 2 : 5]);
    QList<QByteArray> answers;
    for (State& s : slaves_) {
        const bool addressed = (s.slave.address >= 0 && a == s.slave.address) ||
                               (a == Selected && s.selected) || a == 254;
        QByteArray answer;
        if (isShort && c == SndNke) {
            if (!addressed)
                continue;
            s.fcb = false;
            s.next = 0;
            s.last.clear();
            if (a == Selected)
                s.selected = false;
            answer = QByteArray(1, char(0xE5));
        } else if (isShort && (c & 0xCF) == 0x4B) {
            if (!addressed)
                continue;
            answer = answerReqUd2(s, c);
        } else if (!isShort && (c & 0xCF) == 0x43 && a == Selected && quint8(frame[6]) == 0x52) {
            s.selected = matches(frame.mid(7, frame.size() - 9), s.slave.secondary);
            if (!s.selected)
                continue;
            answer = QByteArray(1, char(0xE5));
        } else {
            continue;
        }
        if (s.slave.silent)
            continue;
        answers.append(s.slave.garbage.isEmpty() ? answer : s.slave.garbage);
    }
    answers.removeAll(QByteArray());
    if (!answers.isEmpty())
        send(fd, collide(answers), int(frame.size()));
}

void MbusTestSlave::send(int fd, const QByteArray& answer, int requestSize) {
    const int baud = baud_;
    if (baud <= 0) {
        writeAll(fd, answer.constData(), answer.size());
        return;
    }
    // 11 bits a character: start, 8 data, parity, stop.
    using Clock = std::chrono::steady_clock;
    const auto character = std::chrono::microseconds(11'000'000 / baud);
    const Clock::time_point start = Clock::now() + requestSize * character;
    for (int i = 0; i < answer.size(); ++i) {
        std::this_thread::sleep_until(start + (i + 1) * character);
        writeAll(fd, answer.constData() + i, 1);
    }
}
