#pragma once

#include "core/network/Network.h"

#include <QList>
#include <QString>

class LanguageTable;

// Faults the device would accept but that keep a network from working. They never refuse
// anything: the editor's checks stay the only refusals, and OK and compile go on.
namespace NetworkWarnings {

enum class Kind {
    SameRecordCoding,        // two enabled records of a node the master cannot tell apart
    SourceNarrowerThanField, // the Modbus source has fewer bits than the M-Bus field
    SameSecondaryAddress,    // two nodes on the device answer to one secondary address
    NoEnabledVariable,       // the node is left out of the images: nothing answers there
};

struct Warning {
    Kind kind;
    int node;      // position in the network
    int variable;  // position in the node; -1 for node warnings
    int otherNode; // the second node or variable of a pair; -1 when there is none
    int otherVariable;
    QString text; // from the language table

    bool operator==(const Warning&) const = default;
};

// Bits that a variable's Modbus source delivers: 16 per register, 1 per coil or input.
int sourceBits(const Variable& variable);
// Bits of the M-Bus field; 0 when the dimension is not in the list.
int fieldBits(const Variable& variable);

// Every warning of the network, node by node, in a fixed order. Only what reaches the
// device counts: enabled variables, and nodes with at least one of them; a node without one
// is left out of the images, which is itself a warning.
QList<Warning> findWarnings(const Network& nodes, const LanguageTable& texts);

// Only the nodes the images leave out, for a comparison of images, which cannot see them.
QList<Warning> silentNodes(const Network& nodes, const LanguageTable& texts);

} // namespace NetworkWarnings
