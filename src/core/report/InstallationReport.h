#pragma once

#include "core/image/ImageSources.h"

#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"
#include "core/report/ReportDocument.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class LanguageTable;

namespace InstallationReport {

struct Input {
    QString configurationName;
    QDateTime date;
    QString softwareVersion;
    std::optional<GeneralParameters> parGen; // nullopt: no ParGen.xml yet
    Network nodes;
    bool imagesMissing = false;
    bool imagesStale = false;     // the images are not known to be compiled from these files
    ImageSources::Verdict images; // why, when it is known
    QString historyOf;            // the configuration folder whose updates are told; empty: none
};

struct Gathered {
    Input input;
    QString error; // a configuration file that cannot be read
    bool ok() const { return error.isEmpty(); }
};

// Reads both files of a configuration folder with the windows' readers and compares them with
// what the images were compiled from.
Gathered gather(const QString& configDir, const QDateTime& now, const QString& softwareVersion);

Document build(const Input& input, const LanguageTable& texts);

QString toMarkdown(const Document& document);
QString toHtml(const Document& document);

} // namespace InstallationReport
