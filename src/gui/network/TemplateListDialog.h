#pragma once

#include "core/network/Network.h"

#include <QDialog>
#include <functional>

class LanguageTable;
class Prompts;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
struct SharedState;

// The template list of the network editor: a searchable list of the workspace's templates with
// the chosen one's variables and Modbus sources, the new node's addresses, and rename, delete,
// export and import. The rules are Templates' (core/templates); the insertion is the editor's
// own command, handed in as `insert` (it returns the message index, 0 when the node went in).
class TemplateListDialog : public QDialog {
    Q_OBJECT
public:
    using Insert =
        std::function<int(const Node& templ, const QString& primary, const QString& secondary)>;

    TemplateListDialog(SharedState& state, Prompts& prompts, Insert insert,
                       QWidget* parent = nullptr);

    void applyLanguage();
    // Lists the templates anew and offers the next free primary address of `network`.
    void prepare(const Network& network);
    QString folder() const;
    // The chosen template's name; empty when none is chosen.
    QString selectedName() const;
    // Shows only the names that hold the search text (without regard to letter case), keeping
    // the choice when it stays listed.
    void applySearch();

    void insertClicked();
    void renameClicked();
    void deleteClicked();
    void exportClicked();
    void importClicked();

private:
    void reload(const QString& select);
    void showSelected();
    void error(const QString& text);

    SharedState& state_;
    Prompts& prompts_;
    Insert insert_;

    QLabel* L_SW_Desc = nullptr;
    QLabel* L_Search = nullptr;
    QLineEdit* E_Search = nullptr;
    QLabel* L_Templates = nullptr;
    QListWidget* LB_Templates = nullptr;
    QLabel* L_Empty = nullptr;
    QLabel* L_Preview = nullptr;
    QLabel* L_Description = nullptr;
    QTableWidget* TB_Preview = nullptr;
    QLabel* L_Pri = nullptr;
    QLabel* L_Sec = nullptr;
    QLineEdit* E_Pri = nullptr;
    QLineEdit* E_Sec = nullptr;
    QPushButton* Btn_Rename = nullptr;
    QPushButton* Btn_Delete = nullptr;
    QPushButton* Btn_Export = nullptr;
    QPushButton* Btn_Import = nullptr;
    QPushButton* Btn_OK = nullptr; // Insert Node
    QPushButton* Btn_Cancel = nullptr;
};

// Asks for a template's name in a small dialog (`label` is the field's text, `initial` its first
// value); empty when the user cancels.
QString askTemplateName(QWidget* parent, const LanguageTable& texts, int label,
                        const QString& initial);
