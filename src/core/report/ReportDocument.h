#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The document an installer hands to the M-Bus head-end's integrator: the communication
// settings in words, then every node with its records in order. It is built once as plain
// sections and tables, then written as Markdown or HTML (and printed to PDF by the gui
// layer), so the formats cannot tell different stories.
namespace InstallationReport {

struct Table {
    QStringList header;
    QList<QStringList> rows;
    QList<int> wholeColumns; // columns of formulas, never broken inside (a scale)
};

struct Section {
    QString title;
    int level = 2; // 2 for a chapter, 3 for a node within the network chapter (all of them
                   // with records share one column layout)
    QString lead;  // a plain line below the title
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

} // namespace InstallationReport
