#pragma once

#include "core/platform/EchoService.h"

#include <optional>

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

    // The echo request as sent, for recognising its reply.
    struct SentEcho {
        quint32 address; // the device, in the byte order the socket reports senders in
        quint16 identifier;
        quint16 sequence;
        QByteArray data;
    };
    // The number of data bytes when `packet`, received from `from`, is the reply to `sent`;
    // nothing for any other packet. A raw socket's packets start with the IP header and show
    // every ICMP message of the host, our own request first on loopback; a datagram socket
    // rewrites the identifier, so there the data must match instead.
    static std::optional<int> replyLength(const QByteArray& packet, quint32 from,
                                          const SentEcho& sent, bool raw);

private:
    Method method_;
    QString pingProgram_;
    bool fractionalWait_ = true; // until the ping program refuses "-W 0.400"
};
