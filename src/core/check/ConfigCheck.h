#pragma once

#include "core/check/ConfigFinding.h"
#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"

#include <QList>
#include <QString>

class LanguageTable;

QList<ConfigFinding> checkParGen(const GeneralParameters& record, const LanguageTable& texts);
QList<ConfigFinding> checkNetwork(const Network& nodes, const LanguageTable& texts);

struct ConfigCheckResult {
    QList<ConfigFinding> findings;
    QStringList errors;   // files that exist but cannot be read: the reader's message
    QStringList warnings; // what the device accepts but cannot work with; never a finding
};

// Reads ParGen.xml and M_Bus.xml of a configuration folder with the windows' readers. An
// absent file is no problem: the windows start from their defaults.
ConfigCheckResult checkConfiguration(const QString& configDir, const LanguageTable& texts);
