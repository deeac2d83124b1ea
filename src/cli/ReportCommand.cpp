#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "common/Product.h"
#include "core/lang/LanguageTable.h"
#include "core/report/Exports.h"
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
        if (word == QStringLiteral("--language") && i + 1 < args.size()) {
            ++i; // taken by takeLanguage
        } else if ((word == QStringLiteral("--format") || word == QStringLiteral("-o")) &&
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

int report(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const std::optional<LanguageTable> texts = takeLanguage(args, err, "report");
    const auto parsed = parseReportArgs(args);
    if (!texts || !parsed) {
        err << "Usage: ordano-cli report CONFIG_DIR --format html|pdf|md -o FILE "
               "[--language NAME]\n";
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
    const Exports::ReportFormat format =
        parsed->format == QStringLiteral("md")    ? Exports::ReportFormat::Markdown
        : parsed->format == QStringLiteral("pdf") ? Exports::ReportFormat::Pdf
                                                  : Exports::ReportFormat::Html;
    const QString failed = Exports::writeReport(gathered.input, *texts, format, parsed->dir,
                                                parsed->output, writeReportPdf);
    if (!failed.isEmpty()) {
        err << "report: " << failed << '\n';
        return 1;
    }
    out << FileName::shown(parsed->output) << '\n';
    return 0;
}

} // namespace Cli
