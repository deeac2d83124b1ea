#include "cli/Commands.h"

#include "core/comm/ParGen.h"
#include "core/comm/ParGenXml.h"
#include "core/lang/LangTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkXml.h"
#include "core/sources/ContinuousRead.h"
#include "core/sources/MbusTexts.h"
#include "core/sources/SourceRead.h"
#include "core/sources/SourceTexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace Cli {

namespace {

const char* const ReadSourcesUsage =
    "Usage: ordano-cli read-sources CONFIG_DIR (--serial PORT | --tcp HOST[:PORT]) [--json]\n"
    "                  [--baud N] [--parity none|even|odd] [--timeout MS]\n"
    "                  [--every SECONDS --count N]\n";

struct ReadSourcesOptions {
    QString dir;
    QString serial;
    QString tcp;
    bool json = false;
    std::optional<int> baud;
    std::optional<char> parity;
    std::optional<int> timeoutMs;
    int every = 0; // seconds between passes; 0 reads once
    int count = 1;
};

// False (with the reason in `why`) for words that do not make a command line.
bool parse(const QStringList& args, ReadSourcesOptions& o, QString& why) {
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
        } else if (word == QStringLiteral("--baud")) {
            if (!(o.baud = number(50, 4000000))) {
                why = QStringLiteral("--baud needs a baud rate");
                return false;
            }
            ++i;
        } else if (word == QStringLiteral("--timeout")) {
            if (!(o.timeoutMs = number(1, 65535))) {
                why = QStringLiteral("--timeout needs 1 to 65535 milliseconds");
                return false;
            }
            ++i;
        } else if (word == QStringLiteral("--every")) {
            const std::optional<int> seconds =
                number(Sources::EveryMinSeconds, Sources::EveryMaxSeconds);
            if (!seconds) {
                why = QStringLiteral("--every needs 1 to 3600 seconds");
                return false;
            }
            o.every = *seconds;
            ++i;
        } else if (word == QStringLiteral("--count")) {
            const std::optional<int> passes = number(1, 1000000);
            if (!passes) {
                why = QStringLiteral("--count needs a number of passes");
                return false;
            }
            o.count = *passes;
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
        } else if (!word.startsWith(QStringLiteral("--")) && o.dir.isEmpty()) {
            o.dir = word;
        } else {
            why = QStringLiteral("unexpected '%1'").arg(word);
            return false;
        }
    }
    if (o.count > 1 && o.every == 0) {
        why = QStringLiteral("--count needs --every SECONDS between the passes");
        return false;
    }
    if (o.dir.isEmpty() || o.serial.isEmpty() == o.tcp.isEmpty()) {
        why = QStringLiteral("give the configuration folder and one of --serial or --tcp");
        return false;
    }
    return true;
}

// "1 Heat · Energy: changed, +1200 Wh/h" for each variable that changed since the last pass.
void printChanges(const Sources::ReadPlan& plan, const QList<Sources::ResultRow>& rows,
                  const QList<Sources::Change>& changes, const LangTable& texts, QTextStream& out) {
    for (int i = 0; i < plan.variables.size(); ++i)
        if (changes.value(i).changed)
            out << texts.text(Sources::Text::WarningLine)
                       .arg(rows[i].cells[Sources::ColNode], rows[i].cells[Sources::ColVariable],
                            Sources::changeText(changes[i], texts))
                << '\n';
}

} // namespace

// Exit status: 0 every source read, 1 some not, 2 wrong arguments, a configuration that cannot
// be read, or a line that cannot be opened or tested.
int readSources(const QStringList& args, QTextStream& out, QTextStream& err) {
    ReadSourcesOptions o;
    QString why;
    if (!parse(args, o, why)) {
        err << "read-sources: " << why << '\n' << ReadSourcesUsage;
        return 2;
    }
    if (!QFileInfo(o.dir).isDir()) {
        err << "read-sources: " << o.dir << " is not a folder\n";
        return 2;
    }
    const LangTable texts;
    const QDir dir(o.dir);
    const ParGenLoad parGen = Load_Par_Gen(dir.filePath(QLatin1String(ParGenXml::FileName)));
    if (!parGen.ok()) {
        err << "read-sources: " << ParGenXml::FileName << ": " << parGen.error << '\n';
        return 2;
    }
    const NetworkLoad network = Load_Network(dir.filePath(QLatin1String(MBusXml::FileName)));
    if (!network.ok()) {
        err << "read-sources: " << MBusXml::FileName << ": " << network.error << '\n';
        return 2;
    }

    Sources::Connection c;
    if (!o.serial.isEmpty()) {
        if (!Sources::serialTestable(parGen.value)) {
            err << "read-sources: " << Sources::notTestableText(parGen.value.Mod_Protocol, texts)
                << '\n';
            return 2;
        }
        const Sources::Connection configured = Sources::serialFromParGen(parGen.value, o.serial);
        c = Sources::serialConnection(o.serial, o.baud.value_or(configured.baud),
                                      o.parity.value_or(configured.parity), configured.timeoutMs);
    } else {
        const std::optional<Sources::HostPort> address = Sources::parseHostPort(o.tcp);
        if (!address) {
            err << "read-sources: " << texts.text(Sources::Text::BadAddress) << '\n';
            return 2;
        }
        c = Sources::serialFromParGen(parGen.value, QString()); // the configuration's time-out
        c.kind = Sources::Connection::Kind::Tcp;
        c.host = address->host;
        c.tcpPort = address->port;
    }
    c.timeoutMs = o.timeoutMs.value_or(c.timeoutMs);

    const Sources::ReadPlan plan = Sources::makeReadPlan(network.Nodi_List);
    Sources::ReadRun previous;
    QElapsedTimer sincePrevious;
    int status = 0;
    for (int pass = 1; pass <= o.count; ++pass) {
        if (pass > 1) {
            out.flush();
            err.flush();
            QThread::sleep(static_cast<unsigned long>(o.every));
        }
        const Sources::ReadRun run = Sources::readSources(plan, c);
        const double seconds = sincePrevious.isValid() ? sincePrevious.elapsed() / 1000.0 : 0;
        sincePrevious.start();
        if (run.openFailure.failed()) {
            err << "read-sources: " << Sources::openFailureText(run.openFailure, c, texts) << '\n';
            // A script reading the result still gets one: every source not read.
            if (o.json)
                out << QString::fromUtf8(Sources::runAsJson(
                    plan, run, Sources::resultRows(plan, run, c.timeoutMs, texts)));
            return 2;
        }
        const QList<Sources::ResultRow> rows = Sources::resultRows(plan, run, c.timeoutMs, texts);
        int read = 0;
        for (const Sources::ResultRow& row : rows)
            read += row.failed ? 0 : 1;
        if (o.json) {
            out << QString::fromUtf8(Sources::runAsJson(plan, run, rows));
        } else {
            out << Sources::rowsAsText(rows, texts);
            if (pass > 1)
                printChanges(plan, rows, Sources::changesBetween(plan, previous, run, seconds),
                             texts, out);
        }
        err << texts.text(Sources::Text::Summary).arg(read).arg(rows.size()).arg(run.requestsSent)
            << '\n';
        status = read == rows.size() ? 0 : 1;
        if (o.count > 1 && Sources::connectionLost(run)) {
            err << "read-sources: "
                << texts.text(Sources::Text::StoppedAfter)
                       .arg(pass)
                       .arg(texts.text(Sources::Text::NothingAnswered))
                << '\n';
            return 1;
        }
        previous = run;
    }
    return status;
}

} // namespace Cli
