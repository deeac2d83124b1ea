#include "core/report/Exports.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "core/image/BankFiles.h"

namespace Exports {

QString writeCsv(const Network& nodes, const LanguageTable& texts, const QString& configDir,
                 const QString& path) {
    return writeUserFile(path, NetworkCsv::exportNetwork(nodes, texts),
                         configurationFiles(configDir));
}

CsvFile readCsv(const QString& path, const LanguageTable& texts,
                const QList<LanguageTable>& languages) {
    // A FIFO or a device is refused at once, never waited on.
    const BoundedFile::Result file = BoundedFile::read(path, NetworkCsv::FileLimit);
    if (!file.ok())
        return {{}, file.reason};
    return {NetworkCsv::importNetwork(file.bytes, texts, languages), {}};
}

ReportFormat reportFormatOf(const QString& path) {
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return ReportFormat::Pdf;
    if (path.endsWith(QStringLiteral(".md"), Qt::CaseInsensitive))
        return ReportFormat::Markdown;
    return ReportFormat::Html;
}

QString writeReport(const InstallationReport::Input& input, const LanguageTable& texts,
                    ReportFormat format, const QString& configDir, const QString& path,
                    const PdfWriter& pdf) {
    const InstallationReport::Document document = InstallationReport::build(input, texts);
    const QStringList ownFiles = configurationFiles(configDir);
    switch (format) {
    case ReportFormat::Markdown:
        return writeUserFile(path, InstallationReport::toMarkdown(document).toUtf8(), ownFiles);
    case ReportFormat::Pdf:
        return pdf(document, path, ownFiles);
    case ReportFormat::Html:
        break;
    }
    return writeUserFile(path, InstallationReport::toHtml(document).toUtf8(), ownFiles);
}

} // namespace Exports
