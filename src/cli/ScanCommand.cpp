#include "cli/Commands.h"

#include "core/comm/ParGen.h"
#include "core/comm/ParGenXml.h"
#include "core/lang/LangTable.h"
#include "core/network/NetworkXml.h"
#include "core/sources/ScanTexts.h"
#include "core/sources/SourceTexts.h"

#include <QDir>
#include <QFileInfo>

namespace Cli {

namespace {

const char* const ScanUsage =
    "Usage: ordano-cli scan (--serial PORT | --tcp HOST[:PORT]) [--ids FIRST-LAST]\n"
    "                  [--timeout MS] [--config DIR] [--json] [--baud N] [--parity "
    "none|even|odd]\n";

struct ScanOptions {
    QString serial;
    QString tcp;
    QString config;
    bool json = false;
    int first = Sources::ScanFirstId;
    int last = Sources::ScanLastId;
    int timeoutMs = Sources::ScanTimeoutMs;
    std::optional<int> baud;
    std::optional<char> parity;
};

bool parse(const QStringList& args, ScanOptions& o, QString& why) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto number = [&](int low, int high) -> std::optional<int> {
            bool ok = false;
            const int value = hasValue ? args[i + 1].toInt(&ok) : 0;
            if (!ok || value < low || value > high)
                return std::nullopt;
            return value;
        };
        if (word == QStringLiteral("--json")) {
            o.json = true;
        } else if (word == QStringLiteral("--serial") && hasValue) {
            o.serial = args[++i];
        } else if (word == QStringLiteral("--tcp") && hasValue) {
            o.tcp = args[++i];
        } else if (word == QStringLiteral("--config") && hasValue) {
            o.config = args[++i];
        } else if (word == QStringLiteral("--ids")) {
            const auto range = hasValue ? Sources::parseIdRange(args[i + 1]) : std::nullopt;
            if (!range) {
                why = QStringLiteral("--ids needs FIRST-LAST within 1-247");
                return false;
            }
            std::tie(o.first, o.last) = *range;
            ++i;
        } else if (word == QStringLiteral("--timeout")) {
            const std::optional<int> ms = number(1, 65535);
            if (!ms) {
                why = QStringLiteral("--timeout needs 1 to 65535 milliseconds");
                return false;
            }
            o.timeoutMs = *ms;
            ++i;
        } else if (word == QStringLiteral("--baud")) {
            if (!(o.baud = number(50, 4000000))) {
                why = QStringLiteral("--baud needs a baud rate");
                return false;
            }
            ++i;
        } else if (word == QStringLiteral("--parity") && hasValue) {
            const QString p = args[++i].toLower();
            if (p == QStringLiteral("none"))
                o.parity = 'N';
            else if (p == QStringLiteral("even"))
                o.parity = 'E';
            else if (p == QStringLiteral("odd"))
                o.parity = 'O';
            else {
                why = QStringLiteral("--parity is none, even or odd");
                return false;
            }
        } else {
            why = QStringLiteral("unexpected '%1'").arg(word);
            return false;
        }
    }
    if (o.serial.isEmpty() == o.tcp.isEmpty()) {
        why = QStringLiteral("give one of --serial or --tcp");
        return false;
    }
    return true;
}

} // namespace

// Exit status: 0 every configured id answers (without --config: some id answers), 1 otherwise,
// 2 wrong arguments, a configuration that cannot be read, or a line that cannot be opened.
int scan(const QStringList& args, QTextStream& out, QTextStream& err) {
    ScanOptions o;
    QString why;
    if (!parse(args, o, why)) {
        err << "scan: " << why << '\n' << ScanUsage;
        return 2;
    }
    const LangTable texts;
    Par_Gen parGen;
    std::optional<QList<int>> configured;
    if (!o.config.isEmpty()) {
        if (!QFileInfo(o.config).isDir()) {
            err << "scan: " << o.config << " is not a folder\n";
            return 2;
        }
        const QDir dir(o.config);
        const ParGenLoad load = Load_Par_Gen(dir.filePath(QLatin1String(ParGenXml::FileName)));
        if (!load.ok()) {
            err << "scan: " << ParGenXml::FileName << ": " << load.error << '\n';
            return 2;
        }
        parGen = load.value;
        const NetworkLoad network = Load_Network(dir.filePath(QLatin1String(MBusXml::FileName)));
        if (!network.ok()) {
            err << "scan: " << MBusXml::FileName << ": " << network.error << '\n';
            return 2;
        }
        configured = Sources::configuredIds(Sources::makeReadPlan(network.Nodi_List));
    }

    Sources::Connection c = Sources::serialFromParGen(parGen, o.serial);
    if (o.serial.isEmpty()) {
        const std::optional<Sources::HostPort> address = Sources::parseHostPort(o.tcp);
        if (!address) {
            err << "scan: " << texts.text(Sources::Text::BadAddress) << '\n';
            return 2;
        }
        c.kind = Sources::Connection::Kind::Tcp;
        c.host = address->host;
        c.tcpPort = address->port;
    } else {
        c.baud = o.baud.value_or(c.baud);
        if (o.parity) {
            c.parity = *o.parity;
            c.stopBits = c.parity == 'N' ? 2 : 1;
        }
    }
    c.timeoutMs = o.timeoutMs;

    err << Sources::scanBoundText(c, o.first, o.last, texts) << '\n';
    err.flush();
    const Sources::ScanRun run = Sources::scanSlaves(c, o.first, o.last);
    if (run.openFailure.failed()) {
        err << "scan: " << Sources::openFailureText(run.openFailure, c, texts) << '\n';
        return 2;
    }
    std::optional<Sources::ScanComparison> comparison;
    if (configured)
        comparison = Sources::compareScan(run, *configured);
    int answering = 0;
    for (const Sources::ScanAnswer& a : run.answers)
        answering += a.answers() ? 1 : 0;
    if (o.json) {
        out << QString::fromUtf8(Sources::scanAsJson(run, comparison));
    } else {
        for (const QString& line :
             Sources::scanLines(run, configured.value_or(QList<int>()), texts))
            out << line << '\n';
        if (comparison)
            for (const QString& line : Sources::comparisonLines(*comparison, texts))
                out << line << '\n';
    }
    err << texts.text(Sources::Text::ScanSummary).arg(answering).arg(run.answers.size()) << '\n';
    if (comparison)
        return comparison->missing.isEmpty() ? 0 : 1;
    return answering > 0 ? 0 : 1;
}

} // namespace Cli
