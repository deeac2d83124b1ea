#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "common/Product.h"
#include "core/image/BankFiles.h"
#include "core/lang/LangTable.h"
#include "core/report/InstallationReport.h"
#include "render/ReportPdf.h"

#include <QDateTime>
#include <QFileInfo>

namespace Cli {

namespace {

struct ReportArgs {
    QString dir;
    QString format;
    QString output;
};

std::optional<ReportArgs> parseReportArgs(const QStringList& args) {
    ReportArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if ((word == QStringLiteral("--format") || word == QStringLiteral("-o")) &&
            i + 1 < args.size()) {
            (word == QStringLiteral("-o") ? parsed.output : parsed.format) = args[++i];
        } else if (parsed.dir.isEmpty() && !word.startsWith(QLatin1Char('-'))) {
            parsed.dir = word;
        } else {
            return std::nullopt;
        }
    }
    const QStringList formats = {QStringLiteral("html"), QStringLiteral("pdf"),
                                 QStringLiteral("md")};
    if (parsed.dir.isEmpty() || parsed.output.isEmpty() || !formats.contains(parsed.format))
        return std::nullopt;
    return parsed;
}

} // namespace

bool needsGui(const QStringList& args) {
    if (args.value(0) != QStringLiteral("report"))
        return false;
    const auto parsed = parseReportArgs(args.mid(1));
    return parsed && parsed->format == QStringLiteral("pdf");
}

int report(const QStringList& args, QTextStream& out, QTextStream& err) {
    const auto parsed = parseReportArgs(args);
    if (!parsed) {
        err << "Usage: ordano-cli report CONFIG_DIR --format html|pdf|md -o FILE\n";
        return 2;
    }
    if (!QFileInfo(parsed->dir).isDir()) {
        err << "report: " << parsed->dir << " is not a folder\n";
        return 2;
    }
    const auto gathered = InstallationReport::gather(parsed->dir, QDateTime::currentDateTime(),
                                                     QString::fromLatin1(SW_Version));
    if (!gathered.ok()) {
        err << "report: " << gathered.error << '\n';
        return 1;
    }
    const LangTable texts;
    const auto document = InstallationReport::build(gathered.input, texts);
    const QStringList ownFiles = configurationFiles(parsed->dir);
    QString failed;
    if (parsed->format == QStringLiteral("md"))
        failed = writeUserFile(parsed->output, InstallationReport::toMarkdown(document).toUtf8(),
                               ownFiles);
    else if (parsed->format == QStringLiteral("html"))
        failed =
            writeUserFile(parsed->output, InstallationReport::toHtml(document).toUtf8(), ownFiles);
    else
        failed = writeReportPdf(document, parsed->output, ownFiles);
    if (!failed.isEmpty()) {
        err << "report: " << failed << '\n';
        return 1;
    }
    out << FileName::shown(parsed->output) << '\n';
    return 0;
}

} // namespace Cli
