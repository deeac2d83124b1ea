#pragma once

#include "core/gateway/GatewayValues.h"
#include "core/gateway/SlaveBus.h"
#include "core/network/Network.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;
struct Platform;
struct SharedState;

namespace Gateway {
class GatewayLink;
}

// "Try as gateway": the network on screen answers as the gateway's M-Bus slaves, on M-Bus over
// TCP or a serial port, with values typed in the table or read live from the Modbus sources,
// so the customer's M-Bus software can read it in the office. The log lists every request and
// answer.
class GatewayWindow : public QDialog {
    Q_OBJECT
public:
    // Columns of the served records.
    enum Column { ColNode, ColVariable, ColCoding, ColValue };

    GatewayWindow(SharedState& state, Platform& platform, const Network& network,
                  QWidget* parent = nullptr);
    ~GatewayWindow() override;

    static void open(SharedState& state, Platform& platform, const Network& network,
                     QWidget* parent);
    // Puts the window's button beside the Modbus source test of the network editor `editor`;
    // `network` gives the network on screen when it is pressed.
    static void attachTo(QWidget* editor, SharedState& state, Platform& platform,
                         std::function<Network()> network);

    void applyLanguage();
    void startClicked();
    void stopClicked();

    bool isListening() const;
    int listeningPort() const;
    QStringList logLines() const;

signals:
    void logged(const QString& line);

protected:
    void reject() override;

private:
    void showValues();
    void updateControls();
    Gateway::RecordValue valueOf(int node, int variable) const;

    SharedState& state_;
    Platform& platform_;
    Network network_;
    Gateway::ValueMap typed_;
    std::unique_ptr<Gateway::SlaveBus> bus_;
    std::unique_ptr<Gateway::GatewayLink> link_;
    std::unique_ptr<Gateway::LiveValues> live_;
    // The log as entries, so "hex" can show it again either way; the oldest go first.
    struct LogEntry {
        QString stamp;
        Gateway::Exchange exchange;
        QString note; // a line of its own instead of an exchange
    };
    QList<LogEntry> log_;
    void addEntry(LogEntry entry);
    void showLog();
    QString lineOf(const LogEntry& entry) const;

    QLabel* L_SW_Desc = nullptr;
    QLabel* L_ListenOn = nullptr;
    QRadioButton* RB_MbusTcp = nullptr;
    QLineEdit* E_MbusAddress = nullptr;
    QLabel* L_MbusAddress = nullptr;
    QRadioButton* RB_MbusSerial = nullptr;
    QComboBox* CB_MbusPort = nullptr;
    QLabel* L_MbusLine = nullptr;
    QLabel* L_Values = nullptr;
    QRadioButton* RB_Typed = nullptr;
    QRadioButton* RB_LiveTcp = nullptr;
    QLineEdit* E_ModbusAddress = nullptr;
    QRadioButton* RB_LiveSerial = nullptr;
    QComboBox* CB_ModbusPort = nullptr;
    QLabel* L_Every = nullptr;
    QSpinBox* SE_Every = nullptr;
    QPushButton* Btn_Start = nullptr;
    QPushButton* Btn_Stop = nullptr;
    QCheckBox* CB_Hex = nullptr;
    QLabel* L_Status = nullptr;
    QStandardItemModel* values_ = nullptr;
    QTableView* TV_Values = nullptr;
    QLabel* L_Log = nullptr;
    QPlainTextEdit* M_Log = nullptr;
    QPushButton* Btn_Close = nullptr;
};
