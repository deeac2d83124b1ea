#pragma once

#include <QString>

// What `ordano-cli check` reports: every stored value that the windows would refuse on
// confirmation or could not show, with where it is and the message the window would give.
struct ConfigFinding {
    QString file;     // "ParGen.xml" or "M_Bus.xml"
    QString location; // element, or node and variable; empty for the whole file
    QString message;

    QString line() const; // "file: location: message"
    bool operator==(const ConfigFinding&) const = default;
};
