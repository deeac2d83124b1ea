#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class VersionCheck;
struct Platform;
struct SharedState;

// What OK confirmed, for the main window to store and act on.
struct SoftOptionsChoice {
    QString language;
    bool internetEnabled = false;
    bool updateCheckEnabled = false;
    bool jumpTableEnabled = false;
    bool doubleClickAutoSize = false;

    void applyTo(SharedState& state) const;
    bool operator==(const SoftOptionsChoice&) const = default;
};

// The software options: the language, the Internet options and two table preferences.
// Only OK confirms them (`chosen`); a language picked here is loaded at once for every window.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // `changeLanguage` re-applies the texts of every window.
    OptionsDialog(SharedState& state, Platform& platform, VersionCheck& versionCheck,
                  std::function<void()> changeLanguage, QWidget* parent = nullptr);

    // Set by OK; read after the result Accepted.
    SoftOptionsChoice chosen;

    void applyLanguage();
    void languageNames();
    void showPage(int page);
    void nextClicked(QPushButton* sender);
    // `index` is the language's place in SL_Languages.
    void languageClicked(int index);
    void updateCheckBoxes();
    void checkUpdateClicked();
    void okClicked();

    QString languageInUse;
    QStringList SL_Languages;
    int shownPage = 1;

protected:
private:
    void prepare();
    void buildLanguageTab(QWidget* tab);
    void buildConnectionTab(QWidget* tab);
    void buildSettingsTab(QWidget* tab);
    void showSelectedLanguage();
    void fillLanguageList();
    void showCheckResult();

    SharedState& state_;
    Platform& platform_;
    VersionCheck& versionCheck_;
    std::function<void()> changeLanguage_;

    enum class CheckResult { None, Newer, NoUpdate };
    CheckResult checkResult_ = CheckResult::None;
    bool checking_ = false;
    // A showing's number, so that a check answered after the dialog was closed and opened
    // again does not show its result in the new showing.
    int showing_ = 0;

    QLabel* L_SW_Desc;
    QTabWidget* PC_Options;
    QWidget* TS_Language;
    QWidget* TS_Con_Options;
    QWidget* TS_Soft_Settings;
    QLabel* L_Sel_Lang;
    // Every language with its flag, six to a page in two columns: arrows, Enter, a click or
    // the first letters of a name choose.
    QListWidget* LB_Languages;
    QLabel* L_Page_Lang;
    QPushButton* Btn_Prev;
    QPushButton* Btn_Next;
    QCheckBox* CB_En_Con;
    QCheckBox* CB_Update;
    QPushButton* Btn_Check_Update;
    QLabel* LL_Check_Update;
    QCheckBox* CB_Soft_Set_Jump_Table;
    QCheckBox* CB_DoubleClick_Auto_Size;
    QPushButton* Btn_OK;
    QPushButton* Btn_Cancel;
};
