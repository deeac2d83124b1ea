#include "cli/Commands.h"
#include "cli/ModbusLine.h"

#include "core/gateway/GatewayLink.h"
#include "core/gateway/GatewayTexts.h"
#include "core/gateway/GatewayValues.h"
#include "core/lang/LanguageTable.h"
#include "core/sources/SourceTexts.h"

#include <QEventLoop>
#include <QTime>
#include <QTimer>
#include <csignal>
#include <optional>

namespace Cli {

namespace {

const char* const GatewayUsage =
    "Usage: ordano-cli gateway CONFIG_DIR (--mbus-tcp HOST:PORT | --mbus-serial PORT)\n"
    "                  [--tcp HOST[:PORT] | --serial PORT | --values FILE]\n"
    "                  [--every SECONDS] [--for SECONDS] [--hex]\n"
    "                  [--baud N] [--parity none|even|odd] [--timeout MS]\n";

struct GatewayOptions {
    QString dir;
    QString mbusTcp;
    QString mbusSerial;
    QString values;
    double every = 10;
    std::optional<double> runFor;
    bool hex = false;
    ModbusLineOptions line;
};

volatile std::sig_atomic_t interrupted = 0;
void onSignal(int) {
    interrupted = 1;
}

bool parse(const QStringList& args, GatewayOptions& o, QString& why) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto text = [&](QString& into) {
            if (!hasValue)
                return false;
            into = args[++i];
            return true;
        };
        const auto seconds = [&]() -> std::optional<double> {
            bool ok = false;
            const double value = hasValue ? args[i + 1].toDouble(&ok) : 0;
            if (!ok || !(value > 0) || value > 86400 * 365)
                return std::nullopt;
            ++i;
            return value;
        };
        const ModbusLineOptions::Word line = o.line.take(args, i, why);
        if (line == ModbusLineOptions::Word::Refused)
            return false;
        if (line == ModbusLineOptions::Word::Taken)
            continue;
        bool ok = true;
        if (word == QStringLiteral("--mbus-tcp"))
            ok = text(o.mbusTcp);
        else if (word == QStringLiteral("--mbus-serial"))
            ok = text(o.mbusSerial);
        else if (word == QStringLiteral("--values"))
            ok = text(o.values);
        else if (word == QStringLiteral("--hex"))
            o.hex = true;
        else if (word == QStringLiteral("--every")) {
            const auto s = seconds();
            ok = s.has_value();
            o.every = s.value_or(0);
            if (!ok)
                why = QStringLiteral("--every needs a number of seconds");
        } else if (word == QStringLiteral("--for")) {
            o.runFor = seconds();
            ok = o.runFor.has_value();
            if (!ok)
                why = QStringLiteral("--for needs a number of seconds");
        } else if (!word.startsWith(QStringLiteral("--")) && o.dir.isEmpty()) {
            o.dir = word;
        } else {
            ok = false;
        }
        if (!ok) {
            if (why.isEmpty())
                why = QStringLiteral("unexpected '%1'").arg(word);
            return false;
        }
    }
    if (o.dir.isEmpty() || o.mbusTcp.isEmpty() == o.mbusSerial.isEmpty()) {
        why =
            QStringLiteral("give the configuration folder and one of --mbus-tcp or --mbus-serial");
        return false;
    }
    if (int(!o.line.tcp.isEmpty()) + int(!o.line.serial.isEmpty()) + int(!o.values.isEmpty()) > 1) {
        why = QStringLiteral("give at most one of --tcp, --serial and --values");
        return false;
    }
    return true;
}

// "HOST:PORT" with HOST a literal address ("[::1]:PORT" for IPv6); the port is required.
bool splitListenAddress(const QString& text, QString& host, int& port) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    host = text.left(colon);
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        return false;
    bool ok = false;
    port = text.mid(colon + 1).toInt(&ok);
    return ok && port >= 0 && port <= 65535 && Gateway::isLiteralAddress(host);
}

} // namespace

// Exit status: 0 after the time given or an interruption, 2 wrong arguments, a configuration
// that cannot be read, or a place that cannot be listened on.
int gateway(const QStringList& args, QTextStream& out, QTextStream& err) {
    GatewayOptions o;
    QString why;
    if (!parse(args, o, why)) {
        err << "gateway: " << why << '\n' << GatewayUsage;
        return 2;
    }
    const std::optional<LoadedConfiguration> config = loadConfiguration(o.dir, "gateway", err);
    if (!config)
        return 2;
    const LanguageTable texts;

    Gateway::SlaveBus bus(config->network);
    std::unique_ptr<Gateway::LiveValues> live;
    if (!o.values.isEmpty()) {
        const Gateway::ValuesFile file = Gateway::readValuesFile(o.values, config->network);
        if (!file.ok()) {
            err << "gateway: " << o.values << ": " << file.error << '\n';
            return 2;
        }
        bus.setValues([values = file.values](int n, int v) {
            return values.value({n, v}, Gateway::RecordValue::failed());
        });
    } else if (!o.line.tcp.isEmpty() || !o.line.serial.isEmpty()) {
        const std::optional<Sources::Connection> c =
            o.line.connection(config->parGen, true, std::nullopt, texts, "gateway", err);
        if (!c)
            return 2;
        live = std::make_unique<Gateway::LiveValues>(config->network, *c, int(o.every * 1000));
        bus.setValues([&live](int n, int v) { return live->value(n, v); });
    }

    Gateway::GatewayLink link(bus);
    QString problem;
    if (!o.mbusTcp.isEmpty()) {
        QString host;
        int port = 0;
        if (!splitListenAddress(o.mbusTcp, host, port)) {
            err << "gateway: " << texts.text(Gateway::Text::LiteralAddress) << '\n';
            return 2;
        }
        if (!link.listenTcp(host, port, &problem)) {
            err << "gateway: " << texts.text(Gateway::Text::CannotListen).arg(o.mbusTcp, problem)
                << '\n';
            return 2;
        }
    } else {
        const Gateway::MbusLine line = Gateway::mbusLineOf(config->parGen);
        if (!link.openSerial(o.mbusSerial, line.baud, line.parity, &problem)) {
            err << "gateway: " << texts.text(Gateway::Text::CannotOpen).arg(o.mbusSerial, problem)
                << '\n';
            return 2;
        }
    }
    const auto stamp = [] {
        return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz "));
    };
    out << stamp() << texts.text(Gateway::Text::Listening).arg(link.where()) << '\n';
    out.flush();
    QObject::connect(&link, &Gateway::GatewayLink::exchanged, [&](const Gateway::Exchange& e) {
        out << stamp() << Gateway::logLine(e, texts, o.hex) << '\n';
        out.flush();
    });
    const auto note = [&](int text) {
        return [&, text](const QString& peer) {
            out << stamp() << texts.text(text).arg(peer) << '\n';
            out.flush();
        };
    };
    QObject::connect(&link, &Gateway::GatewayLink::masterConnected,
                     note(Gateway::Text::MasterConnected));
    QObject::connect(&link, &Gateway::GatewayLink::masterRefused,
                     note(Gateway::Text::MasterRefused));
    QObject::connect(&link, &Gateway::GatewayLink::masterLeft, note(Gateway::Text::MasterLeft));
    if (live) {
        QObject::connect(live.get(), &Gateway::LiveValues::updated, [&] {
            out << stamp() << texts.text(Gateway::Text::Readings).arg(live->readings()) << '\n';
            out.flush();
        });
        live->start();
    }

    QEventLoop loop;
    interrupted = 0;
    const auto previousInt = std::signal(SIGINT, onSignal);
    const auto previousTerm = std::signal(SIGTERM, onSignal);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (interrupted)
            loop.quit();
    });
    watch.start(50);
    if (o.runFor)
        QTimer::singleShot(int(*o.runFor * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    if (live)
        live->stop();
    link.stop();
    out << stamp() << texts.text(Gateway::Text::Stopped) << '\n';
    return 0;
}

} // namespace Cli
