#pragma once

#include "core/editor/CommandStack.h"
#include "core/editor/NetworkTree.h"
#include "core/network/Network.h"

// The network editor's changes, one command each, on the editor's undo stack. A command
// changes the tree and nothing else: it keeps only what it needs to go both ways and touches
// only its own rows. What the window shows after an undo (the selection, the panels) is the
// editor's concern; it follows the stack's index.
class NetworkCommand : public Command {
public:
    // A network read from its file, or dropped after OK: the history starts again there, so
    // this is the one change that is no command on the stack.
    static void load(NetworkTree& tree, Network nodes);

protected:
    explicit NetworkCommand(NetworkTree& tree) : tree_(tree) {}

    const Network& nodes() const { return tree_.nodes(); }
    // The tree's own changes (friendship does not pass to the commands below).
    void insertNode(int nodePos, const Node& node) { tree_.insertNode(nodePos, node); }
    void setNodeHeader(int nodePos, const Node& header);
    void removeNode(int nodePos) { tree_.removeNode(nodePos); }
    void insertVariable(int nodePos, int varPos, const Variable& variable) {
        tree_.insertVariable(nodePos, varPos, variable);
    }
    void setVariable(int nodePos, int varPos, const Variable& variable) {
        tree_.setVariable(nodePos, varPos, variable);
    }
    void removeVariable(int nodePos, int varPos) { tree_.removeVariable(nodePos, varPos); }
    void resetNetwork(Network nodes) { tree_.resetNetwork(std::move(nodes)); }

private:
    NetworkTree& tree_;
};

// Add node and paste node: appended at the end.
class AddNodeCommand final : public NetworkCommand {
public:
    AddNodeCommand(NetworkTree& tree, Node node);
    void redo() override;
    void undo() override;

private:
    Node node_;
    int nodePos_ = -1;
};

// Modify node: description and addresses; the variables stay.
class ModifyNodeCommand final : public NetworkCommand {
public:
    ModifyNodeCommand(NetworkTree& tree, int nodePos, Node header);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    int nodePos_;
    Node other_; // the header that is not shown
};

class DeleteNodeCommand final : public NetworkCommand {
public:
    DeleteNodeCommand(NetworkTree& tree, int nodePos);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    Node node_;
};

// Add variable and paste variable: appended to the node.
class AddVariableCommand final : public NetworkCommand {
public:
    AddVariableCommand(NetworkTree& tree, int nodePos, Variable variable);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    int varPos_ = -1;
    Variable variable_;
};

class ModifyVariableCommand final : public NetworkCommand {
public:
    ModifyVariableCommand(NetworkTree& tree, int nodePos, int varPos, Variable variable);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    int nodePos_;
    int varPos_;
    Variable other_;
};

class DeleteVariableCommand final : public NetworkCommand {
public:
    DeleteVariableCommand(NetworkTree& tree, int nodePos, int varPos);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    int varPos_;
    Variable variable_;
};

// Delete all and import CSV: the whole network at once.
class ReplaceNetworkCommand final : public NetworkCommand {
public:
    ReplaceNetworkCommand(NetworkTree& tree, Network nodes);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    Network other_;
};
