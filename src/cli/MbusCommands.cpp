#include "cli/Commands.h"
#include "cli/ModbusLine.h"
#include "cli/Printable.h"

#include "core/gateway/GatewayLink.h"
#include "core/gateway/GatewayTexts.h"
#include "core/lang/LanguageTable.h"
#include "core/mbus/Master.h"
#include "core/mbus/ReadingText.h"

#include <memory>

namespace Cli {

namespace {

const char* const LineUsage =
    "       (--mbus-tcp HOST:PORT | --mbus-serial PORT [--baud N] [--parity none|even|odd])\n"
    "       [--config DIR] [--timeout MS] [--json]\n";
const char* const ReadUsage = "Usage: ordano-cli mbus-read (--address N | --secondary ID)\n";
const char* const ScanUsage =
    "Usage: ordano-cli mbus-scan [--addresses FIRST-LAST | --secondary [MASK]]\n";

// The M-Bus line of both commands. A serial line runs at the configuration's M-Bus baud rate
// and parity (--config), else at a new configuration's 2400 8E1; --baud over TCP names the
// line behind the converter, which times the answers.
struct MbusLineOptions {
    QString tcp;
    QString serial;
    QString config;
    std::optional<int> baud;
    std::optional<char> parity;
    std::optional<int> timeoutMs;
    bool json = false;

    ModbusLineOptions::Word take(const QStringList& args, int& i, QString& why) {
        using Word = ModbusLineOptions::Word;
        const QString& word = args[i];
        const bool hasValue = i + 1 < args.size();
        if (word == QStringLiteral("--mbus-tcp") && hasValue) {
            tcp = args[++i];
        } else if (word == QStringLiteral("--mbus-serial") && hasValue) {
            serial = args[++i];
        } else if (word == QStringLiteral("--config") && hasValue) {
            config = args[++i];
        } else if (word == QStringLiteral("--json")) {
            json = true;
        } else if (word == QStringLiteral("--baud")) {
            const std::optional<int> rate = optionNumber(args, i, 300, 38400);
            if (!rate || !Mbus::isSerialBaud(*rate)) {
                why = QStringLiteral("--baud needs an M-Bus baud rate (300 to 38400)");
                return Word::Refused;
            }
            baud = rate;
            ++i;
        } else if (word == QStringLiteral("--timeout")) {
            if (!(timeoutMs = optionNumber(args, i, 1, 60000))) {
                why = QStringLiteral("--timeout needs 1 to 60000 milliseconds");
                return Word::Refused;
            }
            ++i;
        } else if (word == QStringLiteral("--parity") && hasValue) {
            const QString p = args[++i].toLower();
            if (p == QStringLiteral("none") || p == QStringLiteral("n"))
                parity = 'N';
            else if (p == QStringLiteral("even") || p == QStringLiteral("e"))
                parity = 'E';
            else if (p == QStringLiteral("odd") || p == QStringLiteral("o"))
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

    bool check(QString& why) const {
        if (tcp.isEmpty() == serial.isEmpty()) {
            why = QStringLiteral("give one of --mbus-tcp or --mbus-serial");
            return false;
        }
        if (!tcp.isEmpty() && parity) {
            why = QStringLiteral("--parity is for --mbus-serial");
            return false;
        }
        return true;
    }

    // The open line, or null after "<command>: <why>" on `err`.
    std::unique_ptr<Mbus::Link> open(const LanguageTable& texts, const char* command,
                                     QTextStream& err) const {
        Gateway::MbusLine line;
        if (!config.isEmpty()) {
            const std::optional<LoadedConfiguration> loaded =
                loadConfiguration(config, command, err);
            if (!loaded)
                return nullptr;
            line = Gateway::mbusLineOf(loaded->parGen);
        }
        QString why;
        if (!serial.isEmpty()) {
            Mbus::SerialLine s{serial, baud.value_or(line.baud), parity.value_or(line.parity)};
            std::unique_ptr<Mbus::Link> link = Mbus::openSerial(s, &why);
            if (!link)
                err << command << ": " << texts.text(Gateway::Text::CannotOpen).arg(serial, why)
                    << '\n';
            return link;
        }
        Mbus::TcpLine t;
        if (!Mbus::splitHostPort(tcp, t.host, t.port)) {
            err << command << ": " << texts.text(Gateway::Text::LiteralAddress) << '\n';
            return nullptr;
        }
        t.baud = baud.value_or(line.baud);
        std::unique_ptr<Mbus::Link> link = Mbus::connectTcp(t, &why);
        if (!link)
            err << command << ": " << texts.text(Mbus::Text::CannotConnect).arg(tcp, why) << '\n';
        return link;
    }

    Mbus::Master::Options masterOptions() const {
        Mbus::Master::Options o;
        o.answerTimeoutMs = timeoutMs.value_or(0);
        return o;
    }
};

void printLines(const QStringList& lines, QTextStream& out) {
    for (const QString& line : lines)
        out << printable(line) << '\n';
}

} // namespace

// Exit status: 0 the slave answered, 1 no answer or an answer refused, 2 wrong arguments or a
// line that cannot be opened or went away.
int mbusRead(const QStringList& args, QTextStream& out, QTextStream& err) {
    MbusLineOptions line;
    std::optional<int> address;
    QString secondary;
    QString why;
    bool ok = true;
    for (int i = 0; i < args.size() && ok; ++i) {
        const ModbusLineOptions::Word w = line.take(args, i, why);
        if (w == ModbusLineOptions::Word::Refused)
            ok = false;
        else if (w == ModbusLineOptions::Word::Taken)
            continue;
        else if (args[i] == QStringLiteral("--address")) {
            address = optionNumber(args, i, 0, Mbus::LastPrimaryAddress);
            if (!address) {
                why = QStringLiteral("--address needs a primary address from 0 to 250");
                ok = false;
            }
            ++i;
        } else if (args[i] == QStringLiteral("--secondary") && i + 1 < args.size()) {
            secondary = args[++i];
            if (!Mbus::selectionData(secondary)) {
                why =
                    QStringLiteral("--secondary needs 8 digits (F for any), optionally followed by "
                                   "manufacturer, version and medium in hexadecimal");
                ok = false;
            }
        } else {
            why = QStringLiteral("unexpected '%1'").arg(args[i]);
            ok = false;
        }
    }
    if (ok && address.has_value() == !secondary.isEmpty()) {
        why = QStringLiteral("give one of --address or --secondary");
        ok = false;
    }
    if (!ok || !line.check(why)) {
        err << "mbus-read: " << why << '\n' << ReadUsage << LineUsage;
        return 2;
    }
    const LanguageTable texts;
    const std::unique_ptr<Mbus::Link> link = line.open(texts, "mbus-read", err);
    if (!link)
        return 2;
    Mbus::Master master(*link, line.masterOptions());
    const Mbus::ReadResult r =
        address ? master.readPrimary(*address) : master.readSecondary(secondary);
    if (!r.ok()) {
        const QString asked = address ? QString::number(*address) : secondary.toUpper();
        err << "mbus-read: "
            << printable(Mbus::failureText(r, asked, !address, link->where(), texts)) << '\n';
        return r.status == Mbus::ReadResult::Status::LinkLost ? 2 : 1;
    }
    if (line.json)
        out << QString::fromUtf8(Mbus::readingAsJson(r.reading));
    else
        printLines(Mbus::readingLines(r.reading, texts), out);
    return 0;
}

// Exit status: 0 some slave answers, 1 none, 2 wrong arguments or a line that cannot be opened
// or went away.
int mbusScan(const QStringList& args, QTextStream& out, QTextStream& err) {
    MbusLineOptions line;
    std::optional<QString> secondary;
    int first = 0;
    int last = Mbus::LastPrimaryAddress;
    QString why;
    bool ok = true;
    for (int i = 0; i < args.size() && ok; ++i) {
        const ModbusLineOptions::Word w = line.take(args, i, why);
        if (w == ModbusLineOptions::Word::Refused)
            ok = false;
        else if (w == ModbusLineOptions::Word::Taken)
            continue;
        else if (args[i] == QStringLiteral("--secondary")) {
            secondary = QStringLiteral("FFFFFFFF");
            if (i + 1 < args.size() && !args[i + 1].startsWith(QStringLiteral("--"))) {
                secondary = args[++i];
                if (!Mbus::selectionData(*secondary)) {
                    why = QStringLiteral("--secondary takes a mask of 8 digits (F for any)");
                    ok = false;
                }
            }
        } else if (args[i] == QStringLiteral("--addresses") && i + 1 < args.size()) {
            const QStringList range = args[++i].split(QLatin1Char('-'));
            bool okFirst = false;
            bool okLast = false;
            first = range.value(0).toInt(&okFirst);
            last = range.value(1).toInt(&okLast);
            if (range.size() != 2 || !okFirst || !okLast || first < 0 || first > last ||
                last > Mbus::LastPrimaryAddress) {
                why = QStringLiteral("--addresses needs FIRST-LAST within 0-250");
                ok = false;
            }
        } else {
            why = QStringLiteral("unexpected '%1'").arg(args[i]);
            ok = false;
        }
    }
    if (ok && secondary && (first != 0 || last != Mbus::LastPrimaryAddress)) {
        why = QStringLiteral("--addresses is for the primary scan");
        ok = false;
    }
    if (!ok || !line.check(why)) {
        err << "mbus-scan: " << why << '\n' << ScanUsage << LineUsage;
        return 2;
    }
    const LanguageTable texts;
    const std::unique_ptr<Mbus::Link> link = line.open(texts, "mbus-scan", err);
    if (!link)
        return 2;
    Mbus::Master master(*link, line.masterOptions());
    const Mbus::ScanResult scan =
        secondary ? master.searchSecondary(*secondary) : master.scanPrimary(first, last);
    if (line.json)
        out << QString::fromUtf8(Mbus::scanAsJson(scan));
    else
        printLines(Mbus::scanLines(scan, texts), out);
    if (!scan.linkLost.isEmpty()) {
        err << "mbus-scan: "
            << printable(texts.text(Mbus::Text::LinkLost).arg(link->where(), scan.linkLost))
            << '\n';
        return 2;
    }
    return scan.slaves.isEmpty() ? 1 : 0;
}

} // namespace Cli
