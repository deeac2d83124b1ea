#pragma once

#include "core/update/ReachabilityCheck.h"
#include "core/update/UpdaterHandoff.h"

#include <QDialog>
#include <array>

class ProgramStarter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QToolButton;
class UpdateProgressDialog;
struct Platform;
struct SharedState;

// The update window: serial or Ethernet form, chosen by Form_Type before it is shown.
// The window lives for the whole run; what the user typed stays between showings.
class UpdateWindow : public QDialog {
    Q_OBJECT
public:
    UpdateWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
                 QWidget* parent = nullptr);

    // 0 serial, 1 Ethernet; any other value shows neither form and the update does nothing.
    int Form_Type = 0;

    void applyLanguage();
    // Lays the window out for Form_Type and fills it; runs each time the window is shown.
    void prepare();
    void updatePortList();
    void refreshPortsClicked();
    // The update start; returns once the updater has ended (or the wait has given up).
    void updateClicked();

    bool sendPing();
    void PingReply(int bytesReceived);
    int ping_res() const { return check_.ping_res(); }
    QString updaterOptions(const QString& s_opt) const;
    // Empty on success, else why Ethernet_Update.xml could not be written.
    QString ethernetUpdaterXml() const;

    // The four address fields joined with ".", exactly as typed.
    QString ipAddressText() const;

    // Shows what the images of the configuration change against the last update that sent
    // images; runs at every showing and after every update.
    void showComparison();

    void setVisible(bool visible) override;
    // Refused while an update runs.
    void reject() override;

private:
    // Paths for `program` in the form it reads (through wine: the drive form).
    UpdaterHandoff::PathForm pathFormFor(const QString& program) const;
    // Runs the update (UpdateRun) with the progress window and shows how it ended, or what
    // is wrong when it could not start. `path` is the port or the address.
    void startUpdater(const QString& program, const QStringList& arguments, const QString& path,
                      int option, bool readBack);

    void buildTitle();
    QWidget* buildAddressPanel();
    QWidget* buildDeviceListPanel();
    QWidget* buildPortPanel();
    QWidget* buildOptionsPanel();
    QWidget* buildChangesPanel();
    QWidget* buildButtonPanel();
    void setKeyboardOrder(const QList<QWidget*>& order);

    SharedState& state_;
    Platform& platform_;
    ProgramStarter& starter_;
    ReachabilityCheck check_;
    bool updating_ = false;

    QWidget* P_Title = nullptr;
    QLabel* L_SW_Code = nullptr;
    QLabel* L_SW_Desc = nullptr;

    QWidget* P_IP_Address = nullptr;
    QLabel* L_IP_Address = nullptr;
    std::array<QLineEdit*, 4> E_IP{};

    QWidget* P_Eth_Search = nullptr;
    QLabel* L_Eth_Search = nullptr;
    QPushButton* Btn_Eth_Search = nullptr;
    QTableWidget* SG_Eth_Devices = nullptr;
    QCheckBox* CB_Eth_Search_All = nullptr;

    QWidget* P_Serial = nullptr;
    QLabel* L_COM_Port = nullptr;
    QComboBox* CB_COM_Port = nullptr;
    QToolButton* Btn_COM_List = nullptr;

    QWidget* P_Options = nullptr;
    QLabel* L_Update_Option = nullptr;
    QComboBox* CB_Update_Options = nullptr;
    QCheckBox* CB_Update_Option_Read_Back = nullptr;

    QWidget* P_Changes = nullptr;
    QLabel* L_Changes = nullptr;
    QListWidget* LB_Changes = nullptr;
    QLabel* L_Outcome = nullptr;

    QWidget* P_Button = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* Btn_Update = nullptr;
};
