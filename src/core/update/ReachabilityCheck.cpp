#include "core/update/ReachabilityCheck.h"

#include "core/platform/Clock.h"
#include "core/platform/EchoService.h"

QByteArray ReachabilityCheck::echoData() {
    return QByteArrayLiteral("abcdefghijklmnopqrstuvwa");
}

ReachabilityCheck::ReachabilityCheck(EchoService& echo, Clock& clock)
    : echo_(echo), clock_(clock) {}

void ReachabilityCheck::PingReply(int bytesReceived) {
    ping_res_ = bytesReceived > 0 ? 1 : 2;
}

bool ReachabilityCheck::sendPing(const QString& host) {
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);

    ping_res_ = 0;
    const QByteArray data = echoData();
    const qint64 t0 = clock_.ticks();
    int count = 0;
    for (;;) {
        const qint64 t1 = clock_.ticks();
        const EchoOutcome outcome = echo_.echo(host, data, 0, ReplyWaitMs);
        switch (outcome.status) {
        case EchoOutcome::Status::Reply:
            PingReply(outcome.bytesReceived);
            break;
        case EchoOutcome::Status::TimedOut:
            PingReply(0);
            break;
        case EchoOutcome::Status::BadAddress:
        case EchoOutcome::Status::NotPermitted:
            return false;
        }
        // At least one pause after every attempt, so the windows stay responsive.
        do {
            clock_.sleepDispatching(PauseMs);
        } while (ping_res_ == 0 && clock_.ticks() - t1 <= ReplyWaitMs);
        if (ping_res_ == 1 && ++count >= RepliesNeeded)
            break;
        if (clock_.ticks() - t0 > LimitMs)
            break;
    }
    return ping_res_ == 1;
}
