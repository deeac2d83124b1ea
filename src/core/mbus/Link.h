#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

// The M-Bus line as a master reaches it: a serial port with a USB M-Bus level converter, or an
// M-Bus to TCP converter (transparent framing). Every call is bounded in time.
namespace Mbus {

class Link {
public:
    virtual ~Link() = default;
    // False with the system's reason when the bytes could not all be handed on in time.
    virtual bool write(const QByteArray& bytes, QString* why) = 0;
    // What arrives until `deadline` (nowMs()); empty when nothing came by then. `closed` is set
    // when the other side went away.
    virtual QByteArray read(qint64 deadline, bool* closed) = 0;
    // Drops what arrived unasked (the tail of a collision, a late answer).
    virtual void discardInput() = 0;
    // The line's speed and framing, for the time a frame takes on the wire.
    virtual int baud() const = 0;
    virtual int bitsPerCharacter() const { return 11; }
    // Waiting allowed beyond the line's own answer time-out (a TCP converter's network).
    virtual int extraWaitMs() const { return 0; }
    // "127.0.0.1:10001" or "/dev/ttyUSB0 2400 8E1".
    virtual QString where() const = 0;
};

// A monotonic clock in milliseconds.
qint64 nowMs();

struct SerialLine {
    QString device;
    int baud = 2400;
    char parity = 'E'; // 'N', 'E' or 'O'; 8 data bits, 1 stop bit
};
// The baud rates a serial line takes.
bool isSerialBaud(int baud);
std::unique_ptr<Link> openSerial(const SerialLine& line, QString* why);

struct TcpLine {
    QString host; // a literal IPv4 or IPv6 address ("::1" or "[::1]"), never a name
    int port = 0;
    int baud = 2400; // the M-Bus line behind the converter
    int connectTimeoutMs = 3000;
    int extraWaitMs = 100; // the network's share of an answer's time
};
std::unique_ptr<Link> connectTcp(const TcpLine& line, QString* why);

// "HOST:PORT" with a literal address ("[::1]:PORT" for IPv6); false otherwise.
bool splitHostPort(const QString& text, QString& host, int& port);

} // namespace Mbus
