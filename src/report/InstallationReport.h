#pragma once

#include "comm/ParGen.h"
#include "mbus/Network.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class LangTable;

// The document an installer hands to the M-Bus head-end's integrator: the communication
// settings in words, then every node with its records in order. It is built once as plain
// sections and tables, then written as Markdown or HTML (and printed to PDF by the gui
// layer), so the formats cannot tell different stories.
namespace InstallationReport {

struct Table {
    QStringList header;
    QList<QStringList> rows;
};

struct Section {
    QString title;
    int level = 2; // 2 for a chapter, 3 for a node within the network chapter
    QList<std::pair<QString, QString>> facts; // label, value
    Table table;                              // may be empty
    QStringList notes;
};

struct Document {
    QString title;
    // The running head and foot of a printed page.
    QString configurationName;
    QString date;
    QString pageOfPages; // "%1" the page, "%2" the count
    QList<std::pair<QString, QString>> facts;
    QStringList notices; // shown first, e.g. images older than the configuration
    QList<Section> sections;
};

struct Input {
    QString configurationName;
    QDateTime date;
    QString softwareVersion;
    std::optional<Par_Gen> parGen; // nullopt: no ParGen.xml yet
    TNodi_List nodes;
    bool imagesMissing = false;
    bool imagesStale = false; // bin/ older than either configuration file
    QString historyOf;        // the configuration folder whose updates are told; empty: none
};

struct Gathered {
    Input input;
    QString error; // a configuration file that cannot be read
    bool ok() const { return error.isEmpty(); }
};

// Reads both files of a configuration folder with the windows' readers and compares the
// images' times with the files'.
Gathered gather(const QString& configDir, const QDateTime& now, const QString& softwareVersion);

Document build(const Input& input, const LangTable& texts);

QString toMarkdown(const Document& document);
QString toHtml(const Document& document);

} // namespace InstallationReport
