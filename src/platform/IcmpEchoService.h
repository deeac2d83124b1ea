#pragma once

#include "platform/EchoService.h"

// ICMP echo through whatever this user may use. In order: an unprivileged datagram ICMP
// socket, a raw socket, then the system's ping program. When none can run the echo is
// NotPermitted. The host must be a literal dotted quad; nothing is resolved through DNS.
class IcmpEchoService final : public EchoService {
public:
    enum class Method {
        Any,         // the first that works, in the order above
        Datagram,    // only the datagram socket
        Raw,         // only the raw socket
        PingProgram, // only the ping program
    };

    // `pingProgram`: the ping program to run; empty looks it up in PATH, /bin and /usr/bin.
    explicit IcmpEchoService(Method method = Method::Any, QString pingProgram = {});

    EchoOutcome echo(const QString& host, const QByteArray& data, int sequence,
                     int timeoutMs) override;

    static QString findPingProgram();

private:
    Method method_;
    QString pingProgram_;
    bool fractionalWait_ = true; // until the ping program refuses "-W 0.400"
};
