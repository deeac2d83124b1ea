#pragma once

#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "core/report/InstallationReport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class LanguageTable;

// What leaves the program as a file for other people: the network as a spreadsheet and the
// installation report. The windows and ordano-cli both run these, so a file written by one
// is the file the other writes.
namespace Exports {

// Writes `nodes` as a spreadsheet in the language of `texts` to `path`, a file the user
// named (never one of the configuration's own files). Empty on success, else what failed.
QString writeCsv(const Network& nodes, const LanguageTable& texts, const QString& configDir,
                 const QString& path);

struct CsvFile {
    NetworkCsv::ImportResult imported; // its error says why the content was refused
    QString unreadable;                // why the file could not be read, without its name
    bool ok() const { return unreadable.isEmpty() && imported.ok(); }
};
// Reads a spreadsheet file in any of `languages` (texts first); messages in the language of
// `texts`.
CsvFile readCsv(const QString& path, const LanguageTable& texts,
                const QList<LanguageTable>& languages);

enum class ReportFormat { Html, Markdown, Pdf };
// By the file name's extension, as the save dialog offers them; HTML unless ".pdf" or ".md".
ReportFormat reportFormatOf(const QString& path);

// The printer of PDF files (it needs the Gui layer, which core does not reach).
using PdfWriter = std::function<QString(const InstallationReport::Document& document,
                                        const QString& path, const QStringList& reserved)>;

// Builds the report of `input` in the language of `texts` and writes it to `path` in
// `format`. Empty on success, else what failed.
QString writeReport(const InstallationReport::Input& input, const LanguageTable& texts,
                    ReportFormat format, const QString& configDir, const QString& path,
                    const PdfWriter& pdf);

} // namespace Exports
