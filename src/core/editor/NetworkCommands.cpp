#include "core/editor/NetworkCommands.h"

#include "core/editor/NetworkEditor.h"

#include <utility>

NetworkCommand::NetworkCommand(NetworkEditor& editor, NetworkTree::Position selectedAfter)
    : editor_(editor), before_(editor.selection()), after_(selectedAfter) {}

NetworkTree& NetworkCommand::tree() {
    return editor_.tree_;
}

void NetworkCommand::replaceNetwork(TNodi_List nodes) {
    editor_.replaceNetwork(std::move(nodes));
}

void NetworkCommand::redo() {
    apply();
    // The first run is the user's own change: the editor sets the selection itself.
    if (std::exchange(done_, true))
        editor_.restoreSelection(after_);
}

void NetworkCommand::undo() {
    revert();
    editor_.restoreSelection(before_);
}

AddNodeCommand::AddNodeCommand(NetworkEditor& editor, TNodo node)
    : NetworkCommand(editor, editor.selection()), node_(std::move(node)) {}

void AddNodeCommand::apply() {
    tree().appendNode(node_);
}

void AddNodeCommand::revert() {
    tree().removeNode(int(tree().nodes().size()) - 1);
}

ModifyNodeCommand::ModifyNodeCommand(NetworkEditor& editor, int nodePos, TNodo header)
    : NetworkCommand(editor, editor.selection()), nodePos_(nodePos), other_(std::move(header)) {}

void ModifyNodeCommand::swap() {
    const TNodo shown = tree().nodes()[nodePos_];
    tree().setNodeHeader(nodePos_, other_.Description, other_.Node_Pri, other_.Node_Sec);
    other_ = TNodo{shown.Description, shown.Node_Pri, shown.Node_Sec, {}};
}

void ModifyNodeCommand::apply() {
    swap();
}

void ModifyNodeCommand::revert() {
    swap();
}

DeleteNodeCommand::DeleteNodeCommand(NetworkEditor& editor, int nodePos,
                                     NetworkTree::Position selectedAfter)
    : NetworkCommand(editor, selectedAfter), nodePos_(nodePos), node_(editor.Nodi_List()[nodePos]) {
}

void DeleteNodeCommand::apply() {
    tree().removeNode(nodePos_);
}

void DeleteNodeCommand::revert() {
    tree().insertNode(nodePos_, node_);
}

AddVariableCommand::AddVariableCommand(NetworkEditor& editor, int nodePos, TVariabile variable)
    : NetworkCommand(editor, editor.selection()), nodePos_(nodePos),
      variable_(std::move(variable)) {}

void AddVariableCommand::apply() {
    tree().appendVariable(nodePos_, variable_);
}

void AddVariableCommand::revert() {
    tree().removeVariable(nodePos_, int(tree().nodes()[nodePos_].Var_List.size()) - 1);
}

ModifyVariableCommand::ModifyVariableCommand(NetworkEditor& editor, int nodePos, int varPos,
                                             TVariabile variable)
    : NetworkCommand(editor, editor.selection()), nodePos_(nodePos), varPos_(varPos),
      other_(std::move(variable)) {}

void ModifyVariableCommand::swap() {
    TVariabile shown = tree().nodes()[nodePos_].Var_List[varPos_];
    tree().setVariable(nodePos_, varPos_, other_);
    other_ = std::move(shown);
}

void ModifyVariableCommand::apply() {
    swap();
}

void ModifyVariableCommand::revert() {
    swap();
}

DeleteVariableCommand::DeleteVariableCommand(NetworkEditor& editor, int nodePos, int varPos,
                                             NetworkTree::Position selectedAfter)
    : NetworkCommand(editor, selectedAfter), nodePos_(nodePos), varPos_(varPos),
      variable_(editor.Nodi_List()[nodePos].Var_List[varPos]) {}

void DeleteVariableCommand::apply() {
    tree().removeVariable(nodePos_, varPos_);
}

void DeleteVariableCommand::revert() {
    tree().insertVariable(nodePos_, varPos_, variable_);
}

ReplaceNetworkCommand::ReplaceNetworkCommand(NetworkEditor& editor, TNodi_List nodes)
    : NetworkCommand(editor, {}), other_(std::move(nodes)) {}

void ReplaceNetworkCommand::apply() {
    TNodi_List shown = tree().nodes();
    replaceNetwork(std::move(other_));
    other_ = std::move(shown);
}

void ReplaceNetworkCommand::revert() {
    apply();
}
