#include "cli/Commands.h"
#include "cli/ModbusLine.h"

#include "core/comm/GeneralParameters.h"
#include "core/lang/LanguageTable.h"
#include "core/sources/ScanTexts.h"
#include "core/sources/SourceTexts.h"

namespace Cli {

namespace {

const char* const ScanUsage =
    "Usage: ordano-cli scan (--serial PORT | --tcp HOST[:PORT]) [--ids FIRST-LAST]\n"
    "                  [--timeout MS] [--config DIR] [--json] [--baud N] [--parity "
    "none|even|odd]\n";

struct ScanOptions {
    ModbusLineOptions line;
    QString config;
    bool json = false;
    int first = Sources::ScanFirstId;
    int last = Sources::ScanLastId;
};

bool parse(const QStringList& args, ScanOptions& o, QString& why) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const bool hasValue = i + 1 < args.size();
        const ModbusLineOptions::Word line = o.line.take(args, i, why);
        if (line == ModbusLineOptions::Word::Refused)
            return false;
        if (line == ModbusLineOptions::Word::Taken)
            continue;
        if (word == QStringLiteral("--json")) {
            o.json = true;
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
        } else {
            why = QStringLiteral("unexpected '%1'").arg(word);
            return false;
        }
    }
    if (!o.line.oneLine()) {
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
    const LanguageTable texts;
    GeneralParameters parGen;
    std::optional<QList<int>> configured;
    if (!o.config.isEmpty()) {
        const std::optional<LoadedConfiguration> config = loadConfiguration(o.config, "scan", err);
        if (!config)
            return 2;
        parGen = config->parGen;
        configured = Sources::configuredIds(Sources::makeReadPlan(config->network));
    }
    // A scan asks one register with a short wait of its own, whatever the configuration's.
    const std::optional<Sources::Connection> line =
        o.line.connection(parGen, false, Sources::ScanTimeoutMs, texts, "scan", err);
    if (!line)
        return 2;
    const Sources::Connection& c = *line;

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
