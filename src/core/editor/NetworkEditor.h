#pragma once

#include "core/editor/CommandStack.h"
#include "core/editor/NetworkTree.h"
#include "core/network/CodingTables.h"
#include "core/network/NetworkPanels.h"
#include "core/network/NetworkRules.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/PasteRules.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class LanguageTable;
class NetworkCommand;

// The network editor's rules, free of any window: the network and its tree, the selection,
// the two panels, the button modes and every command with its checks. The window moves
// values between its controls and `nodePanel`/`varPanel`, calls the operation, shows the
// message whose language-table index comes back (0: none), and shows the panels again.
// Every change of the network is one command on the editor's undo stack (NetworkCommands.h);
// the commands change the tree only, and the editor brings back the selection and panels of
// each point of the history when the stack's index moves. The change flag follows the
// stack's clean state.
class NetworkEditor : public QObject {
    Q_OBJECT
public:
    explicit NetworkEditor(const LanguageTable& texts, QObject* parent = nullptr);
    ~NetworkEditor() override;

    enum class Tab { Unchanged, Nodes, Variables };
    enum class Mode { Add, Modify };

    // For the view: the tree's change functions are the commands' alone.
    NetworkTree& tree() { return tree_; }
    const NetworkTree& tree() const { return tree_; }
    const Network& network() const { return tree_.nodes(); }
    const CommandStack& undoStack() const { return *stack_; }

    // Selection: selectedNodeIndex -1 with nothing (or the root) selected; selectedVariableIndex -1
    // unless a variable is selected.
    int selectedNodeIndex() const { return nodeIndex_; }
    int selectedVariableIndex() const { return variableIndex_; }
    NetworkTree::Position selection() const { return {nodeIndex_, variableIndex_}; }
    // The network differs from the file it was read from (or a button was pressed).
    bool isChanged() const;

    NodePanel nodePanel;
    VariablePanel varPanel;
    // The buttons' modes; their captions follow from them.
    Mode nodeMode() const { return nodeMode_; }
    Mode varMode() const { return varMode_; }
    QString nodeButtonText() const;
    QString varButtonText() const;

    // Both buttons back to add mode and both Modbus lists to their first entry (the window
    // has just filled those lists again).
    void resetModes();

    // Reads the network (an absent file is an empty one), empties the selection and the undo
    // stack. Returns the reader's error, with where it failed; the network is then empty and
    // OK must ask before writing over the unread file.
    QString load(const QString& path);
    bool unreadFileAtRisk() const { return unreadFile_; }

    // The tree's selection changed to `position`; returns the tab to bring to the front.
    Tab select(NetworkTree::Position position);

    // Panel list changes (the Modbus type and swap share the type-of-data rule).
    void typeChanged();
    void vifeChanged();
    void dimensionChanged();

    // The node and variable buttons, add or modify by their mode: the index of the message
    // to show, 0 when none.
    int applyNode();
    int applyVariable();

    // Checks, each giving its message index or 0.
    int checkNodeLimit() const;
    int checkVariableLimit() const; // on the selected node
    int checkNodeFields(bool adding) const;
    int checkVariableFields() const;

    // Delete: the question for the selection (653, 654, 655), then the change on "Yes".
    int deleteQuestion() const;
    Tab deleteSelection();

    // OK: writes the network; on success releases it and returns an empty text, else the
    // path with the system's message and everything stays.
    QString save(const QString& path);

    Variable variableFromPanel() const;

    // Copy and paste. A copy never changes the network. The paste refusals come before the
    // dialog, the limits after it; `newValues` is the dialog's column of new values.
    int copyVariable();
    int copyNode();
    const PasteRules::CopyBuffers& copyBuffers() const { return copyBuffers_; }
    int pasteVariableRefusal() const;
    int pasteNodeRefusal() const;
    int pasteVariable(const QStringList& newValues);
    int pasteNode(const QString& primary, const QString& secondary, const QStringList& newValues);

    // New node from template: the template's node (its addresses are not used) at the typed
    // addresses, appended at the end as one command. Checked first as adding the node and then
    // each of its variables by hand: 648, 649, 650, 930, 652, 647, then the variable checks.
    int newNodeFromTemplate(const Node& templ, const QString& primary, const QString& secondary);

    // Import Network after the file is in place: the network of `path` replaces the one shown
    // and is what the file holds. The file cannot be taken back, so neither can the network:
    // the history starts again here (the change flag clears, nothing to undo).
    QString importNetwork(const QString& path);
    // The network as a spreadsheet, and a checked spreadsheet in its place: a refused file
    // changes nothing and its reason comes back (empty text: imported).
    QByteArray exportCsv() const;
    QString importCsv(const QByteArray& bytes);
    // A network read from a spreadsheet replaces the one shown, as one undo step.
    void replaceByImport(Network nodes);
    // Would this spreadsheet be taken? Its reason when not.
    QString checkCsv(const QByteArray& bytes) const;
    int variableCount() const;

    // What the device takes but cannot work with; shown beside the tree, never a refusal.
    QList<NetworkWarnings::Warning> warnings() const;

    void undo();
    void redo();

signals:
    // An undo or redo changed the network; the selection and the panels show the state it
    // brought back, and `tab` is the page to bring to the front.
    void restored(NetworkEditor::Tab tab);

private:
    // The selection a point of the history shows: before a command (its undo comes back
    // there) and after it (its redo).
    struct Moment {
        NetworkTree::Position before;
        NetworkTree::Position after;
    };

    void push(std::unique_ptr<NetworkCommand> command, int nameText,
              NetworkTree::Position selectedAfter);
    void followStack(int index);
    void startAfresh(Network nodes);
    // The selected node and variable, or null: a position is only used while it names one.
    const Node* selectedNode() const;
    const Variable* selectedVariable() const;
    void selectNothing();
    void showSelected();
    void showNewVariablePanel();
    void showVariable(const Variable& variable);

    const LanguageTable& texts_;
    NetworkTree tree_;
    CommandStack* stack_;
    std::vector<Moment> moments_; // one per command on the stack
    int stackIndex_ = 0;
    bool selecting_ = false; // the editor sets the selection itself (a new command, a reset)
    PasteRules::CopyBuffers copyBuffers_; // kept across showings and configurations
    int nodeIndex_ = -1;
    int variableIndex_ = -1;
    Mode nodeMode_ = Mode::Add;
    Mode varMode_ = Mode::Add;
    // A press that changed nothing (a refused check, no selection) still counts as a change
    // until the network changes or is read again.
    bool pressed_ = false;
    bool unreadFile_ = false;
};

// Drop-down width for a combo box whose entries measure `entryWidths` pixels: nullopt when
// the closed box (less a scroll bar) is wide enough already.
std::optional<int> dropDownWidth(const QList<int>& entryWidths, int comboWidth, int scrollBarWidth,
                                 int visibleEntries);
