#pragma once

#include "core/network/CodingTables.h"
#include "core/network/NetworkPanels.h"
#include "core/network/NetworkRules.h"
#include "core/editor/CommandStack.h"
#include "core/editor/NetworkTree.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/PasteRules.h"

#include <QObject>
#include <QString>

class NetworkCommand;

class LangTable;

// The network editor's rules, free of any window: the network and its tree, the selection,
// the two panels, the button modes and every command with its checks. The window moves
// values between its controls and `nodePanel`/`varPanel`, calls the command, shows the
// message whose language-table index comes back (0: none), and shows the panels again.
// Every change of the network is one command on the editor's undo stack (NetworkCommands.h);
// the change flag follows the stack's clean state.
class NetworkEditor : public QObject {
    Q_OBJECT
public:
    explicit NetworkEditor(const LangTable& texts, QObject* parent = nullptr);
    ~NetworkEditor() override;

    enum class Tab { Unchanged, Nodes, Variables };
    enum class Mode { Add, Modify };

    // For the view only: every change goes through the commands.
    NetworkTree& tree() { return tree_; }
    const NetworkTree& tree() const { return tree_; }
    const TNodi_List& Nodi_List() const { return tree_.nodes(); }
    CommandStack& undoStack() { return *stack_; }

    // Selection: IND_NODO -1 with nothing (or the root) selected; IND_VAR -1 unless a
    // variable is selected. NODE_ID is set exactly when IND_NODO >= 0.
    int IND_NODO() const { return indNodo_; }
    int IND_VAR() const { return indVar_; }
    NetworkTree::Position selection() const { return {indNodo_, indVar_}; }
    // The network differs from the file it was read from (or a button was pressed).
    bool Is_Change() const;

    NodePanel nodePanel;
    VariablePanel varPanel;
    // The buttons' modes; their captions follow from them.
    Mode nodeMode() const { return nodeMode_; }
    Mode varMode() const { return varMode_; }
    QString nodeButtonText() const;
    QString varButtonText() const;

    // Both buttons back to add mode and both Modbus lists to their first entry.
    void Set_Lang();

    // Reads the network (an absent file is an empty one), empties the selection and the undo
    // stack. Returns the reader's error, with where it failed; the network is then empty and
    // OK must ask before writing over the unread file.
    QString FormShow(const QString& path);
    bool unreadFileAtRisk() const { return unreadFile_; }

    // The tree's selection changed to `position`; returns the tab to bring to the front.
    Tab TWClick(NetworkTree::Position position);
    void Aggiorna_Label();

    // Panel list changes (the Modbus type and swap share the type-of-data handler).
    void CB_Var_MBus_ToDChange();
    void CB_Var_MBus_VIFEChange();
    void CB_Var_MBus_DimChange();

    // Commands: the index of the message to show, 0 when none.
    int btn_Add_NodeClick();
    int btn_Add_VarClick();

    // Checks, each giving its message index or 0.
    int Controllo_Num_Max_Nodi() const;
    int Controllo_Num_Max_Var() const; // on the node at IND_NODO
    int Controllo_Dati_New_Nodo(bool adding) const;
    int Controllo_Dati_New_Var() const;

    // Delete: the question for the selection (653, 654, 655), then the change on "Yes".
    int deleteQuestion() const;
    Tab btn_Delete_ItemConfirmed();

    // OK: writes the network; on success releases it and returns an empty text, else the
    // path with the system's message and everything stays.
    QString LbButton2Click(const QString& path);

    TVariabile variableFromPanel() const;

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
    int newNodeFromTemplate(const TNodo& templ, const QString& primary, const QString& secondary);

    // Import Network after the file is in place: the network of `path` replaces the one shown
    // and becomes what the file holds (the change flag clears; undo brings the old one back).
    QString importNetwork(const QString& path);
    // The network as a spreadsheet, and a checked spreadsheet in its place: a refused file
    // changes nothing and its reason comes back (empty text: imported).
    QByteArray exportCsv() const;
    QString importCsv(const QByteArray& bytes);
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
    // Is_Change may have changed.
    void changeFlagChanged(bool changed);

private:
    friend class NetworkCommand;
    // For the commands: the selection and panels of a restored state.
    void restoreSelection(NetworkTree::Position position);
    void push(NetworkCommand* command, int nameText); // the name Undo and Redo show
    void replaceNetwork(TNodi_List nodes);
    void selectNothing();
    void showNewVariablePanel();
    void showVariable(const TVariabile& variable);
    void markPressed();
    void emitChangeFlag();

    const LangTable& texts_;
    NetworkTree tree_;
    CommandStack* stack_;
    PasteRules::CopyBuffers copyBuffers_; // kept across showings and configurations
    int indNodo_ = -1;
    int indVar_ = -1;
    Mode nodeMode_ = Mode::Add;
    Mode varMode_ = Mode::Add;
    // A press that changed nothing (a refused check, no selection) still counts as a change
    // until the network is read again.
    bool pressed_ = false;
    bool lastChangeFlag_ = false;
    bool unreadFile_ = false;
};

// Drop-down width for a combo box whose entries measure `entryWidths` pixels: nullopt when
// the closed box (less a scroll bar) is wide enough already.
std::optional<int> dropDownWidth(const QList<int>& entryWidths, int comboWidth, int scrollBarWidth,
                                 int visibleEntries);
