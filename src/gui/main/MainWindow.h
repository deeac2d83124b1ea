#pragma once

#include "common/Workspace.h"
#include "core/shell/QtTranslation.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class ConfigClaim;
class QAbstractButton;
class QLabel;
class QPushButton;
class HelpDesk;
class ProgramStarter;
class AboutDialog;
class UpdateWindow;
class OptionsDialog;
class VersionCheck;
class NetworkEditorWindow;
class NewConfigurationDialog;
class OpenConfigurationDialog;
class CommunicationWindow;
struct Platform;
struct SharedState;

// The main window: the active configuration and the numbered workflow. It holds no
// configuration data; each step's window reads and writes the configuration's files.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Runs the start-up sequence for the program in `programFolder`. The other windows are made
    // at their first use and live as long as this one.
    MainWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
               const QString& programFolder, QWidget* parent = nullptr);
    // The same with the workspace chosen at start (see Workspace::choose).
    MainWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
               const Workspace::Layout& layout, QWidget* parent = nullptr);
    ~MainWindow() override;

    void buttonClicked(QAbstractButton* sender);
    void createConfiguration();
    void openConfiguration();
    void updateDevice();
    // The device variant from ParGen.xml: 1 without the file, 0 without the element.
    // `error` receives the parser's message when the file is not well-formed.
    int deviceModel(QString* error = nullptr);
    void applyLanguage();
    void changeLanguage();
    // Writes Ordano.xml; a failure is returned, never shown (the program must still end).
    QString saveSettings();
    void reportSettingsNotSaved(const QString& error);

    QTimer& updateTimer() { return Timer_Update; }
    // The step windows, each made at its first use.
    NewConfigurationDialog& newProjectWindow();
    OpenConfigurationDialog& openWindow();
    AboutDialog& aboutWindow();
    OptionsDialog& optionsWindow();
    CommunicationWindow& communicationWindow();
    NetworkEditorWindow& networkWindow();
    UpdateWindow& updateWindow();
    VersionCheck& versionCheck() { return *versionCheck_; }
    // The periodic version check: the first after 60 000 ms, then every 7 200 000 ms.
    void checkForNewVersion();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow(const Workspace::Layout& layout);
    void layOut();
    void showActiveConfiguration();
    // Claims the active configuration for this window, or learns where it is open already.
    void claimActive();
    void enableUpdateTimer();
    void showUpdateLink();
    void makerLinkClicked();
    QPushButton* pictureButton(const char* name, const QIcon& icon, int x, int y);
    QPushButton* stepButton(const char* name, const QIcon& icon, int x, int y);
    QLabel* label(const char* name, int x, int y, bool bold);

    SharedState& state_;
    Platform& platform_;
    ProgramStarter& starter_;
    QTimer Timer_Update;
    VersionCheck* versionCheck_ = nullptr;
    bool updateAvailable_ = false;
    QtTranslation qtTranslation_;
    HelpDesk* helpDesk_ = nullptr;

    QLabel* L_SW_Code = nullptr;
    QLabel* L_SW_Desc = nullptr;
    QLabel* LL_Update = nullptr;
    QLabel* L_Begin = nullptr;
    QLabel* L_Name_Conf = nullptr;
    QLabel* L_Name_Conf_L2 = nullptr;
    QLabel* L_Read_Only = nullptr;
    QLabel* L_Step[8] = {};
    QLabel* L_Nelvari = nullptr;
    QPushButton* Btn_Help = nullptr;
    QPushButton* Btn_Info = nullptr;
    QPushButton* Btn_Opz = nullptr;
    QPushButton* Btn_Close = nullptr;
    QPushButton* Btn_New = nullptr;
    QPushButton* Btn_Open = nullptr;
    QPushButton* Btn_Prm_Gen = nullptr;
    QPushButton* Btn_MBus = nullptr;
    QPushButton* Btn_CreateBin = nullptr;

    NewConfigurationDialog* newConfiguration_ = nullptr;
    OpenConfigurationDialog* openConfiguration_ = nullptr;
    AboutDialog* about_ = nullptr;
    OptionsDialog* options_ = nullptr;
    CommunicationWindow* communication_ = nullptr;
    NetworkEditorWindow* networkEditor_ = nullptr;
    UpdateWindow* update_ = nullptr;
    std::unique_ptr<ConfigClaim> claim_;
};
