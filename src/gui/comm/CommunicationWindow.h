#pragma once

#include "core/comm/GeneralParameters.h"

#include <QDialog>
#include <array>

class CollapsibleSection;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
struct Platform;
struct SharedState;

// The communication settings of the active configuration (ParGen.xml): device, M-Bus line,
// Modbus master line and the device's Ethernet addressing. Lives for the whole run; reads the
// file each time it is shown and writes it when the user confirms.
class CommunicationWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 460;
    static constexpr int ClientHeight = 606;

    CommunicationWindow(SharedState& state, Platform& platform, QWidget* parent = nullptr);

    // True once the user has changed a value since the window was shown.
    bool isChanged = false;

    // Loads File_ParGen into the controls; false (after reporting why) when the file is not
    // well-formed.
    bool prepare();
    void orderPanels();
    void moveSections();
    void onChange(QObject* Sender);
    void onClick();
    bool checkValues();
    void okClicked();
    void cancelClicked();
    void applyLanguage();
    void fitWidth();

    // The values as the controls hold them, list positions outside their lists as -1.
    GeneralParameters values() const;

    int exec() override;
    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildSelectDevice();
    void buildMBus();
    void buildModbusMaster();
    void buildEthernet();
    void showValues(const GeneralParameters& record);
    QLineEdit* fieldOf(const char* element) const;

    SharedState& state_;
    Platform& platform_;
    bool loadedForExec_ = false;

    QLabel* L_SW_Code = nullptr;
    QLabel* L_SW_Desc = nullptr;
    QScrollArea* CPG = nullptr;
    CollapsibleSection* CP_Select_Device = nullptr;
    CollapsibleSection* CP_MBus = nullptr;
    CollapsibleSection* CP_ModbusMaster = nullptr;
    CollapsibleSection* CP_Ethernet = nullptr;

    QLabel* L_SelectDevice_SelDev = nullptr;
    QComboBox* CB_SelectDevice_SelDev = nullptr;

    QLabel* L_MBus_Baud = nullptr;
    QComboBox* CB_MBus_Baud = nullptr;
    QLabel* L_MBus_Parity = nullptr;
    QComboBox* CB_MBus_Parity = nullptr;

    QLabel* L_ModbusMaster_Serial = nullptr;
    QComboBox* CB_ModbusMaster_Serial = nullptr;
    QLabel* L_ModbusMaster_Baudrate = nullptr;
    QComboBox* CB_ModbusMaster_Baudrate = nullptr;
    QLabel* L_ModbusMaster_Parity = nullptr;
    QComboBox* CB_ModbusMaster_Parity = nullptr;
    QLabel* L_ModbusMaster_TimeOut = nullptr;
    QLineEdit* E_ModbusMaster_TimeOut = nullptr;
    QLabel* L_ModbusMaster_CyclicDelay = nullptr;
    QLineEdit* E_ModbusMaster_CyclicDelay = nullptr;
    QLabel* L_ModbusMaster_Protocol = nullptr;
    QComboBox* CB_ModbusMaster_Protocol = nullptr;

    QLabel* L_Ethernet_IP = nullptr;
    QLabel* L_Ethernet_SM = nullptr;
    QCheckBox* CB_Ethernet_En_GAT = nullptr;
    // IP1..IP4, SM1..SM4, GAT1..GAT4: also the order a typed dot moves the focus in.
    std::array<QLineEdit*, 12> E_Ethernet{};

    QLabel* L_Read_Only = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
};
