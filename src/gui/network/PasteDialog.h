#pragma once

#include "core/network/Network.h"
#include "core/network/PasteRules.h"

#include <QDialog>
#include <QStringList>

class Prompts;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct SharedState;

// The paste dialog: the copied Modbus values of each variable beside the new ones, and for a
// node its new addresses. The editor fills it, shows it and reads it back after OK; the rules
// are PasteRules'. The dialog lives for the whole run.
class PasteDialog : public QDialog {
    Q_OBJECT
public:
    PasteDialog(SharedState& state, Prompts& prompts, QWidget* parent = nullptr);

    // 1 pasting a variable, 0 pasting a node.
    int Form_Type = 0;

    // The network the new primary address must be free in (the editor's).
    const Network* network_ = nullptr;

    // Form_Type 1 and one block of rows for `copied`.
    void prepareVariable(const Variable& copied);
    // Form_Type 0, the copied addresses and one block per variable of `copied`.
    void prepareNode(const Node& copied, const Network& network);

    void applyLanguage();
    void prepare();
    void okClicked();
    // No node of network_ may have this primary address; else message 651.
    bool checkPrimaryAddress(qint64 primary);

    // Column 2 from row 1 on, and the address fields, as typed.
    QStringList newValues() const;
    QString newPrimaryText() const;
    QString newSecondaryText() const;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildNodePanel();
    void fillGrid(const QList<PasteRules::GridRow>& rows);
    void fitColumns();
    bool refuse(int message);

    SharedState& state_;
    Prompts& prompts_;

    QWidget* P_Title = nullptr;
    QLabel* L_SW_Code = nullptr;
    QLabel* L_SW_Desc = nullptr;

    QWidget* P_Node = nullptr;
    QLabel* L_New_Pri_Add = nullptr;
    QLineEdit* E_New_Pri_Add = nullptr;
    QLabel* L_New_Sec_Add = nullptr;
    QLineEdit* E_New_Sec_Add = nullptr;

    QLabel* L_New_Vars = nullptr;
    QTableWidget* ASG = nullptr;

    QWidget* P_Button = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
};
