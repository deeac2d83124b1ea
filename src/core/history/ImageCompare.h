#pragma once

#include "core/image/ImageDecode.h"
#include "core/network/Network.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class LanguageTable;

// What one image pair changes on the device compared with another, field by field, in the
// words of the coding tables and the language table. It works on the decoded images, so it
// shows what the device receives, not how the configuration files were written.
namespace ImageCompare {

enum class Kind {
    Setting,         // a communication setting (bank.bin parameters or bank2.bin)
    NodeAdded,       // new: the node's variable count
    NodeRemoved,     // old: the node's variable count
    NodeMoved,       // old, new: positions among the nodes both images hold, from 1
    Node,            // a field of a node both images hold
    VariableAdded,   // a record position only the new node has
    VariableRemoved, // a record position only the old node has
    Variable,        // a field of a record both nodes hold
};

struct Change {
    Kind kind = Kind::Setting;
    int node = -1;    // primary address; -1 for a setting
    int variable = 0; // record position within the node, from 1; 0 for none
    QString field;    // stable key, e.g. "mbus_baud", "modbus_register"; empty for whole items
    QString oldValue; // in words; empty where there is none
    QString newValue;
    bool operator==(const Change&) const = default;
};

// What the images cannot carry: descriptions from M_Bus.xml, by primary address. Records
// hold only enabled variables, so the variable names are those of the enabled ones in order.
struct Labels {
    QHash<int, QString> nodes;
    QHash<int, QStringList> variables;
};
Labels labelsFrom(const Network& network);

// Nodes are matched by primary address; records by their position within the node.
QList<Change> compare(const ImageDecode::Images& before, const ImageDecode::Images& after,
                      const LanguageTable& texts);

// One line per change; the labels of the new images name a node first, the old ones next.
QString describe(const Change& change, const Labels& before, const Labels& after,
                 const LanguageTable& texts);
// Every line, or the one line "Nothing changes on the device".
QStringList describeAll(const QList<Change>& changes, const Labels& before, const Labels& after,
                        const LanguageTable& texts);

QString kindName(Kind kind);
// A JSON array of objects with kind, node, variable, field, old and new.
QByteArray toJson(const QList<Change>& changes);

} // namespace ImageCompare
