#include "mbus/NetworkEditor.h"

#include "mbus/NetworkCsv.h"
#include "mbus/NetworkWarnings.h"

#include "common/NumberRule.h"
#include "lang/LangTable.h"
#include "mbus/NetworkRules.h"

#include <QDir>
#include <algorithm>

namespace {

constexpr int Txt_AddNode = 610;
constexpr int Txt_ModifyNode = 611;
constexpr int Txt_AddVariable = 634;
constexpr int Txt_ModifyVariable = 635;
constexpr int Msg_DeleteAll = 653;
constexpr int Msg_DeleteNode = 654;
constexpr int Msg_DeleteVariable = 655;

// A stored position outside its list shows as no selection.
int fit(int position, int count) {
    return position >= 0 && position < count ? position : -1;
}

std::optional<qint64> int32Of(const QString& text) {
    const auto v = NumberRule::toInt32(text);
    return v ? std::optional<qint64>(*v) : std::nullopt;
}

} // namespace

NetworkEditor::NetworkEditor(const LangTable& texts) : texts_(texts) {
    Set_Lang();
}

bool NetworkEditor::nodeButtonAdds() const {
    return nodeButtonText == texts_.text(Txt_AddNode);
}

bool NetworkEditor::varButtonAdds() const {
    return varButtonText == texts_.text(Txt_AddVariable);
}

void NetworkEditor::Set_Lang() {
    nodeButtonText = texts_.text(Txt_AddNode);
    varButtonText = texts_.text(Txt_AddVariable);
    varPanel.modToD = 0;
    varPanel.modSwap = 0;
}

void NetworkEditor::selectNothing() {
    IND_NODO = -1;
    IND_VAR = -1;
    nodeButtonText = texts_.text(Txt_AddNode);
    varButtonText = texts_.text(Txt_AddVariable);
}

QString NetworkEditor::FormShow(const QString& path) {
    NetworkLoad load = Load_Network(path);
    unreadFile_ = !load.ok();
    tree_.resetNetwork(load.ok() ? std::move(load.Nodi_List) : TNodi_List());
    selectNothing();
    Is_Change = false;
    return load.error;
}

NetworkEditor::Tab NetworkEditor::TWClick(NetworkTree::Position position) {
    const TNodi_List& nodes = tree_.nodes();
    const bool nodeFound = position.node >= 0 && position.node < nodes.size();
    const bool varFound = nodeFound && position.variable >= 0 &&
                          position.variable < nodes[position.node].Var_List.size();
    IND_NODO = nodeFound && (position.variable < 0 || varFound) ? position.node : -1;
    IND_VAR = IND_NODO >= 0 && varFound ? position.variable : -1;
    CB_Var_MBus_ToDChange();
    Aggiorna_Label();
    CB_Var_MBus_DimChange();
    if (IND_NODO < 0)
        return Tab::Unchanged;
    return IND_VAR < 0 ? Tab::Nodes : Tab::Variables;
}

void NetworkEditor::showNewVariablePanel() {
    VariablePanel fresh;
    fresh.enable = true;
    fresh.storageNumber = QStringLiteral("0");
    fresh.tariff = QStringLiteral("0");
    fresh.lengthEnabled = varPanel.lengthEnabled; // follows the dimension only on a selection
    varPanel = fresh;
    CB_Var_MBus_ToDChange();
}

void NetworkEditor::showVariable(const TVariabile& v) {
    using namespace CodingTables;
    VariablePanel& p = varPanel;
    p.enable = v.Enable;
    p.slaveId = QString::number(v.Mod_ID);
    p.modToD = fit(v.Mod_ToD, ModbusToDCount);
    p.modbusRegister = QString::number(v.Mod_NumReg);
    p.points = QString::number(v.Mod_NPoint);
    p.modSwap = fit(v.Mod_Swap, ModbusSwapCount);
    p.description = v.Description;
    p.type = fit(v.Type_Of_Data, TypeCount);
    p.functionField = fit(v.Function_Field, FunctionFieldCount);
    p.dimension = fit(v.Dimension, DimensionCount);
    p.length = QString::number(v.Length);
    p.unit = fit(v.Unita, UnitCount);
    p.storageNumber = QString::number(v.Storage_Number);
    p.tariff = QString::number(v.Tariff);
    p.vife = fit(v.VIFE, VifeCount);
    CB_Var_MBus_ToDChange();
    p.scale.selected = v.Scale == NoScale ? -1 : fit(v.Scale, int(p.scale.entries.size()));
}

void NetworkEditor::Aggiorna_Label() {
    if (IND_NODO < 0) {
        nodeButtonText = texts_.text(Txt_AddNode);
        varButtonText = texts_.text(Txt_AddVariable);
        CB_Var_MBus_ToDChange();
        return;
    }
    const TNodo& node = tree_.nodes()[IND_NODO];
    nodePanel.description = node.Description;
    nodePanel.primary = QString::number(node.Node_Pri);
    nodePanel.secondary = QString::number(node.Node_Sec);
    if (IND_VAR < 0) {
        nodeButtonText = texts_.text(Txt_ModifyNode);
        varButtonText = texts_.text(Txt_AddVariable);
        showNewVariablePanel();
    } else {
        nodeButtonText = texts_.text(Txt_AddNode);
        varButtonText = texts_.text(Txt_ModifyVariable);
        showVariable(node.Var_List[IND_VAR]);
    }
}

void NetworkEditor::CB_Var_MBus_ToDChange() {
    varPanel.scale = CodingTables::scaleAfterTypeChange(varPanel.type, varPanel.vife);
}

void NetworkEditor::CB_Var_MBus_VIFEChange() {
    varPanel.scale =
        CodingTables::scaleAfterVifeChange(varPanel.type, varPanel.vife, varPanel.scale);
}

void NetworkEditor::CB_Var_MBus_DimChange() {
    varPanel.lengthEnabled = CodingTables::lengthEnabled(varPanel.dimension);
}

int NetworkEditor::Controllo_Num_Max_Nodi() const {
    return NetworkRules::canAddNode(tree_.nodes().size()) ? 0 : NetworkRules::Msg_MaxNodes;
}

int NetworkEditor::Controllo_Num_Max_Var() const {
    if (IND_NODO < 0 || IND_NODO >= tree_.nodes().size())
        return 0;
    return NetworkRules::canAddVariable(tree_.nodes()[IND_NODO].Var_List.size())
               ? 0
               : NetworkRules::Msg_MaxVariables;
}

int NetworkEditor::Controllo_Dati_New_Nodo(bool adding) const {
    const auto primary = int32Of(nodePanel.primary);
    const QList<int> failures = NetworkRules::nodeAddressFailures(
        primary, int32Of(nodePanel.secondary), nodePanel.description);
    if (!failures.isEmpty())
        return failures.first();
    // Only the node being modified may keep its own address: a new node skips none, even
    // when a language change has put the button back in add mode over a selected node.
    const int skipped = adding && IND_VAR < 0 ? -1 : IND_NODO;
    return NetworkRules::Check_Node_ID(tree_.nodes(), *primary, skipped, IND_VAR);
}

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

int NetworkEditor::Controllo_Dati_New_Var() const {
    const QList<int> failures = NetworkRules::variableFailures(panelNumbers(varPanel));
    return failures.isEmpty() ? 0 : failures.first();
}

int NetworkEditor::btn_Add_NodeClick() {
    int message = 0;
    if (nodeButtonAdds()) {
        message = Controllo_Num_Max_Nodi();
        if (message == 0)
            message = Controllo_Dati_New_Nodo(true);
        if (message == 0) {
            TNodo node;
            node.Description = nodePanel.description;
            node.Node_Pri = *NumberRule::toInt32(nodePanel.primary);
            node.Node_Sec = *NumberRule::toInt32(nodePanel.secondary);
            tree_.appendNode(node);
        }
    } else if (IND_NODO >= 0) {
        message = Controllo_Dati_New_Nodo(false);
        if (message == 0)
            tree_.setNodeHeader(IND_NODO, nodePanel.description,
                                *NumberRule::toInt32(nodePanel.primary),
                                *NumberRule::toInt32(nodePanel.secondary));
    }
    Is_Change = true;
    return message;
}

int NetworkEditor::btn_Add_VarClick() {
    int message = 0;
    if (varButtonAdds()) {
        if (IND_NODO >= 0) {
            message = Controllo_Num_Max_Var();
            if (message == 0)
                message = Controllo_Dati_New_Var();
            if (message == 0)
                tree_.appendVariable(IND_NODO, variableFromPanel());
        }
    } else if (IND_NODO >= 0 && IND_VAR >= 0) {
        message = Controllo_Dati_New_Var();
        if (message == 0)
            tree_.setVariable(IND_NODO, IND_VAR, variableFromPanel());
    }
    Is_Change = true;
    return message;
}

TVariabile NetworkEditor::variableFromPanel() const {
    return ::variableFromPanel(varPanel);
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

int NetworkEditor::deleteQuestion() const {
    if (IND_NODO < 0)
        return Msg_DeleteAll;
    return IND_VAR < 0 ? Msg_DeleteNode : Msg_DeleteVariable;
}

NetworkEditor::Tab NetworkEditor::btn_Delete_ItemConfirmed() {
    Is_Change = true;
    if (IND_NODO < 0) {
        tree_.resetNetwork({});
        return Tab::Unchanged;
    }
    // The tree selects the next sibling of the removed item, else the one before, else the
    // parent.
    NetworkTree::Position next;
    if (IND_VAR < 0) {
        tree_.removeNode(IND_NODO);
        if (!tree_.nodes().isEmpty())
            next.node = std::min<int>(IND_NODO, int(tree_.nodes().size()) - 1);
    } else {
        tree_.removeVariable(IND_NODO, IND_VAR);
        const int left = int(tree_.nodes()[IND_NODO].Var_List.size());
        next.node = IND_NODO;
        next.variable = left == 0 ? -1 : std::min(IND_VAR, left - 1);
    }
    return TWClick(next);
}

QString NetworkEditor::LbButton2Click(const QString& path) {
    const QString error = Save_Network(tree_.nodes(), path);
    if (!error.isEmpty())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
    unreadFile_ = false;
    tree_.resetNetwork({});
    selectNothing();
    return {};
}

void NetworkEditor::appendNode(const TNodo& node) {
    tree_.appendNode(node);
}

void NetworkEditor::appendVariable(int nodePos, const TVariabile& variable) {
    tree_.appendVariable(nodePos, variable);
}

std::optional<int> dropDownWidth(const QList<int>& entryWidths, int comboWidth, int scrollBarWidth,
                                 int visibleEntries) {
    int widest = 0;
    for (int w : entryWidths)
        widest = std::max(widest, w + 12);
    int width = widest + 30;
    if (comboWidth - scrollBarWidth >= width)
        return std::nullopt;
    if (entryWidths.size() > visibleEntries)
        width += scrollBarWidth;
    return width;
}

QByteArray NetworkEditor::exportCsv() const {
    return NetworkCsv::exportNetwork(tree_.nodes(), texts_);
}

QString NetworkEditor::importCsv(const QByteArray& bytes) {
    NetworkCsv::ImportResult imported = NetworkCsv::importNetwork(bytes, texts_);
    if (!imported.ok())
        return imported.error;
    tree_.resetNetwork(std::move(imported.nodes));
    selectNothing();
    Is_Change = true;
    return {};
}

QStringList NetworkEditor::warnings() const {
    QStringList texts;
    for (const auto& warning : NetworkWarnings::findWarnings(tree_.nodes(), texts_))
        texts << warning.text;
    return texts;
}
