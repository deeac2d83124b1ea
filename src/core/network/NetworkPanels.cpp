#include "core/network/NetworkPanels.h"

#include "common/NumberRule.h"

#include <optional>

namespace {

std::optional<qint64> int32Of(const QString& text) {
    const auto v = NumberRule::toInt32(text);
    return v ? std::optional<qint64>(*v) : std::nullopt;
}

} // namespace

NetworkRules::VariableNumbers panelNumbers(const VariablePanel& panel) {
    NetworkRules::VariableNumbers n;
    n.description = panel.description;
    n.slaveId = int32Of(panel.slaveId);
    n.modbusRegister = int32Of(panel.modbusRegister);
    n.points = int32Of(panel.points);
    n.length = int32Of(panel.length);
    n.storageNumber = NumberRule::toInt64(panel.storageNumber);
    n.tariff = NumberRule::toInt64(panel.tariff);
    n.dimension = panel.dimension;
    return n;
}

Variable variableFromPanel(const VariablePanel& p) {
    Variable v;
    v.enabled = p.enable;
    v.description = p.description;
    v.dataType = p.type;
    v.function = p.functionField;
    v.dimension = p.dimension;
    v.unit = p.unit;
    v.vife = quint8(p.vife); // -1, nothing selected, stores 255
    v.scale = p.scale.selected < 0 ? quint8(CodingTables::NoScale) : quint8(p.scale.selected);
    v.modbusType = p.modToD;
    v.modbusSwap = p.modSwap;
    v.storageNumber = quint32(NumberRule::toInt64(p.storageNumber).value_or(0));
    v.tariff = qint32(NumberRule::toInt64(p.tariff).value_or(0));
    // The field is one byte: a length beyond it keeps its low eight bits.
    v.length = quint8(quint32(NumberRule::toInt32(p.length).value_or(0)) & 0xFFu);
    v.modbusSlave = NumberRule::toInt32(p.slaveId).value_or(0);
    v.modbusRegister = NumberRule::toInt32(p.modbusRegister).value_or(0);
    v.modbusCount = NumberRule::toInt32(p.points).value_or(0);
    return v;
}
