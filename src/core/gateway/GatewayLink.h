#pragma once

#include "core/gateway/MbusFrame.h"
#include "core/gateway/SlaveBus.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QSocketNotifier;
struct GeneralParameters;

// Where the slaves listen: M-Bus over TCP (transparent framing, as M-Bus TCP gateways do) or a
// serial port with an M-Bus master adaptor. One master at a time, as on one M-Bus line; a
// second connection is refused and closed.
namespace Gateway {

class GatewayLink : public QObject {
    Q_OBJECT
public:
    // Answers the master is slow to take are dropped beyond this (a master that never reads).
    static constexpr int MaxPendingOutput = 64 * 1024;

    explicit GatewayLink(SlaveBus& bus, QObject* parent = nullptr);
    ~GatewayLink() override;

    // `host` is a literal IPv4 or IPv6 address, never a name to resolve; port 0 takes a free
    // one. False with the system's message in `why`.
    bool listenTcp(const QString& host, int port, QString* why);
    // 8 data bits, 1 stop bit; `parity` 'N', 'E' or 'O'.
    bool openSerial(const QString& device, int baud, char parity, QString* why);
    void stop();

    bool isActive() const { return listenFd_ >= 0 || peerFd_ >= 0; }
    int port() const { return port_; }
    // "127.0.0.1:10001" or "/dev/ttyUSB0 2400 8E1".
    QString where() const { return where_; }

signals:
    void exchanged(const Gateway::Exchange& exchange);
    void masterConnected(const QString& peer);
    void masterRefused(const QString& peer);
    void masterLeft(const QString& peer);

private:
    void accept();
    void readPeer();
    void writePeer();
    void send(const QByteArray& bytes);
    void dropPeer();
    void closeAll();

    SlaveBus& bus_;
    FrameReader reader_;
    QElapsedTimer clock_;
    int listenFd_ = -1;
    int peerFd_ = -1;
    bool serial_ = false;
    int port_ = 0;
    QString where_;
    QString peer_;
    QByteArray output_;
    // Children of the link; a notifier is retired with deleteLater, since it may be the one
    // whose signal is running.
    QSocketNotifier* listenNotifier_ = nullptr;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
};

// The gateway's M-Bus line as ParGen.xml sets it: the rate of the baud position (2400 for a
// position outside the list, as the device takes it) and the parity of the parity position.
struct MbusLine {
    int baud = 2400;
    char parity = 'E';
};
MbusLine mbusLineOf(const GeneralParameters& parGen);

// Literal addresses only: "127.0.0.1", "::1", "[::1]".
bool isLiteralAddress(const QString& host);

} // namespace Gateway
