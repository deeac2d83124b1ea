#pragma once

#include "mbus/CodingTables.h"
#include "mbus/NetworkRules.h"
#include "mbus/NetworkTree.h"
#include "mbus/PasteRules.h"

#include <QString>

class LangTable;

// The node panel as typed.
struct NodePanel {
    QString description;
    QString primary = QStringLiteral("1");
    QString secondary = QStringLiteral("1");
    bool operator==(const NodePanel&) const = default;
};

// The variable panel: texts as typed, lists as positions (-1: nothing selected).
struct VariablePanel {
    bool enable = false;
    QString slaveId;
    int modToD = 0;
    QString modbusRegister;
    QString points;
    int modSwap = 0;
    QString description;
    int type = 0;
    int functionField = 0;
    int dimension = 0;
    QString length;
    bool lengthEnabled = false;
    int unit = 0;
    CodingTables::ScalePanel scale = CodingTables::scaleAfterTypeChange(0, 0);
    QString storageNumber;
    QString tariff;
    int vife = 0;
    bool operator==(const VariablePanel&) const = default;
};

// The numbers the variable checks look at, read from a panel's texts by the number rule.
NetworkRules::VariableNumbers panelNumbers(const VariablePanel& panel);
// The variable a panel describes, as the editor stores it (the length keeps its low eight
// bits; a scale list without selection stores 255).
TVariabile variableFromPanel(const VariablePanel& panel);

// The network editor's rules, free of any window: the network and its tree, the selection,
// the two panels, the button modes and every command with its checks. The window moves
// values between its controls and `nodePanel`/`varPanel`, calls the command, shows the
// message whose language-table index comes back (0: none), and shows the panels again.
class NetworkEditor {
public:
    explicit NetworkEditor(const LangTable& texts);

    enum class Tab { Unchanged, Nodes, Variables };

    NetworkTree& tree() { return tree_; }
    const TNodi_List& Nodi_List() const { return tree_.nodes(); }

    // Selection: IND_NODO -1 with nothing (or the root) selected; IND_VAR -1 unless a
    // variable is selected. NODE_ID is set exactly when IND_NODO >= 0.
    int IND_NODO = -1;
    int IND_VAR = -1;
    bool Is_Change = false;

    NodePanel nodePanel;
    VariablePanel varPanel;
    // The buttons' modes are read from their captions, as the user sees them.
    QString nodeButtonText;
    QString varButtonText;
    bool nodeButtonAdds() const;
    bool varButtonAdds() const;

    // Captions back to the add texts and both Modbus lists to their first entry.
    void Set_Lang();

    // Reads the network (an absent file is an empty one) and empties the selection. Returns
    // the reader's error, with where it failed; the network is then empty and OK must ask
    // before writing over the unread file.
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

    // For copy, paste and import: the same appends the buttons use, and the change flag.
    void appendNode(const TNodo& node);
    void appendVariable(int nodePos, const TVariabile& variable);
    void markChanged() { Is_Change = true; }
    // The network as a spreadsheet, and a checked spreadsheet in its place: a refused file
    // changes nothing and its reason comes back (empty text: imported, the change flag set).
    QByteArray exportCsv() const;
    QString importCsv(const QByteArray& bytes);
    // What the device takes but cannot work with; shown beside the tree, never a refusal.
    QStringList warnings() const;

    // Copy_Var and Copy_Node: empty at start, then kept across showings and configurations.
    PasteRules::CopyBuffers Copy_Buffers;

private:
    void selectNothing();
    void showNewVariablePanel();
    void showVariable(const TVariabile& variable);

    const LangTable& texts_;
    NetworkTree tree_;
    bool unreadFile_ = false;
};

// Drop-down width for a combo box whose entries measure `entryWidths` pixels: nullopt when
// the closed box (less a scroll bar) is wide enough already.
std::optional<int> dropDownWidth(const QList<int>& entryWidths, int comboWidth, int scrollBarWidth,
                                 int visibleEntries);
