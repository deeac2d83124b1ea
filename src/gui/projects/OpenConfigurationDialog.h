#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;
struct SharedState;

// Lists the configurations and lets the user choose one; the main window opens it on OK.
class OpenConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    explicit OpenConfigurationDialog(SharedState& state, QWidget* parent = nullptr);
    void applyLanguage();

    QStringList SL;    // names found at the last showing
    QString Name_Conf; // the name chosen; empty when the list is empty

protected:
private:
    void prepare();
    void listClicked();

    SharedState& state_;
    QLabel* L_SW_Desc;
    QLabel* Label1;
    QListWidget* ListBox1;
    QPushButton* Btn_OK;
    QPushButton* Btn_Cancel;
};
