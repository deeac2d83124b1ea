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

TVariabile variableFromPanel(const VariablePanel& p) {
    TVariabile v;
    v.Enable = p.enable;
    v.Description = p.description;
    v.Type_Of_Data = p.type;
    v.Function_Field = p.functionField;
    v.Dimension = p.dimension;
    v.Unita = p.unit;
    v.VIFE = quint8(p.vife); // -1, nothing selected, stores 255
    v.Scale = p.scale.selected < 0 ? quint8(CodingTables::NoScale) : quint8(p.scale.selected);
    v.Mod_ToD = p.modToD;
    v.Mod_Swap = p.modSwap;
    v.Storage_Number = quint32(NumberRule::toInt64(p.storageNumber).value_or(0));
    v.Tariff = qint32(NumberRule::toInt64(p.tariff).value_or(0));
    // The field is one byte: a length beyond it keeps its low eight bits.
    v.Length = quint8(quint32(NumberRule::toInt32(p.length).value_or(0)) & 0xFFu);
    v.Mod_ID = NumberRule::toInt32(p.slaveId).value_or(0);
    v.Mod_NumReg = NumberRule::toInt32(p.modbusRegister).value_or(0);
    v.Mod_NPoint = NumberRule::toInt32(p.points).value_or(0);
    return v;
}
