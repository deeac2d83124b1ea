#include "cli/ModbusLine.h"

#include "core/comm/ParGenXml.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkXml.h"
#include "core/sources/SourceTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

std::optional<int> optionNumber(const QStringList& args, int i, int low, int high) {
    bool ok = false;
    const int value = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

ModbusLineOptions::Word ModbusLineOptions::take(const QStringList& args, int& i, QString& why) {
    const QString& word = args[i];
    const bool hasValue = i + 1 < args.size();
    const auto number = [&](int low, int high) {
        const std::optional<int> value = optionNumber(args, i, low, high);
        if (value)
            ++i;
        return value;
    };
    if (word == QStringLiteral("--serial") && hasValue) {
        serial = args[++i];
    } else if (word == QStringLiteral("--tcp") && hasValue) {
        tcp = args[++i];
    } else if (word == QStringLiteral("--baud")) {
        if (!(baud = number(50, 4000000))) {
            why = QStringLiteral("--baud needs a baud rate");
            return Word::Refused;
        }
    } else if (word == QStringLiteral("--timeout")) {
        if (!(timeoutMs = number(1, 65535))) {
            why = QStringLiteral("--timeout needs 1 to 65535 milliseconds");
            return Word::Refused;
        }
    } else if (word == QStringLiteral("--parity") && hasValue) {
        const QString p = args[++i].toLower();
        if (p == QStringLiteral("none"))
            parity = 'N';
        else if (p == QStringLiteral("even"))
            parity = 'E';
        else if (p == QStringLiteral("odd"))
            parity = 'O';
        else {
            why = QStringLiteral("--parity is none, even or odd");
            return Word::Refused;
        }
    } else {
        return Word::NotMine;
    }
    return Word::Taken;
}

std::optional<Sources::Connection>
ModbusLineOptions::connection(const GeneralParameters& parGen, bool serialMustBeTestable,
                              std::optional<int> fallbackTimeoutMs, const LanguageTable& texts,
                              const char* command, QTextStream& err) const {
    Sources::Connection c = Sources::serialFromParGen(parGen, serial);
    if (!serial.isEmpty()) {
        if (serialMustBeTestable && !Sources::serialTestable(parGen)) {
            err << command << ": " << Sources::notTestableText(parGen.modbusProtocol, texts)
                << '\n';
            return std::nullopt;
        }
        c = Sources::serialConnection(serial, baud.value_or(c.baud), parity.value_or(c.parity),
                                      c.timeoutMs);
    } else {
        const std::optional<Sources::HostPort> address = Sources::parseHostPort(tcp);
        if (!address) {
            err << command << ": " << texts.text(Sources::Text::BadAddress) << '\n';
            return std::nullopt;
        }
        c.kind = Sources::Connection::Kind::Tcp;
        c.host = address->host;
        c.tcpPort = address->port;
    }
    c.timeoutMs = timeoutMs.value_or(fallbackTimeoutMs.value_or(c.timeoutMs));
    return c;
}

std::optional<LoadedConfiguration> loadConfiguration(const QString& dir, const char* command,
                                                     QTextStream& err) {
    if (!QFileInfo(dir).isDir()) {
        err << command << ": " << dir << " is not a folder\n";
        return std::nullopt;
    }
    const QDir folder(dir);
    const GeneralParametersLoad parGen =
        loadGeneralParameters(folder.filePath(QLatin1String(ParGenXml::FileName)));
    if (!parGen.ok()) {
        err << command << ": " << ParGenXml::FileName << ": " << parGen.error << '\n';
        return std::nullopt;
    }
    NetworkLoad network = loadNetwork(folder.filePath(QLatin1String(MBusXml::FileName)));
    if (!network.ok()) {
        err << command << ": " << MBusXml::FileName << ": " << network.error << '\n';
        return std::nullopt;
    }
    return LoadedConfiguration{parGen.value, std::move(network.nodes)};
}
