#include "core/editor/NetworkEditor.h"

#include "common/NumberRule.h"
#include "core/lang/LangTable.h"
#include "core/editor/NetworkCommands.h"
#include "core/network/NetworkCsv.h"
#include "core/network/NetworkImport.h"
#include "core/network/NetworkMessages.h"
#include "core/network/NetworkRules.h"

#include <QDir>
#include <algorithm>

namespace {

constexpr int Txt_AddNode = 610;
constexpr int Txt_ModifyNode = 611;
constexpr int Txt_AddVariable = 634;
constexpr int Txt_ModifyVariable = 635;
constexpr int Txt_NewFromTemplate = 363; // the name Undo shows

// A stored position outside its list shows as no selection.
int fit(int position, int count) {
    return position >= 0 && position < count ? position : -1;
}

std::optional<qint64> int32Of(const QString& text) {
    const auto v = NumberRule::toInt32(text);
    return v ? std::optional<qint64>(*v) : std::nullopt;
}

} // namespace

NetworkEditor::NetworkEditor(const LangTable& texts, QObject* parent)
    : QObject(parent), texts_(texts), stack_(new CommandStack(this)) {
    connect(stack_, &CommandStack::cleanChanged, this, &NetworkEditor::emitChangeFlag);
    // A press that changed nothing counts until the network next changes.
    connect(stack_, &CommandStack::indexChanged, this, [this] { pressed_ = false; });
    Set_Lang();
}

NetworkEditor::~NetworkEditor() {
    // The commands reach into the tree, which goes before the stack's own deletion.
    stack_->clear();
}

bool NetworkEditor::Is_Change() const {
    return pressed_ || !stack_->isClean();
}

void NetworkEditor::emitChangeFlag() {
    const bool changed = Is_Change();
    if (changed != lastChangeFlag_) {
        lastChangeFlag_ = changed;
        emit changeFlagChanged(changed);
    }
}

void NetworkEditor::markPressed() {
    pressed_ = true;
    emitChangeFlag();
}

QString NetworkEditor::nodeButtonText() const {
    return texts_.text(nodeMode_ == Mode::Add ? Txt_AddNode : Txt_ModifyNode);
}

QString NetworkEditor::varButtonText() const {
    return texts_.text(varMode_ == Mode::Add ? Txt_AddVariable : Txt_ModifyVariable);
}

void NetworkEditor::Set_Lang() {
    nodeMode_ = Mode::Add;
    varMode_ = Mode::Add;
    varPanel.modToD = 0;
    varPanel.modSwap = 0;
}

void NetworkEditor::selectNothing() {
    indNodo_ = -1;
    indVar_ = -1;
    nodeMode_ = Mode::Add;
    varMode_ = Mode::Add;
}

void NetworkEditor::push(NetworkCommand* command, int nameText) {
    command->setText(texts_.text(nameText));
    stack_->push(std::unique_ptr<Command>(command));
    emitChangeFlag();
}

void NetworkEditor::replaceNetwork(TNodi_List nodes) {
    tree_.resetNetwork(std::move(nodes));
}

void NetworkEditor::restoreSelection(NetworkTree::Position position) {
    const Tab tab = TWClick(position);
    emitChangeFlag();
    emit restored(tab);
}

void NetworkEditor::undo() {
    stack_->undo();
    emitChangeFlag();
}

void NetworkEditor::redo() {
    stack_->redo();
    emitChangeFlag();
}

QString NetworkEditor::FormShow(const QString& path) {
    NetworkLoad load = Load_Network(path);
    unreadFile_ = !load.ok();
    stack_->clear();
    tree_.resetNetwork(load.ok() ? std::move(load.Nodi_List) : TNodi_List());
    selectNothing();
    pressed_ = false;
    emitChangeFlag();
    return load.error;
}

NetworkEditor::Tab NetworkEditor::TWClick(NetworkTree::Position position) {
    const TNodi_List& nodes = tree_.nodes();
    const bool nodeFound = position.node >= 0 && position.node < nodes.size();
    const bool varFound = nodeFound && position.variable >= 0 &&
                          position.variable < nodes[position.node].Var_List.size();
    indNodo_ = nodeFound && (position.variable < 0 || varFound) ? position.node : -1;
    indVar_ = indNodo_ >= 0 && varFound ? position.variable : -1;
    CB_Var_MBus_ToDChange();
    Aggiorna_Label();
    CB_Var_MBus_DimChange();
    if (indNodo_ < 0)
        return Tab::Unchanged;
    return indVar_ < 0 ? Tab::Nodes : Tab::Variables;
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
    if (indNodo_ < 0) {
        nodeMode_ = Mode::Add;
        varMode_ = Mode::Add;
        CB_Var_MBus_ToDChange();
        return;
    }
    const TNodo& node = tree_.nodes()[indNodo_];
    nodePanel.description = node.Description;
    nodePanel.primary = QString::number(node.Node_Pri);
    nodePanel.secondary = QString::number(node.Node_Sec);
    if (indVar_ < 0) {
        nodeMode_ = Mode::Modify;
        varMode_ = Mode::Add;
        showNewVariablePanel();
    } else {
        nodeMode_ = Mode::Add;
        varMode_ = Mode::Modify;
        showVariable(node.Var_List[indVar_]);
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
    return NetworkRules::canAddNode(tree_.nodes().size()) ? 0 : NetworkMessages::MaxNodes;
}

int NetworkEditor::Controllo_Num_Max_Var() const {
    if (indNodo_ < 0 || indNodo_ >= tree_.nodes().size())
        return 0;
    return NetworkRules::canAddVariable(tree_.nodes()[indNodo_].Var_List.size())
               ? 0
               : NetworkMessages::MaxVariables;
}

int NetworkEditor::Controllo_Dati_New_Nodo(bool adding) const {
    const auto primary = int32Of(nodePanel.primary);
    const QList<int> failures = NetworkRules::nodeAddressFailures(
        primary, int32Of(nodePanel.secondary), nodePanel.description);
    if (!failures.isEmpty())
        return failures.first();
    // Only the node being modified may keep its own address: a new node skips none, even
    // when a language change has put the button back in add mode over a selected node.
    const int skipped = adding && indVar_ < 0 ? -1 : indNodo_;
    return NetworkRules::Check_Node_ID(tree_.nodes(), *primary, skipped, indVar_);
}


int NetworkEditor::Controllo_Dati_New_Var() const {
    const QList<int> failures = NetworkRules::variableFailures(panelNumbers(varPanel));
    return failures.isEmpty() ? 0 : failures.first();
}

int NetworkEditor::btn_Add_NodeClick() {
    int message = 0;
    bool changed = false;
    if (nodeMode_ == Mode::Add) {
        message = Controllo_Num_Max_Nodi();
        if (message == 0)
            message = Controllo_Dati_New_Nodo(true);
        if (message == 0) {
            push(new AddNodeCommand(*this, TNodo{nodePanel.description,
                                                 *NumberRule::toInt32(nodePanel.primary),
                                                 *NumberRule::toInt32(nodePanel.secondary),
                                                 {}}),
                 NetworkMessages::AddNodeName);
            changed = true;
        }
    } else if (indNodo_ >= 0) {
        message = Controllo_Dati_New_Nodo(false);
        const TNodo& shown = tree_.nodes()[indNodo_];
        const TNodo header{nodePanel.description,
                           NumberRule::toInt32(nodePanel.primary).value_or(0),
                           NumberRule::toInt32(nodePanel.secondary).value_or(0),
                           {}};
        if (message == 0 &&
            TNodo{shown.Description, shown.Node_Pri, shown.Node_Sec, {}} != header) {
            push(new ModifyNodeCommand(*this, indNodo_, header), NetworkMessages::ModifyNodeName);
            changed = true;
        }
    }
    if (!changed)
        markPressed();
    return message;
}

int NetworkEditor::btn_Add_VarClick() {
    int message = 0;
    bool changed = false;
    if (varMode_ == Mode::Add) {
        if (indNodo_ >= 0) {
            message = Controllo_Num_Max_Var();
            if (message == 0)
                message = Controllo_Dati_New_Var();
            if (message == 0) {
                push(new AddVariableCommand(*this, indNodo_, variableFromPanel()),
                     NetworkMessages::AddVariableName);
                changed = true;
            }
        }
    } else if (indNodo_ >= 0 && indVar_ >= 0) {
        message = Controllo_Dati_New_Var();
        const TVariabile variable = variableFromPanel();
        if (message == 0 && tree_.nodes()[indNodo_].Var_List[indVar_] != variable) {
            push(new ModifyVariableCommand(*this, indNodo_, indVar_, variable),
                 NetworkMessages::ModifyVariableName);
            changed = true;
        }
    }
    if (!changed)
        markPressed();
    return message;
}

TVariabile NetworkEditor::variableFromPanel() const {
    return ::variableFromPanel(varPanel);
}


int NetworkEditor::deleteQuestion() const {
    if (indNodo_ < 0)
        return NetworkMessages::DeleteAll;
    return indVar_ < 0 ? NetworkMessages::DeleteNode : NetworkMessages::DeleteVariable;
}

NetworkEditor::Tab NetworkEditor::btn_Delete_ItemConfirmed() {
    if (indNodo_ < 0) {
        push(new ReplaceNetworkCommand(*this, {}), NetworkMessages::DeleteAllName);
        return Tab::Unchanged;
    }
    // The tree selects the next sibling of the removed item, else the one before, else the
    // parent.
    NetworkTree::Position next;
    if (indVar_ < 0) {
        const int left = int(tree_.nodes().size()) - 1;
        if (left > 0)
            next.node = std::min(indNodo_, left - 1);
        push(new DeleteNodeCommand(*this, indNodo_, next), NetworkMessages::DeleteNodeName);
    } else {
        const int left = int(tree_.nodes()[indNodo_].Var_List.size()) - 1;
        next.node = indNodo_;
        next.variable = left == 0 ? -1 : std::min(indVar_, left - 1);
        push(new DeleteVariableCommand(*this, indNodo_, indVar_, next),
             NetworkMessages::DeleteVariableName);
    }
    return TWClick(next);
}

QString NetworkEditor::LbButton2Click(const QString& path) {
    const QString error = Save_Network(tree_.nodes(), path);
    if (!error.isEmpty())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
    unreadFile_ = false;
    stack_->clear();
    tree_.resetNetwork({});
    selectNothing();
    pressed_ = false;
    emitChangeFlag();
    return {};
}

int NetworkEditor::copyVariable() {
    return copyBuffers_.copyVariable(tree_.nodes(), indNodo_, indVar_);
}

int NetworkEditor::copyNode() {
    return copyBuffers_.copyNode(tree_.nodes(), indNodo_);
}

int NetworkEditor::pasteVariableRefusal() const {
    return PasteRules::pasteVariableRefusal(copyBuffers_, tree_.nodes(), indNodo_);
}

int NetworkEditor::pasteNodeRefusal() const {
    return PasteRules::pasteNodeRefusal(copyBuffers_);
}

int NetworkEditor::pasteVariable(const QStringList& newValues) {
    if (const int refusal = pasteVariableRefusal())
        return refusal;
    // The limit is checked after the dialog.
    if (const int full = Controllo_Num_Max_Var())
        return full;
    push(new AddVariableCommand(
             *this, indNodo_,
             PasteRules::pastedVariable(texts_, *copyBuffers_.Copy_Var(),
                                        newValues.mid(0, PasteRules::Rows_Per_Variable))),
         NetworkMessages::PasteVariableName);
    return 0;
}

int NetworkEditor::pasteNode(const QString& primary, const QString& secondary,
                             const QStringList& newValues) {
    if (const int refusal = pasteNodeRefusal())
        return refusal;
    if (const int full = Controllo_Num_Max_Nodi())
        return full;
    // Always at the end, whatever is selected.
    push(new AddNodeCommand(*this, PasteRules::pastedNode(texts_, *copyBuffers_.Copy_Node(),
                                                          primary, secondary, newValues)),
         NetworkMessages::PasteNodeName);
    return 0;
}

int NetworkEditor::newNodeFromTemplate(const TNodo& templ, const QString& primary,
                                       const QString& secondary) {
    if (const int full = Controllo_Num_Max_Nodi())
        return full;
    const auto primaryNumber = int32Of(primary);
    const QList<int> failures =
        NetworkRules::nodeAddressFailures(primaryNumber, int32Of(secondary), templ.Description);
    if (!failures.isEmpty())
        return failures.first();
    // A new node: no node keeps its address, whatever is selected.
    if (const int used = NetworkRules::Check_Node_ID(tree_.nodes(), *primaryNumber, -1, -1))
        return used;
    if (templ.Var_List.size() > NetworkRules::Max_Variables)
        return NetworkMessages::MaxVariables;
    for (const TVariabile& variable : templ.Var_List) {
        const QList<int> varFailures =
            NetworkRules::variableFailures(NetworkRules::numbersOf(variable));
        if (!varFailures.isEmpty())
            return varFailures.first();
    }
    TNodo node = templ;
    node.Node_Pri = *primaryNumber;
    node.Node_Sec = *NumberRule::toInt32(secondary);
    push(new AddNodeCommand(*this, std::move(node)), Txt_NewFromTemplate);
    return 0;
}

QString NetworkEditor::importNetwork(const QString& path) {
    NetworkImport::CheckedNetwork read = NetworkImport::readNetworkFile(path);
    if (!read.ok())
        return read.error;
    unreadFile_ = false;
    push(new ReplaceNetworkCommand(*this, std::move(read.nodes)),
         NetworkMessages::ImportNetworkName);
    selectNothing();
    // The file now holds this network: it is the state that needs no saving.
    stack_->setClean();
    pressed_ = false;
    emitChangeFlag();
    return {};
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

QString NetworkEditor::checkCsv(const QByteArray& bytes) const {
    return NetworkCsv::importNetwork(bytes, texts_).error;
}

QString NetworkEditor::importCsv(const QByteArray& bytes) {
    NetworkCsv::ImportResult imported = NetworkCsv::importNetwork(bytes, texts_);
    if (!imported.ok())
        return imported.error;
    push(new ReplaceNetworkCommand(*this, std::move(imported.nodes)),
         NetworkMessages::ImportCsvName);
    selectNothing();
    return {};
}

int NetworkEditor::variableCount() const {
    int count = 0;
    for (const TNodo& node : tree_.nodes())
        count += int(node.Var_List.size());
    return count;
}

QList<NetworkWarnings::Warning> NetworkEditor::warnings() const {
    return NetworkWarnings::findWarnings(tree_.nodes(), texts_);
}
