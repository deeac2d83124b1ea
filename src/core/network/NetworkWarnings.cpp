#include "core/network/NetworkWarnings.h"

#include "common/Excerpt.h"
#include "core/lang/LanguageTable.h"
#include "core/lang/Plural.h"
#include "core/network/CodingTables.h"

#include <QHash>
#include <tuple>

namespace NetworkWarnings {

namespace {

constexpr int Msg_SameRecordCoding = 700;
constexpr int Msg_SourceNarrower = 701;
constexpr int Msg_SameSecondary = 702;
constexpr int Msg_NoEnabledVariable = 486;

bool reachesDevice(const Node& node) {
    for (const Variable& variable : node.variables)
        if (variable.enabled)
            return true;
    return false;
}

QString nodeName(const Node& node) {
    return QString::number(node.primary);
}

// An installer knows a variable by its description; the position tells two of one name apart.
// The same form as the check's findings, and as short: a file may hold megabytes in one value.
QString variableName(const Node& node, int v) {
    const QString description = node.variables[v].description.trimmed();
    const QString position = QString::number(v + 1);
    if (description.isEmpty())
        return position;
    return position + u' ' + Excerpt::quoted(description);
}

// The master tells records of one node apart by their header only: these fields.
using RecordKey = std::tuple<qint32, quint16, qint32, quint32, qint32, qint32, quint8>;
RecordKey recordKey(const Variable& v) {
    return {v.dataType, v.scale, v.function, v.storageNumber, v.tariff, v.unit, v.vife};
}

} // namespace

int sourceBits(const Variable& variable) {
    constexpr int HoldingRegister = 2;
    constexpr int InputRegister = 3;
    const bool registers =
        variable.modbusType == HoldingRegister || variable.modbusType == InputRegister;
    return variable.modbusCount * (registers ? 16 : 1);
}

int fieldBits(const Variable& variable) {
    // By dimension position: 8, 16, 32, 64, 24, 48, 32 Real, variable, then BCD digits.
    static constexpr int Bits[] = {8, 16, 32, 64, 24, 48, 32, 0, 8, 16, 24, 32, 48};
    static_assert(std::size(Bits) == CodingTables::DimensionCount);
    if (variable.dimension == CodingTables::VariableLengthDimension)
        return variable.length * 8;
    if (variable.dimension < 0 || variable.dimension >= CodingTables::DimensionCount)
        return 0;
    return Bits[variable.dimension];
}

QList<Warning> findWarnings(const Network& nodes, const LanguageTable& texts) {
    QList<Warning> warnings;
    QHash<qint32, int> firstWithSecondary;
    for (int n = 0; n < nodes.size(); ++n) {
        const Node& node = nodes[n];
        if (!reachesDevice(node)) {
            warnings.append({Kind::NoEnabledVariable, n, -1, -1, -1,
                             texts.text(Msg_NoEnabledVariable).arg(nodeName(node))});
            continue;
        }
        const auto seen = firstWithSecondary.constFind(node.secondary);
        if (seen != firstWithSecondary.cend()) {
            warnings.append({Kind::SameSecondaryAddress, n, -1, *seen, -1,
                             texts.text(Msg_SameSecondary)
                                 .arg(nodeName(nodes[*seen]), nodeName(node))
                                 .arg(node.secondary)});
        } else {
            firstWithSecondary.insert(node.secondary, n);
        }

        QList<std::pair<RecordKey, int>> records; // ten at most: a list is enough
        for (int v = 0; v < node.variables.size(); ++v) {
            const Variable& variable = node.variables[v];
            if (!variable.enabled)
                continue;
            const RecordKey key = recordKey(variable);
            for (const auto& [otherKey, other] : std::as_const(records)) {
                if (otherKey == key) {
                    warnings.append({Kind::SameRecordCoding, n, v, n, other,
                                     texts.text(Msg_SameRecordCoding)
                                         .arg(variableName(node, other), variableName(node, v),
                                              nodeName(node))});
                    break;
                }
            }
            records.append({key, v});
            const int source = sourceBits(variable);
            const int field = fieldBits(variable);
            if (source < field)
                warnings.append({Kind::SourceNarrowerThanField, n, v, -1, -1,
                                 texts.text(Msg_SourceNarrower)
                                     .arg(variableName(node, v), nodeName(node),
                                          Plural::count(texts, Plural::Bits, source),
                                          Plural::count(texts, Plural::Bits, field))});
        }
    }
    return warnings;
}

QList<Warning> silentNodes(const Network& nodes, const LanguageTable& texts) {
    QList<Warning> found = findWarnings(nodes, texts);
    found.removeIf([](const Warning& w) { return w.kind != Kind::NoEnabledVariable; });
    return found;
}

} // namespace NetworkWarnings
