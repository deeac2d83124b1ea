#include "core/network/NetworkRules.h"

#include "common/XmlChars.h"
#include "core/network/CodingTables.h"

namespace NetworkRules {

namespace Msg = NetworkMessages;

namespace {

bool within(std::optional<qint64> value, qint64 low, qint64 high) {
    return value && *value >= low && *value <= high;
}

} // namespace

bool primaryAddressValid(std::optional<qint64> value) {
    return within(value, 1, 250);
}

bool secondaryAddressValid(std::optional<qint64> value) {
    return within(value, 0, 99999999);
}

bool slaveIdValid(std::optional<qint64> value) {
    return within(value, 1, 247);
}

bool registerValid(std::optional<qint64> value) {
    return within(value, 0, 65535);
}

bool pointsValid(std::optional<qint64> value) {
    return within(value, 1, 124);
}

bool lengthValid(std::optional<qint64> value) {
    return within(value, 0, 191);
}

bool storageNumberValid(std::optional<qint64> value) {
    return within(value, 0, 4294967295LL);
}

bool tariffValid(std::optional<qint64> value) {
    return within(value, 0, 0xFFFFF);
}

bool canAddNode(qsizetype nodeCount) {
    return nodeCount < Max_Nodes;
}

bool canAddVariable(qsizetype varCount) {
    return varCount < Max_Variables;
}

VariableNumbers numbersOf(const Variable& variable) {
    return {variable.modbusSlave, variable.modbusRegister, variable.modbusCount,
            variable.length,      variable.storageNumber,  variable.tariff,
            variable.dimension,   variable.description};
}

QList<int> variableFailures(const VariableNumbers& numbers) {
    QList<int> failures;
    if (!slaveIdValid(numbers.slaveId))
        failures.append(Msg::SlaveId);
    if (!registerValid(numbers.modbusRegister))
        failures.append(Msg::Register);
    if (!pointsValid(numbers.points))
        failures.append(Msg::Points);
    if (CodingTables::lengthEnabled(numbers.dimension) && !lengthValid(numbers.length))
        failures.append(Msg::Length);
    if (!storageNumberValid(numbers.storageNumber))
        failures.append(Msg::StorageNumber);
    if (!tariffValid(numbers.tariff))
        failures.append(Msg::Tariff);
    if (!XmlChars::storable(numbers.description))
        failures.append(Msg::VariableDescriptionChars);
    return failures;
}

QList<int> nodeAddressFailures(std::optional<qint64> primary, std::optional<qint64> secondary,
                               const QString& description) {
    QList<int> failures;
    if (!primaryAddressValid(primary))
        failures.append(Msg::PrimaryAddress);
    if (!secondaryAddressValid(secondary))
        failures.append(Msg::SecondaryAddress);
    if (!XmlChars::storable(description))
        failures.append(Msg::NodeDescriptionChars);
    return failures;
}

int checkPrimaryAddress(const Network& nodes, qint64 primary, int nodeIndex, int variableIndex) {
    for (int i = 0; i < nodes.size(); ++i) {
        if (i == nodeIndex && variableIndex == -1)
            continue;
        if (nodes[i].primary == primary)
            return i == nodeIndex ? Msg::IdUsed : Msg::IdUsedByAnotherNode;
    }
    return 0;
}

} // namespace NetworkRules
