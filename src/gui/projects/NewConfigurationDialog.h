#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
struct Platform;
struct SharedState;

// Creates a configuration and makes it active before closing with OK.
class NewConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    NewConfigurationDialog(SharedState& state, Platform& platform, QWidget* parent = nullptr);
    void applyLanguage();
    void okClicked();

protected:
private:
    SharedState& state_;
    Platform& platform_;
    QLabel* L_SW_Desc;
    QLabel* Label1;
    QLineEdit* E_New_Proj;
    QPushButton* Btn_OK;
    QPushButton* Btn_Cancel;
};
