#include "core/editor/NetworkCommands.h"

#include <utility>

void NetworkCommand::load(NetworkTree& tree, TNodi_List nodes) {
    tree.resetNetwork(std::move(nodes));
}

void NetworkCommand::setNodeHeader(int nodePos, const TNodo& header) {
    tree_.setNodeHeader(nodePos, header.Description, header.Node_Pri, header.Node_Sec);
}

AddNodeCommand::AddNodeCommand(NetworkTree& tree, TNodo node)
    : NetworkCommand(tree), node_(std::move(node)) {}

void AddNodeCommand::redo() {
    nodePos_ = int(nodes().size());
    insertNode(nodePos_, node_);
}

void AddNodeCommand::undo() {
    removeNode(nodePos_);
}

ModifyNodeCommand::ModifyNodeCommand(NetworkTree& tree, int nodePos, TNodo header)
    : NetworkCommand(tree), nodePos_(nodePos), other_(std::move(header)) {}

void ModifyNodeCommand::swap() {
    const TNodo& shown = nodes()[nodePos_];
    TNodo header{shown.Description, shown.Node_Pri, shown.Node_Sec, {}};
    setNodeHeader(nodePos_, other_);
    other_ = std::move(header);
}

DeleteNodeCommand::DeleteNodeCommand(NetworkTree& tree, int nodePos)
    : NetworkCommand(tree), nodePos_(nodePos), node_(tree.nodes()[nodePos]) {}

void DeleteNodeCommand::redo() {
    removeNode(nodePos_);
}

void DeleteNodeCommand::undo() {
    insertNode(nodePos_, node_);
}

AddVariableCommand::AddVariableCommand(NetworkTree& tree, int nodePos, TVariabile variable)
    : NetworkCommand(tree), nodePos_(nodePos), variable_(std::move(variable)) {}

void AddVariableCommand::redo() {
    varPos_ = int(nodes()[nodePos_].Var_List.size());
    insertVariable(nodePos_, varPos_, variable_);
}

void AddVariableCommand::undo() {
    removeVariable(nodePos_, varPos_);
}

ModifyVariableCommand::ModifyVariableCommand(NetworkTree& tree, int nodePos, int varPos,
                                             TVariabile variable)
    : NetworkCommand(tree), nodePos_(nodePos), varPos_(varPos), other_(std::move(variable)) {}

void ModifyVariableCommand::swap() {
    TVariabile shown = nodes()[nodePos_].Var_List[varPos_];
    setVariable(nodePos_, varPos_, other_);
    other_ = std::move(shown);
}

DeleteVariableCommand::DeleteVariableCommand(NetworkTree& tree, int nodePos, int varPos)
    : NetworkCommand(tree), nodePos_(nodePos), varPos_(varPos),
      variable_(tree.nodes()[nodePos].Var_List[varPos]) {}

void DeleteVariableCommand::redo() {
    removeVariable(nodePos_, varPos_);
}

void DeleteVariableCommand::undo() {
    insertVariable(nodePos_, varPos_, variable_);
}

ReplaceNetworkCommand::ReplaceNetworkCommand(NetworkTree& tree, TNodi_List nodes)
    : NetworkCommand(tree), other_(std::move(nodes)) {}

void ReplaceNetworkCommand::swap() {
    TNodi_List shown = nodes();
    resetNetwork(std::move(other_));
    other_ = std::move(shown);
}
