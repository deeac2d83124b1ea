#pragma once

#include <QByteArray>
#include <memory>

// An M-Bus master as a test writes it: frames built by hand, sent over a loopback TCP
// connection or a pseudo-terminal, answers read with a bounded wait. Blocking; it runs on a
// thread of its own while the gateway's event loop runs on the test's.
class MbusTestMaster {
public:
    // Connects to 127.0.0.1:port, trying again until `waitMs` have passed; null if it never
    // could. A `localPort` that is taken falls back to one the system picks.
    static std::unique_ptr<MbusTestMaster> connectTcp(int port, int waitMs = 20000,
                                                      int localPort = 0);
    // Works on a descriptor it then owns (the master side of a pseudo-terminal).
    explicit MbusTestMaster(int fd);
    ~MbusTestMaster();

    static QByteArray sndNke(quint8 address);
    static QByteArray reqUd2(quint8 address, bool fcb);
    // Selection (C 53, A 253, CI 52) of eight bytes: number (BCD, low byte first),
    // manufacturer, version, medium.
    static QByteArray select(const QByteArray& eightBytes);

    void send(const QByteArray& bytes);
    // One answer: E5, a short or a long frame; what came when the wait ran out; empty when
    // nothing came.
    QByteArray readAnswer(int waitMs = 5000);
    QByteArray transact(const QByteArray& request, int waitMs = 5000) {
        send(request);
        return readAnswer(waitMs);
    }
    // True when the other side closed the connection within the wait.
    bool closedByPeer(int waitMs = 5000);

private:
    bool readExactly(QByteArray& into, int count, qint64 deadline);
    int fd_ = -1;
};

// A TCP port on 127.0.0.1 that was free a moment ago.
int freeLoopbackPort();
