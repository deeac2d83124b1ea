#pragma once

#include "core/network/Network.h"
#include "core/network/NetworkMessages.h"

#include <QList>
#include <optional>

// The network editor's limits and range checks, free of any window so that the `check`
// command applies exactly the same rules. Numbers come in as read by the number rule
// (nullopt: the text is not a number, which is out of range). Results are the language
// table's message indexes.
namespace NetworkRules {

inline constexpr int Max_Nodes = 64;
inline constexpr int Max_Variables = 10;

bool primaryAddressValid(std::optional<qint64> value);   // 1..250
bool secondaryAddressValid(std::optional<qint64> value); // 0..99999999
bool slaveIdValid(std::optional<qint64> value);          // 1..247
bool registerValid(std::optional<qint64> value);         // 0..65535
bool pointsValid(std::optional<qint64> value);           // 1..124
bool lengthValid(std::optional<qint64> value);           // 0..191
bool storageNumberValid(std::optional<qint64> value);    // 0..4294967295
bool tariffValid(std::optional<qint64> value);           // 0..1048575

bool canAddNode(qsizetype nodeCount);    // else NetworkMessages::MaxNodes
bool canAddVariable(qsizetype varCount); // else NetworkMessages::MaxVariables

// The values of a variable panel (or of a stored variable) that the checks look at.
struct VariableNumbers {
    std::optional<qint64> slaveId;
    std::optional<qint64> modbusRegister;
    std::optional<qint64> points;
    std::optional<qint64> length;
    std::optional<qint64> storageNumber;
    std::optional<qint64> tariff;
    int dimension = 0; // the length is checked only for "Variable Length"
    QString description;
};

VariableNumbers numbersOf(const Variable& variable);

// checkNewVariable: every failing check in the editor's order (the editor reports the
// first one only), then a description that cannot be stored (931).
QList<int> variableFailures(const VariableNumbers& numbers);

// checkNewNode without the uniqueness check: 649, 650, then a description that
// cannot be stored (930).
QList<int> nodeAddressFailures(std::optional<qint64> primary, std::optional<qint64> secondary,
                               const QString& description);

// checkPrimaryAddress: 0 when `primary` is free. The node at `nodeIndex` is skipped while a node is
// selected (`variableIndex` -1: it is the node being modified); a clash with the node of the
// selected variable gives 651, with any other node 652 (the texts are the same).
int checkPrimaryAddress(const Network& nodes, qint64 primary, int nodeIndex, int variableIndex);

} // namespace NetworkRules
