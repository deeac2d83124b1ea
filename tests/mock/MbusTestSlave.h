#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// M-Bus slaves as a test writes them: the answers are frames given by hand, served over TCP on
// 127.0.0.1 or on a pseudo-terminal, on a thread of their own. Written from the link layer's
// rules apart from the virtual gateway, so that a fault the gateway and the master share shows.
//
// Each slave answers SND_NKE with E5 and clears its frame count bit; REQ_UD2 with a toggled FCB
// (or the first after SND_NKE) gets its next frame, the same FCB the last frame again; a
// selection (SND_UD CI 52 to 253) that matches it selects it and gets E5, any other deselects
// it. Slaves that answer the same request together collide: what the line then carries is the
// bits of all answers laid over one another (a 0 bit, the line's current, wins).
class MbusTestSlave {
public:
    struct Slave {
        int address = 1;      // primary address; -1 for none
        QByteArray secondary; // the 8 bytes a selection carries: id, manufacturer, version, medium
        QList<QByteArray> frames; // its answers to REQ_UD2 in turn, whole frames as sent
        bool silent = false;      // never answers
        QByteArray garbage;       // when set, what it answers to every request
    };

    static std::unique_ptr<MbusTestSlave> tcp(QList<Slave> slaves);
    static std::unique_ptr<MbusTestSlave> pseudoTerminal(QList<Slave> slaves);
    ~MbusTestSlave();

    int port() const { return port_; }
    QString device() const { return device_; }
    // Answers paced as a wire at this rate carries them, after the request's own wire time;
    // 0 answers at once.
    void setBaud(int baud) { baud_ = baud; }
    // Every frame the slaves received, in order.
    QList<QByteArray> requests() const;

    // An RSP_UD long frame from address `a` (C 08).
    static QByteArray rspUd(quint8 a, quint8 ci, const QByteArray& data);
    // The 12 bytes of a long header: id as 8 digits, manufacturer letters, version, medium,
    // access number, status; signature 0.
    static QByteArray longHeader(const char* id, const char* manufacturer, quint8 version,
                                 quint8 medium, quint8 access = 1, quint8 status = 0);
    // The selection bytes of a long header's identity.
    static QByteArray identityOf(const QByteArray& header) { return header.left(8); }

private:
    struct State {
        Slave slave;
        bool selected = false;
        bool fcb = false; // cleared by SND_NKE: the next toggled FCB is 1
        int next = 0;
        QByteArray last;
    };
    MbusTestSlave() = default;
    void start();
    void run();
    void serve(int fd);
    void handle(const QByteArray& frame, int fd);
    QByteArray answerReqUd2(State& s, quint8 c);
    void send(int fd, const QByteArray& answer, int requestSize);

    QList<State> slaves_;
    int listenFd_ = -1;
    int ptyFd_ = -1;
    int ptySlaveFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    QString device_;
    std::atomic<int> baud_{0};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    QList<QByteArray> requests_;
    QByteArray input_;
    std::thread thread_;
};
