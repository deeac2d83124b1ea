#include "core/editor/NetworkEditor.h"

#include "common/NumberRule.h"
#include "core/editor/NetworkCommands.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkCsv.h"
#include "core/network/NetworkImport.h"
#include "core/network/NetworkMessages.h"
#include "core/network/NetworkRules.h"

#include <QDir>
#include <algorithm>
#include <utility>

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

NetworkEditor::NetworkEditor(const LanguageTable& texts, QObject* parent)
    : QObject(parent), texts_(texts), stack_(new CommandStack(this)) {
    connect(stack_, &CommandStack::indexChanged, this, &NetworkEditor::followStack);
    resetModes();
}

NetworkEditor::~NetworkEditor() {
    // The commands reach into the tree, which goes before the stack's own deletion.
    stack_->clear();
}

bool NetworkEditor::isChanged() const {
    return pressed_ || !stack_->isClean();
}

QString NetworkEditor::nodeButtonText() const {
    return texts_.text(nodeMode_ == Mode::Add ? Txt_AddNode : Txt_ModifyNode);
}

QString NetworkEditor::varButtonText() const {
    return texts_.text(varMode_ == Mode::Add ? Txt_AddVariable : Txt_ModifyVariable);
}

void NetworkEditor::resetModes() {
    nodeMode_ = Mode::Add;
    varMode_ = Mode::Add;
    varPanel.modToD = 0;
    varPanel.modSwap = 0;
}

const Node* NetworkEditor::selectedNode() const {
    const Network& nodes = tree_.nodes();
    return nodeIndex_ >= 0 && nodeIndex_ < nodes.size() ? &nodes[nodeIndex_] : nullptr;
}

const Variable* NetworkEditor::selectedVariable() const {
    const Node* node = selectedNode();
    return node && variableIndex_ >= 0 && variableIndex_ < node->variables.size()
               ? &node->variables[variableIndex_]
               : nullptr;
}

void NetworkEditor::selectNothing() {
    nodeIndex_ = -1;
    variableIndex_ = -1;
    nodeMode_ = Mode::Add;
    varMode_ = Mode::Add;
}

void NetworkEditor::push(std::unique_ptr<NetworkCommand> command, int nameText,
                         NetworkTree::Position selectedAfter) {
    command->setText(texts_.text(nameText));
    moments_.resize(stack_->index());
    moments_.push_back({selection(), selectedAfter});
    const bool wasSelecting = std::exchange(selecting_, true);
    stack_->push(std::move(command));
    selecting_ = wasSelecting;
}

// Undo and redo move the index by one; the selection of that point comes back with it.
void NetworkEditor::followStack(int index) {
    pressed_ = false;
    const int from = std::exchange(stackIndex_, index);
    if (selecting_)
        return;
    NetworkTree::Position shown;
    if (index == from - 1 && index < int(moments_.size()))
        shown = moments_[index].before;
    else if (index == from + 1 && from < int(moments_.size()))
        shown = moments_[from].after;
    else
        return;
    emit restored(select(shown));
}

void NetworkEditor::undo() {
    stack_->undo();
}

void NetworkEditor::redo() {
    stack_->redo();
}

void NetworkEditor::startAfresh(Network nodes) {
    const bool wasSelecting = std::exchange(selecting_, true);
    stack_->clear();
    moments_.clear();
    NetworkCommand::load(tree_, std::move(nodes));
    selecting_ = wasSelecting;
    selectNothing();
    pressed_ = false;
}

QString NetworkEditor::load(const QString& path) {
    NetworkLoad load = loadNetwork(path);
    unreadFile_ = !load.ok();
    startAfresh(load.ok() ? std::move(load.nodes) : Network());
    return load.error;
}

NetworkEditor::Tab NetworkEditor::select(NetworkTree::Position position) {
    const Network& nodes = tree_.nodes();
    const bool nodeFound = position.node >= 0 && position.node < nodes.size();
    const bool varFound = nodeFound && position.variable >= 0 &&
                          position.variable < nodes[position.node].variables.size();
    nodeIndex_ = nodeFound && (position.variable < 0 || varFound) ? position.node : -1;
    variableIndex_ = nodeIndex_ >= 0 && varFound ? position.variable : -1;
    typeChanged();
    showSelected();
    dimensionChanged();
    if (nodeIndex_ < 0)
        return Tab::Unchanged;
    return variableIndex_ < 0 ? Tab::Nodes : Tab::Variables;
}

void NetworkEditor::showNewVariablePanel() {
    VariablePanel fresh;
    fresh.enable = true;
    fresh.storageNumber = QStringLiteral("0");
    fresh.tariff = QStringLiteral("0");
    fresh.lengthEnabled = varPanel.lengthEnabled; // follows the dimension only on a selection
    varPanel = fresh;
    typeChanged();
}

void NetworkEditor::showVariable(const Variable& v) {
    using namespace CodingTables;
    VariablePanel& p = varPanel;
    p.enable = v.enabled;
    p.slaveId = QString::number(v.modbusSlave);
    p.modToD = fit(v.modbusType, ModbusToDCount);
    p.modbusRegister = QString::number(v.modbusRegister);
    p.points = QString::number(v.modbusCount);
    p.modSwap = fit(v.modbusSwap, ModbusSwapCount);
    p.description = v.description;
    p.type = fit(v.dataType, TypeCount);
    p.functionField = fit(v.function, FunctionFieldCount);
    p.dimension = fit(v.dimension, DimensionCount);
    p.length = QString::number(v.length);
    p.unit = fit(v.unit, UnitCount);
    p.storageNumber = QString::number(v.storageNumber);
    p.tariff = QString::number(v.tariff);
    p.vife = fit(v.vife, VifeCount);
    typeChanged();
    p.scale.selected = v.scale == NoScale ? -1 : fit(v.scale, int(p.scale.entries.size()));
}

void NetworkEditor::showSelected() {
    const Node* node = selectedNode();
    if (!node) {
        nodeMode_ = Mode::Add;
        varMode_ = Mode::Add;
        typeChanged();
        return;
    }
    nodePanel.description = node->description;
    nodePanel.primary = QString::number(node->primary);
    nodePanel.secondary = QString::number(node->secondary);
    if (const Variable* variable = selectedVariable()) {
        nodeMode_ = Mode::Add;
        varMode_ = Mode::Modify;
        showVariable(*variable);
    } else {
        nodeMode_ = Mode::Modify;
        varMode_ = Mode::Add;
        showNewVariablePanel();
    }
}

void NetworkEditor::typeChanged() {
    varPanel.scale = CodingTables::scaleAfterTypeChange(varPanel.type, varPanel.vife);
}

void NetworkEditor::vifeChanged() {
    varPanel.scale =
        CodingTables::scaleAfterVifeChange(varPanel.type, varPanel.vife, varPanel.scale);
}

void NetworkEditor::dimensionChanged() {
    varPanel.lengthEnabled = CodingTables::lengthEnabled(varPanel.dimension);
}

int NetworkEditor::checkNodeLimit() const {
    return NetworkRules::canAddNode(tree_.nodes().size()) ? 0 : NetworkMessages::MaxNodes;
}

int NetworkEditor::checkVariableLimit() const {
    const Node* node = selectedNode();
    if (!node)
        return NetworkMessages::NodeBeyondList;
    return NetworkRules::canAddVariable(node->variables.size()) ? 0 : NetworkMessages::MaxVariables;
}

int NetworkEditor::checkNodeFields(bool adding) const {
    const auto primary = int32Of(nodePanel.primary);
    const QList<int> failures = NetworkRules::nodeAddressFailures(
        primary, int32Of(nodePanel.secondary), nodePanel.description);
    if (!failures.isEmpty())
        return failures.first();
    // Only the node being modified may keep its own address: a new node skips none, even
    // when a language change has put the button back in add mode over a selected node.
    const int skipped = adding && variableIndex_ < 0 ? -1 : nodeIndex_;
    return NetworkRules::checkPrimaryAddress(tree_.nodes(), *primary, skipped, variableIndex_);
}

int NetworkEditor::checkVariableFields() const {
    const QList<int> failures = NetworkRules::variableFailures(panelNumbers(varPanel));
    return failures.isEmpty() ? 0 : failures.first();
}

int NetworkEditor::applyNode() {
    int message = 0;
    bool changed = false;
    if (nodeMode_ == Mode::Add) {
        message = checkNodeLimit();
        if (message == 0)
            message = checkNodeFields(true);
        if (message == 0) {
            push(std::make_unique<AddNodeCommand>(tree_,
                                                  Node{nodePanel.description,
                                                       *NumberRule::toInt32(nodePanel.primary),
                                                       *NumberRule::toInt32(nodePanel.secondary),
                                                       {}}),
                 NetworkMessages::AddNodeName, selection());
            changed = true;
        }
    } else if (const Node* shown = selectedNode()) {
        message = checkNodeFields(false);
        const Node header{nodePanel.description,
                          NumberRule::toInt32(nodePanel.primary).value_or(0),
                          NumberRule::toInt32(nodePanel.secondary).value_or(0),
                          {}};
        if (message == 0 &&
            Node{shown->description, shown->primary, shown->secondary, {}} != header) {
            push(std::make_unique<ModifyNodeCommand>(tree_, nodeIndex_, header),
                 NetworkMessages::ModifyNodeName, selection());
            changed = true;
        }
    }
    if (!changed)
        pressed_ = true;
    return message;
}

int NetworkEditor::applyVariable() {
    int message = 0;
    bool changed = false;
    if (varMode_ == Mode::Add) {
        if (selectedNode()) {
            message = checkVariableLimit();
            if (message == 0)
                message = checkVariableFields();
            if (message == 0) {
                push(std::make_unique<AddVariableCommand>(tree_, nodeIndex_, variableFromPanel()),
                     NetworkMessages::AddVariableName, selection());
                changed = true;
            }
        }
    } else if (const Variable* shown = selectedVariable()) {
        message = checkVariableFields();
        const Variable variable = variableFromPanel();
        if (message == 0 && *shown != variable) {
            push(std::make_unique<ModifyVariableCommand>(tree_, nodeIndex_, variableIndex_,
                                                         variable),
                 NetworkMessages::ModifyVariableName, selection());
            changed = true;
        }
    }
    if (!changed)
        pressed_ = true;
    return message;
}

Variable NetworkEditor::variableFromPanel() const {
    return ::variableFromPanel(varPanel);
}

int NetworkEditor::deleteQuestion() const {
    if (!selectedNode())
        return NetworkMessages::DeleteAll;
    return selectedVariable() ? NetworkMessages::DeleteVariable : NetworkMessages::DeleteNode;
}

NetworkEditor::Tab NetworkEditor::deleteSelection() {
    const Node* node = selectedNode();
    if (!node) {
        push(std::make_unique<ReplaceNetworkCommand>(tree_, Network()),
             NetworkMessages::DeleteAllName, {});
        selectNothing();
        return Tab::Unchanged;
    }
    // The tree selects the next sibling of the removed item, else the one before, else the
    // parent.
    NetworkTree::Position next;
    if (!selectedVariable()) {
        const int left = int(tree_.nodes().size()) - 1;
        if (left > 0)
            next.node = std::min(nodeIndex_, left - 1);
        push(std::make_unique<DeleteNodeCommand>(tree_, nodeIndex_),
             NetworkMessages::DeleteNodeName, next);
    } else {
        const int left = int(node->variables.size()) - 1;
        next.node = nodeIndex_;
        next.variable = left == 0 ? -1 : std::min(variableIndex_, left - 1);
        push(std::make_unique<DeleteVariableCommand>(tree_, nodeIndex_, variableIndex_),
             NetworkMessages::DeleteVariableName, next);
    }
    return select(next);
}

QString NetworkEditor::save(const QString& path) {
    const QString error = saveNetwork(tree_.nodes(), path);
    if (!error.isEmpty())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
    unreadFile_ = false;
    startAfresh({});
    return {};
}

int NetworkEditor::copyVariable() {
    return copyBuffers_.copyVariable(tree_.nodes(), nodeIndex_, variableIndex_);
}

int NetworkEditor::copyNode() {
    return copyBuffers_.copyNode(tree_.nodes(), nodeIndex_);
}

int NetworkEditor::pasteVariableRefusal() const {
    return PasteRules::pasteVariableRefusal(copyBuffers_, tree_.nodes(), nodeIndex_);
}

int NetworkEditor::pasteNodeRefusal() const {
    return PasteRules::pasteNodeRefusal(copyBuffers_);
}

int NetworkEditor::pasteVariable(const QStringList& newValues) {
    if (const int refusal = pasteVariableRefusal())
        return refusal;
    // The limit is checked after the dialog.
    if (const int full = checkVariableLimit())
        return full;
    push(std::make_unique<AddVariableCommand>(
             tree_, nodeIndex_,
             PasteRules::pastedVariable(texts_, *copyBuffers_.copiedVariable(),
                                        newValues.mid(0, PasteRules::Rows_Per_Variable))),
         NetworkMessages::PasteVariableName, selection());
    return 0;
}

int NetworkEditor::pasteNode(const QString& primary, const QString& secondary,
                             const QStringList& newValues) {
    if (const int refusal = pasteNodeRefusal())
        return refusal;
    if (const int full = checkNodeLimit())
        return full;
    // Always at the end, whatever is selected.
    push(std::make_unique<AddNodeCommand>(tree_,
                                          PasteRules::pastedNode(texts_, *copyBuffers_.copiedNode(),
                                                                 primary, secondary, newValues)),
         NetworkMessages::PasteNodeName, selection());
    return 0;
}

int NetworkEditor::newNodeFromTemplate(const Node& templ, const QString& primary,
                                       const QString& secondary) {
    if (const int full = checkNodeLimit())
        return full;
    const auto primaryNumber = int32Of(primary);
    const QList<int> failures =
        NetworkRules::nodeAddressFailures(primaryNumber, int32Of(secondary), templ.description);
    if (!failures.isEmpty())
        return failures.first();
    // A new node: no node keeps its address, whatever is selected.
    if (const int used = NetworkRules::checkPrimaryAddress(tree_.nodes(), *primaryNumber, -1, -1))
        return used;
    if (templ.variables.size() > NetworkRules::Max_Variables)
        return NetworkMessages::MaxVariables;
    for (const Variable& variable : templ.variables) {
        const QList<int> varFailures =
            NetworkRules::variableFailures(NetworkRules::numbersOf(variable));
        if (!varFailures.isEmpty())
            return varFailures.first();
    }
    Node node = templ;
    node.primary = *primaryNumber;
    node.secondary = *NumberRule::toInt32(secondary);
    push(std::make_unique<AddNodeCommand>(tree_, std::move(node)), Txt_NewFromTemplate,
         selection());
    return 0;
}

QString NetworkEditor::importNetwork(const QString& path) {
    NetworkImport::CheckedNetwork read = NetworkImport::readNetworkFile(path);
    if (!read.ok())
        return read.error;
    // M_Bus.xml was replaced before this: an undo could bring back the old network but not
    // the old file, and Cancel would then leave on disk what the window no longer shows.
    unreadFile_ = false;
    startAfresh(std::move(read.nodes));
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
    replaceByImport(std::move(imported.nodes));
    return {};
}

void NetworkEditor::replaceByImport(Network nodes) {
    push(std::make_unique<ReplaceNetworkCommand>(tree_, std::move(nodes)),
         NetworkMessages::ImportCsvName, {});
    selectNothing();
}

int NetworkEditor::variableCount() const {
    int count = 0;
    for (const Node& node : tree_.nodes())
        count += int(node.variables.size());
    return count;
}

QList<NetworkWarnings::Warning> NetworkEditor::warnings() const {
    return NetworkWarnings::findWarnings(tree_.nodes(), texts_);
}
