#include "core/sources/SourceConnection.h"

#include "core/comm/GeneralParameters.h"

namespace Sources {

QString Connection::target() const {
    if (kind == Kind::Serial)
        return port;
    const QString shown =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shown + QLatin1Char(':') + QString::number(tcpPort);
}

char parityOfPosition(int position) {
    return position == 1 ? 'E' : position == 2 ? 'O' : 'N';
}

Connection serialConnection(const QString& port, int baud, char parity, int timeoutMs) {
    Connection c;
    c.kind = Connection::Kind::Serial;
    c.port = port;
    c.baud = baud;
    c.parity = parity;
    c.dataBits = 8;
    c.stopBits = parity == 'N' ? 2 : 1;
    c.timeoutMs = timeoutMs;
    return c;
}

Connection serialFromParGen(const GeneralParameters& parGen, const QString& port) {
    int baud = Connection().baud;
    const int baudPosition = parGen.modbusBaud;
    if (baudPosition >= 0 && baudPosition < int(ParGenLists::modbusBauds.size()))
        baud = QString::fromLatin1(ParGenLists::modbusBauds[size_t(baudPosition)]).toInt();
    const std::optional<qint32> timeout = typedNumber(parGen.modbusTimeout);
    return serialConnection(port, baud, parityOfPosition(parGen.modbusParity),
                            timeout && *timeout >= 1 && *timeout <= 65535 ? *timeout
                                                                          : DefaultTimeoutMs);
}

bool serialTestable(const GeneralParameters& parGen) {
    return parGen.modbusProtocol == 0 || parGen.modbusProtocol == 2;
}

std::optional<HostPort> parseHostPort(const QString& input) {
    const QString text = input.trimmed();
    HostPort result;
    bool hasPort = false;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        result.host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return std::nullopt;
            hasPort = true;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        result.host = text.section(QLatin1Char(':'), 0, 0);
        hasPort = true;
        portText = text.section(QLatin1Char(':'), 1);
    } else {
        result.host = text; // a name, an IPv4 address or a bare IPv6 address
    }
    if (result.host.isEmpty() || result.host.contains(QLatin1Char(' ')))
        return std::nullopt;
    if (hasPort) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535 || !portText.front().isDigit())
            return std::nullopt;
        result.port = port;
    }
    return result;
}

} // namespace Sources

#include <QDir>
#include <QFile>

namespace Sources {

QStringList serialDevices() {
    QStringList devices;
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name :
         dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System))
        devices.append(dev.filePath(name));
    for (const QString& name : dev.entryList({QStringLiteral("ttyS*")}, QDir::System)) {
        const QString sys = QStringLiteral("/sys/class/tty/") + name;
        QFile type(sys + QStringLiteral("/type"));
        if (QDir(sys + QStringLiteral("/device")).exists() && type.open(QIODevice::ReadOnly) &&
            type.readAll().trimmed() != "0")
            devices.append(dev.filePath(name));
    }
    return devices;
}

} // namespace Sources
