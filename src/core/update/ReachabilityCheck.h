#pragma once

#include <QByteArray>
#include <QString>

class Clock;
class EchoService;

// The check that a device answers ICMP echo before an Ethernet update. Runs on the window
// thread and dispatches window events during its pauses.
class ReachabilityCheck {
public:
    static constexpr int ReplyWaitMs = 400;
    static constexpr int PauseMs = 10;
    static constexpr qint64 LimitMs = 5000;
    static constexpr int RepliesNeeded = 2;
    // The data of every echo request, as 8-bit text.
    static QByteArray echoData();

    ReachabilityCheck(EchoService& echo, Clock& clock);

    // True when the device was found; the outcome stays in ping_res(), which the check first
    // sets to 0. An address the echo service cannot use, or an echo the system may not send,
    // ends the check at once with false; ping_res() then keeps the last attempt's outcome (0
    // when it was the first attempt).
    bool sendPing(const QString& host);

    // The outcome of one reply: 1 when it carried data, 2 when not (a time-out counts as a
    // reply of 0 bytes).
    void PingReply(int bytesReceived);

    // 0 none recorded, 1 device found, 2 device not found.
    int ping_res() const { return ping_res_; }
    bool running() const { return running_; }

private:
    EchoService& echo_;
    Clock& clock_;
    int ping_res_ = 0;
    bool running_ = false;
};
