#include "core/editor/NetworkCommands.h"

#include <utility>

void NetworkCommand::load(NetworkTree& tree, Network nodes) {
    tree.resetNetwork(std::move(nodes));
}

void NetworkCommand::setNodeHeader(int nodePos, const Node& header) {
    tree_.setNodeHeader(nodePos, header.description, header.primary, header.secondary);
}

AddNodeCommand::AddNodeCommand(NetworkTree& tree, Node node)
    : NetworkCommand(tree), node_(std::move(node)) {}

void AddNodeCommand::redo() {
    nodePos_ = int(nodes().size());
    insertNode(nodePos_, node_);
}

void AddNodeCommand::undo() {
    removeNode(nodePos_);
}

ModifyNodeCommand::ModifyNodeCommand(NetworkTree& tree, int nodePos, Node header)
    : NetworkCommand(tree), nodePos_(nodePos), other_(std::move(header)) {}

void ModifyNodeCommand::swap() {
    const Node& shown = nodes()[nodePos_];
    Node header{shown.description, shown.primary, shown.secondary, {}};
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

AddVariableCommand::AddVariableCommand(NetworkTree& tree, int nodePos, Variable variable)
    : NetworkCommand(tree), nodePos_(nodePos), variable_(std::move(variable)) {}

void AddVariableCommand::redo() {
    varPos_ = int(nodes()[nodePos_].variables.size());
    insertVariable(nodePos_, varPos_, variable_);
}

void AddVariableCommand::undo() {
    removeVariable(nodePos_, varPos_);
}

ModifyVariableCommand::ModifyVariableCommand(NetworkTree& tree, int nodePos, int varPos,
                                             Variable variable)
    : NetworkCommand(tree), nodePos_(nodePos), varPos_(varPos), other_(std::move(variable)) {}

void ModifyVariableCommand::swap() {
    Variable shown = nodes()[nodePos_].variables[varPos_];
    setVariable(nodePos_, varPos_, other_);
    other_ = std::move(shown);
}

DeleteVariableCommand::DeleteVariableCommand(NetworkTree& tree, int nodePos, int varPos)
    : NetworkCommand(tree), nodePos_(nodePos), varPos_(varPos),
      variable_(tree.nodes()[nodePos].variables[varPos]) {}

void DeleteVariableCommand::redo() {
    removeVariable(nodePos_, varPos_);
}

void DeleteVariableCommand::undo() {
    insertVariable(nodePos_, varPos_, variable_);
}

ReplaceNetworkCommand::ReplaceNetworkCommand(NetworkTree& tree, Network nodes)
    : NetworkCommand(tree), other_(std::move(nodes)) {}

void ReplaceNetworkCommand::swap() {
    Network shown = nodes();
    resetNetwork(std::move(other_));
    other_ = std::move(shown);
}
