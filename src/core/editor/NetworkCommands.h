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
    static void load(NetworkTree& tree, TNodi_List nodes);

protected:
    explicit NetworkCommand(NetworkTree& tree) : tree_(tree) {}

    const TNodi_List& nodes() const { return tree_.nodes(); }
    // The tree's own changes (friendship does not pass to the commands below).
    void insertNode(int nodePos, const TNodo& node) { tree_.insertNode(nodePos, node); }
    void setNodeHeader(int nodePos, const TNodo& header);
    void removeNode(int nodePos) { tree_.removeNode(nodePos); }
    void insertVariable(int nodePos, int varPos, const TVariabile& variable) {
        tree_.insertVariable(nodePos, varPos, variable);
    }
    void setVariable(int nodePos, int varPos, const TVariabile& variable) {
        tree_.setVariable(nodePos, varPos, variable);
    }
    void removeVariable(int nodePos, int varPos) { tree_.removeVariable(nodePos, varPos); }
    void resetNetwork(TNodi_List nodes) { tree_.resetNetwork(std::move(nodes)); }

private:
    NetworkTree& tree_;
};

// Add node and paste node: appended at the end.
class AddNodeCommand final : public NetworkCommand {
public:
    AddNodeCommand(NetworkTree& tree, TNodo node);
    void redo() override;
    void undo() override;

private:
    TNodo node_;
    int nodePos_ = -1;
};

// Modify node: description and addresses; the variables stay.
class ModifyNodeCommand final : public NetworkCommand {
public:
    ModifyNodeCommand(NetworkTree& tree, int nodePos, TNodo header);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    int nodePos_;
    TNodo other_; // the header that is not shown
};

class DeleteNodeCommand final : public NetworkCommand {
public:
    DeleteNodeCommand(NetworkTree& tree, int nodePos);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    TNodo node_;
};

// Add variable and paste variable: appended to the node.
class AddVariableCommand final : public NetworkCommand {
public:
    AddVariableCommand(NetworkTree& tree, int nodePos, TVariabile variable);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    int varPos_ = -1;
    TVariabile variable_;
};

class ModifyVariableCommand final : public NetworkCommand {
public:
    ModifyVariableCommand(NetworkTree& tree, int nodePos, int varPos, TVariabile variable);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    int nodePos_;
    int varPos_;
    TVariabile other_;
};

class DeleteVariableCommand final : public NetworkCommand {
public:
    DeleteVariableCommand(NetworkTree& tree, int nodePos, int varPos);
    void redo() override;
    void undo() override;

private:
    int nodePos_;
    int varPos_;
    TVariabile variable_;
};

// Delete all and import CSV: the whole network at once.
class ReplaceNetworkCommand final : public NetworkCommand {
public:
    ReplaceNetworkCommand(NetworkTree& tree, TNodi_List nodes);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    TNodi_List other_;
};
