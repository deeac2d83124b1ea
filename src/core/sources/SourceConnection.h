#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct GeneralParameters;

namespace Sources {

// How the installer's computer reaches the Modbus slaves: the gateway's own serial line (RTU),
// or a Modbus TCP device or TCP-to-RTU bridge.
struct Connection {
    enum class Kind { Serial, Tcp };
    Kind kind = Kind::Serial;

    QString port; // serial device, e.g. /dev/ttyUSB0
    int baud = 115200;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 2;

    QString host;
    int tcpPort = 502;

    int timeoutMs = 1000;

    // "host:port" or the serial device, for messages.
    QString target() const;
};

inline constexpr int DefaultTimeoutMs = 1000;
inline constexpr int DefaultTcpPort = 502;

// A serial line framed as the gateway frames its Modbus line: 8 data bits, 1 stop bit with
// parity and 2 without.
Connection serialConnection(const QString& port, int baud, char parity,
                            int timeoutMs = DefaultTimeoutMs);

// The gateway's Modbus line as the configuration sets it (baud rate, parity, time-out), framed
// as serialConnection frames it. A time-out outside 1..65535 ms (the device
// takes 0, which would make every read fail here) gives 1000 ms.
Connection serialFromParGen(const GeneralParameters& parGen, const QString& port);

// Only Modbus RTU (and JBUS, which frames the same way) can be tested on the serial line.
bool serialTestable(const GeneralParameters& parGen);

// The parity letter of a list position ("NONE", "EVEN", "ODD").
char parityOfPosition(int position);

// "HOST", "HOST:PORT", "[IPV6]" or "[IPV6]:PORT"; a bare IPv6 address takes the default port.
struct HostPort {
    QString host;
    int port = DefaultTcpPort;
};
std::optional<HostPort> parseHostPort(const QString& text);

} // namespace Sources

namespace Sources {

// The serial devices worth offering, without opening any: USB adapters, and the built-in ports
// the kernel found a UART behind.
QStringList serialDevices();

} // namespace Sources
