#pragma once

#include <QByteArray>
#include <QString>

// One ICMP echo: send a request with the given data to a host given as text and wait for the
// reply. The host must be a literal dotted quad; it is never resolved through DNS.
struct EchoOutcome {
    enum class Status {
        Reply,        // a reply arrived; bytesReceived says how many data bytes it carried
        TimedOut,     // no reply within the wait
        BadAddress,   // the host text is not a usable address
        NotPermitted, // no way to send an echo is available to this user
    };
    Status status = Status::TimedOut;
    int bytesReceived = 0;
    QString detail;
};

class EchoService {
public:
    virtual ~EchoService() = default;
    virtual EchoOutcome echo(const QString& host, const QByteArray& data, int sequence,
                             int timeoutMs) = 0;
};
