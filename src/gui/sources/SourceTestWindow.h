#pragma once

#include "core/network/Network.h"
#include "core/sources/ContinuousRead.h"
#include "core/sources/SourceConnection.h"
#include "core/sources/SourceTexts.h"

#include <QDialog>
#include <QElapsedTimer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;
class QTimer;
struct Platform;
struct SharedState;

namespace Sources {
class SourceReadJob;
}

// Reads every enabled variable's Modbus source of the network on screen, read-only, from this
// computer, and shows what came back. The reading runs on a thread of its own (SourceReadJob).
class SourceTestWindow : public QDialog {
    Q_OBJECT
public:
    SourceTestWindow(SharedState& state, Platform& platform, const Network& network,
                     QWidget* parent = nullptr);
    ~SourceTestWindow() override;

    // The network editor's button: a window for the network as it stands in the editor.
    static void open(SharedState& state, Platform& platform, const Network& network,
                     QWidget* parent);

    void applyLanguage();
    void readClicked();
    void stopClicked();
    void copyClicked();
    void saveCsvClicked();
    // Opens the slave scan on the line the controls describe.
    void findSlavesClicked();

    // The connection the controls describe; empty when the address cannot be read.
    std::optional<Sources::Connection> connection() const;
    bool isReading() const;
    // Between two passes of a continuous reading.
    bool isWaiting() const;
    const QList<Sources::ResultRow>& rows() const { return rows_; }

signals:
    // After a reading has ended and the table shows it.
    void readingDone();

protected:
    void reject() override;

private:
    void loadSettings();
    void onProgress(int done, int total);
    void onFinished();
    void showRows();
    void updateControls();
    void startPass();
    void stopContinuous(const QString& why);

    SharedState& state_;
    Platform& platform_;
    Network network_;
    bool serialTestable_ = true;
    int protocol_ = 0;
    Sources::SourceReadJob* job_ = nullptr;
    QList<Sources::ResultRow> rows_;
    // Continuous reading: the last pass, to mark what changed since.
    QTimer* nextPass_ = nullptr;
    int pass_ = 0;
    bool stopRequested_ = false;
    std::optional<Sources::ReadRun> previousRun_;
    QElapsedTimer sincePrevious_;
    QList<Sources::Change> changes_;

    QLabel* L_SW_Desc = nullptr;
    QRadioButton* RB_Serial = nullptr;
    QRadioButton* RB_Tcp = nullptr;
    QLabel* L_Port = nullptr;
    QComboBox* CB_Port = nullptr;
    QLabel* L_Baud = nullptr;
    QComboBox* CB_Baud = nullptr;
    QLabel* L_Parity = nullptr;
    QComboBox* CB_Parity = nullptr;
    QLabel* L_TimeOut = nullptr;
    QSpinBox* SE_TimeOut = nullptr;
    QLabel* L_Address = nullptr;
    QLineEdit* E_Address = nullptr;
    QLabel* L_NotTestable = nullptr;
    QPushButton* Btn_Read = nullptr;
    QPushButton* Btn_Stop = nullptr;
    QPushButton* Btn_Copy = nullptr;
    QPushButton* Btn_SaveCsv = nullptr;
    QPushButton* Btn_FindSlaves = nullptr;
    QCheckBox* CB_Continuous = nullptr;
    QLabel* L_Every = nullptr;
    QSpinBox* SE_Every = nullptr;
    QProgressBar* PB_Progress = nullptr;
    QLabel* L_Status = nullptr;
    QTableView* TV_Results = nullptr;
    QStandardItemModel* results_ = nullptr;
    QListWidget* LW_Warnings = nullptr; // what the M-Bus reading system would show wrong
    QPushButton* Btn_Close = nullptr;
};
