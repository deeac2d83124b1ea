#pragma once

#include "core/network/Network.h"
#include "core/editor/NetworkTree.h"

#include "core/editor/CommandStack.h"

class NetworkEditor;

// The network editor's changes, one command each, on the editor's undo stack. A command keeps
// only what it needs to go both ways, and touches only its own rows of the tree. The first
// redo is the change itself; every later undo or redo also brings back the selection the
// user had at that point.
class NetworkCommand : public Command {
public:
    NetworkCommand(NetworkEditor& editor, NetworkTree::Position selectedAfter);

    void undo() final;
    void redo() final;

protected:
    virtual void apply() = 0;
    virtual void revert() = 0;
    NetworkTree& tree();
    void replaceNetwork(TNodi_List nodes);

private:
    NetworkEditor& editor_;
    NetworkTree::Position before_;
    NetworkTree::Position after_;
    bool done_ = false;
};

// Add node and paste node: appended at the end.
class AddNodeCommand final : public NetworkCommand {
public:
    AddNodeCommand(NetworkEditor& editor, TNodo node);

private:
    void apply() override;
    void revert() override;
    TNodo node_;
};

// Modify node: description and addresses; the variables stay.
class ModifyNodeCommand final : public NetworkCommand {
public:
    ModifyNodeCommand(NetworkEditor& editor, int nodePos, TNodo header);

private:
    void apply() override;
    void revert() override;
    void swap();
    int nodePos_;
    TNodo other_; // the header that is not shown
};

class DeleteNodeCommand final : public NetworkCommand {
public:
    DeleteNodeCommand(NetworkEditor& editor, int nodePos, NetworkTree::Position selectedAfter);

private:
    void apply() override;
    void revert() override;
    int nodePos_;
    TNodo node_;
};

// Add variable and paste variable: appended to the node.
class AddVariableCommand final : public NetworkCommand {
public:
    AddVariableCommand(NetworkEditor& editor, int nodePos, TVariabile variable);

private:
    void apply() override;
    void revert() override;
    int nodePos_;
    TVariabile variable_;
};

class ModifyVariableCommand final : public NetworkCommand {
public:
    ModifyVariableCommand(NetworkEditor& editor, int nodePos, int varPos, TVariabile variable);

private:
    void apply() override;
    void revert() override;
    void swap();
    int nodePos_;
    int varPos_;
    TVariabile other_;
};

class DeleteVariableCommand final : public NetworkCommand {
public:
    DeleteVariableCommand(NetworkEditor& editor, int nodePos, int varPos,
                          NetworkTree::Position selectedAfter);

private:
    void apply() override;
    void revert() override;
    int nodePos_;
    int varPos_;
    TVariabile variable_;
};

// Delete all, import network, import CSV: the whole network at once.
class ReplaceNetworkCommand final : public NetworkCommand {
public:
    ReplaceNetworkCommand(NetworkEditor& editor, TNodi_List nodes);

private:
    void apply() override;
    void revert() override;
    TNodi_List other_;
};
