#pragma once

#include "comm/ParGen.h"
#include "mbus/Network.h"

#include <QList>
#include <QString>

class LangTable;

// What `ordano-cli check` reports: every stored value that the windows would refuse on
// confirmation or could not show, with where it is and the message the window would give.
struct ConfigFinding {
    QString file;     // "ParGen.xml" or "M_Bus.xml"
    QString location; // element, or node and variable; empty for the whole file
    QString message;

    QString line() const; // "file: location: message"
    bool operator==(const ConfigFinding&) const = default;
};

QList<ConfigFinding> checkParGen(const Par_Gen& record, const LangTable& texts);
QList<ConfigFinding> checkNetwork(const TNodi_List& nodes, const LangTable& texts);

struct ConfigCheckResult {
    QList<ConfigFinding> findings;
    QStringList errors; // files that exist but cannot be read: the reader's message
    QStringList warnings; // what the device accepts but cannot work with; never a finding
};

// Reads ParGen.xml and M_Bus.xml of a configuration folder with the windows' readers. An
// absent file is no problem: the windows start from their defaults.
ConfigCheckResult checkConfiguration(const QString& configDir, const LangTable& texts);
