#include "cli/Commands.h"
#include "cli/ModbusLine.h"

#include "core/lang/LanguageTable.h"
#include "core/sources/ContinuousRead.h"
#include "core/sources/MbusTexts.h"
#include "core/sources/SourceRead.h"
#include "core/sources/SourceTexts.h"

#include <QElapsedTimer>
#include <QThread>

namespace Cli {

namespace {

const char* const ReadSourcesUsage =
    "Usage: ordano-cli read-sources CONFIG_DIR (--serial PORT | --tcp HOST[:PORT]) [--json]\n"
    "                  [--baud N] [--parity none|even|odd] [--timeout MS]\n"
    "                  [--every SECONDS --count N]\n";

struct ReadSourcesOptions {
    QString dir;
    ModbusLineOptions line;
    bool json = false;
    int every = 0; // seconds between passes; 0 reads once
    int count = 1;
};

// False (with the reason in `why`) for words that do not make a command line.
bool parse(const QStringList& args, ReadSourcesOptions& o, QString& why) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const auto number = [&](int low, int high) { return optionNumber(args, i, low, high); };
        const ModbusLineOptions::Word line = o.line.take(args, i, why);
        if (line == ModbusLineOptions::Word::Refused)
            return false;
        if (line == ModbusLineOptions::Word::Taken)
            continue;
        if (word == QStringLiteral("--json")) {
            o.json = true;
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
    if (o.dir.isEmpty() || !o.line.oneLine()) {
        why = QStringLiteral("give the configuration folder and one of --serial or --tcp");
        return false;
    }
    return true;
}

// "1 Heat · Energy: changed, +1200 Wh/h" for each variable that changed since the last pass.
void printChanges(const Sources::ReadPlan& plan, const QList<Sources::ResultRow>& rows,
                  const QList<Sources::Change>& changes, const LanguageTable& texts,
                  QTextStream& out) {
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
    const std::optional<LoadedConfiguration> config = loadConfiguration(o.dir, "read-sources", err);
    if (!config)
        return 2;
    const LanguageTable texts;
    const std::optional<Sources::Connection> line =
        o.line.connection(config->parGen, true, std::nullopt, texts, "read-sources", err);
    if (!line)
        return 2;
    const Sources::Connection& c = *line;

    const Sources::ReadPlan plan = Sources::makeReadPlan(config->network);
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
