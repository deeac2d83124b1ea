#pragma once

#include "core/editor/NetworkEditor.h"

#include <QDialog>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QBoxLayout;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class PasteDialog;
class TemplateListDialog;
class WideComboBox;
struct Platform;
struct SharedState;

// The network editor of the active configuration. It only moves values between its controls
// and the editor model (NetworkEditor), which holds the network and every rule.
class RegisterHint;

class NetworkEditorWindow : public QDialog {
    Q_OBJECT
public:
    NetworkEditorWindow(SharedState& state, Platform& platform, QWidget* parent = nullptr);

    NetworkEditor& editor() { return model_; }

    // Makes the controls; runs once, at the first showing.
    void buildWindow();
    void applyLanguage();
    void prepare();
    void treeClicked();
    void addNodeClicked();
    void addVariableClicked();
    void deleteItemClicked();
    void okClicked();     // OK
    void cancelClicked(); // Cancel
    // Undo and redo of the network's commands (buttons, pop-up menu, Ctrl+Z, Ctrl+Shift+Z and
    // Ctrl+Y).
    void undoClicked();
    void redoClicked();

    // Copy, paste and import (NetworkEditorWindowCopyPaste.cpp): the pop-up menu entries and the
    // import button are connected to these.
    void copyVariableChosen();
    void pasteVariableChosen();
    void copyNodeChosen();
    void pasteNodeChosen();
    void importNetworkClicked();
    // Enables the two paste entries; run by prepare.
    void updatePasteEntries();

    // Spreadsheet exchange, the installation report and the warnings list
    // (NetworkEditorWindowExchange.cpp).
    void exportCsvClicked();
    void importCsvClicked();
    void reportClicked();
    void refreshWarnings();

    // The Modbus source test of the network on screen (NetworkEditorWindowSourceTest.cpp). The
    // shell, which owns the windows, opens the test window on testSourcesRequested.
    void testSourcesClicked();

    // Meter templates (NetworkEditorWindowTemplates.cpp): "Save as Template" on the node of the
    // selection, and the template list, from which a new node is inserted.
    void saveAsTemplateChosen();
    void templatesClicked();

    // After a command that changed the network or the selection outside the tree: the tree
    // takes the model's selection, the panels and button captions their values.
    void showModel(NetworkEditor::Tab tab = NetworkEditor::Tab::Unchanged);

    void setVisible(bool visible) override;

signals:
    void testSourcesRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    SharedState& state_;
    Platform& platform_;
    NetworkEditor model_;

    QTreeView* TW = nullptr;
    QMenu* PM_TW = nullptr;
    QAction* CopyVariable1 = nullptr;
    QAction* PasteVariable1 = nullptr;
    QAction* CopyNode1 = nullptr;
    QAction* PasteNode1 = nullptr;
    QAction* DeleteItem1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QPushButton* Btn_Undo = nullptr;
    QPushButton* Btn_Redo = nullptr;
    QSplitter* Splitter = nullptr;
    QLabel* L_Status = nullptr; // what the last import brought in
    QLabel* L_Read_Only = nullptr;
    QPushButton* Btn_ImportNet = nullptr;
    QPushButton* Btn_ExportCsv = nullptr;
    QPushButton* Btn_ImportCsv = nullptr;
    QPushButton* Btn_Report = nullptr;
    QPushButton* Btn_TestSources = nullptr;
    QLabel* L_Warnings = nullptr;
    QListWidget* LB_Warnings = nullptr;
    PasteDialog* pasteDialog_ = nullptr; // the paste dialog, for the whole run
    QAction* SaveAsTemplate1 = nullptr;
    QAction* NewFromTemplate1 = nullptr;
    QPushButton* Btn_Templates = nullptr;
    TemplateListDialog* templateList_ = nullptr; // made at its first use

    void buildTree();
    void fitTreeColumn();
    void settleTree();
    QWidget* buildUndoRow();
    void followUndoStack();
    void showRestored(NetworkEditor::Tab tab);
    // After an import: the network unfolded and a line saying what came in from `path`.
    void showImported(const QString& path);
    void buildExchange(QBoxLayout* buttons, QBoxLayout* treeColumn);
    void setExchangeTexts();
    void buildSourceTest(QBoxLayout* buttons);
    void buildTemplates();
    void setTemplateTexts();
    void setSourceTestText();
    QWidget* buildNodePage();
    QWidget* buildVariablePage();
    void readPanels();
    void showPanels();
    void showScale();
    void showTab(NetworkEditor::Tab tab);
    void selectInTree();
    void onListChange(void (NetworkEditor::*handler)());
    QLabel* fieldLabel(QWidget* parent, const char* name);

    bool syncing_ = false; // the tree changes under a command; its signals are not the user's

    QLabel* L_SW_Desc = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* TS_Nodes = nullptr;
    QWidget* TS_Variables = nullptr;

    QLabel* L_Node_Desc = nullptr;
    QLabel* L_Node_Add_Pri = nullptr;
    QLabel* L_Node_Add_Sec = nullptr;
    QLineEdit* E_Node_Desc = nullptr;
    QLineEdit* E_Node_Add_Pri = nullptr;
    QLineEdit* E_Node_Add_Sec = nullptr;
    QPushButton* btn_Add_Node = nullptr;

    QCheckBox* CB_Var_En = nullptr;
    QLabel* L_Var_Mod_SlaveID = nullptr;
    QLabel* L_Var_Mod_ToD = nullptr;
    QLabel* L_Var_Mod_MR = nullptr;
    QLabel* L_Var_Mod_NP = nullptr;
    QLabel* L_Var_Mod_Swap = nullptr;
    QLineEdit* E_Var_Mod_SlaveID = nullptr;
    QComboBox* CB_Var_Mod_ToD = nullptr;
    QLineEdit* E_Var_Mod_MR = nullptr;
    RegisterHint* L_Var_Mod_MR_Number = nullptr;
    QLineEdit* E_Var_Mod_NP = nullptr;
    QComboBox* CB_Var_Mod_Swap = nullptr;
    QLabel* L_Var_MBus_Desc = nullptr;
    QLabel* L_Var_MBus_ToD = nullptr;
    QLabel* L_Var_MBus_FF = nullptr;
    QLabel* L_Var_MBus_Dim = nullptr;
    QLabel* L_Var_MBus_Len = nullptr;
    QLabel* L_Var_MBus_Unit = nullptr;
    QLabel* L_Var_MBus_Scale = nullptr;
    QLabel* L_Var_MBus_StoNum = nullptr;
    QLabel* L_Var_MBus_Tariff = nullptr;
    QLabel* L_Var_MBus_VIFE = nullptr;
    QLineEdit* E_Var_MBus_Desc = nullptr;
    WideComboBox* CB_Var_MBus_ToD = nullptr;
    QComboBox* CB_Var_MBus_FF = nullptr;
    QComboBox* CB_Var_MBus_Dim = nullptr;
    QLineEdit* E_Var_MBus_Len = nullptr;
    QComboBox* CB_Var_MBus_Unit = nullptr;
    QComboBox* CB_Var_MBus_Scale = nullptr;
    QLineEdit* E_Var_MBus_StoNum = nullptr;
    QLineEdit* E_Var_MBus_Tariff = nullptr;
    WideComboBox* CB_Var_MBus_VIFE = nullptr;
    QPushButton* btn_Add_Var = nullptr;

    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
};
