#pragma once

#include "core/sources/SlaveScan.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
struct SharedState;

namespace Sources {
class SlaveScanJob;
}

// Asks every unit id of a range on the source test's line which slaves answer, beside the ids
// the configuration uses. The scan runs on a thread of its own; its longest time is shown
// before it starts.
class FindSlavesWindow : public QDialog {
    Q_OBJECT
public:
    FindSlavesWindow(SharedState& state, const Sources::Connection& connection,
                     QList<int> configuredIds, QWidget* parent = nullptr);
    ~FindSlavesWindow() override;

    void applyLanguage();
    void scanClicked();
    void stopClicked();
    bool isScanning() const;

signals:
    // After a scan has ended and the list shows it.
    void scanDone();

protected:
    void reject() override;

private:
    void showBound();
    void onProgress(int done, int total);
    void onFinished();
    void updateControls();

    SharedState& state_;
    Sources::Connection connection_;
    QList<int> configured_;
    Sources::SlaveScanJob* job_ = nullptr;

    QLabel* L_SW_Desc = nullptr;
    QLabel* L_First = nullptr;
    QSpinBox* SE_First = nullptr;
    QLabel* L_Last = nullptr;
    QSpinBox* SE_Last = nullptr;
    QLabel* L_TimeOut = nullptr;
    QSpinBox* SE_TimeOut = nullptr;
    QLabel* L_Bound = nullptr;
    QPushButton* Btn_Scan = nullptr;
    QPushButton* Btn_Stop = nullptr;
    QProgressBar* PB_Progress = nullptr;
    QLabel* L_Status = nullptr;
    QListWidget* LW_Answers = nullptr;
    QPushButton* Btn_Close = nullptr;
};
