#include "gui/main/MainWindow.h"

#include "common/ConfigClaim.h"
#include "common/MakerSite.h"
#include "core/comm/GeneralParameters.h"
#include "core/image/CompileConfiguration.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/platform/UrlOpener.h"
#include "core/projects/ProjectStore.h"
#include "core/shell/Settings.h"
#include "core/shell/VersionCheck.h"
#include "core/state/SharedState.h"
#include "core/templates/MeterTemplates.h"
#include "core/update/ProgramStarter.h"
#include "gui/comm/CommunicationWindow.h"
#include "gui/dialogs/ClickLabel.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/gateway/GatewayWindow.h"
#include "gui/help/HelpDesk.h"
#include "gui/help/HelpTexts.h"
#include "gui/main/AboutDialog.h"
#include "gui/main/OptionsDialog.h"
#include "gui/main/Pictures.h"
#include "gui/main/WorkflowButton.h"
#include "gui/network/NetworkEditorWindow.h"
#include "gui/projects/NewConfigurationDialog.h"
#include "gui/projects/OpenConfigurationDialog.h"
#include "gui/sources/SourceTestWindow.h"
#include "gui/update/UpdateWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int ClientWidth = 694;
constexpr int UpdateTimerFirstMs = 60000;
constexpr int UpdateTimerNextMs = 7200000;
constexpr int Msg_SettingsNotSaved = 27;

} // namespace

MainWindow::MainWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
                       const QString& programFolder, QWidget* parent)
    : MainWindow(state, platform, starter,
                 Workspace::Layout{programFolder, QString(), programFolder}, parent) {}

MainWindow::MainWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
                       const Workspace::Layout& layout, QWidget* parent)
    : QWidget(parent), state_(state), platform_(platform), starter_(starter),
      versionCheck_(new VersionCheck(platform.http, this)), helpDesk_(new HelpDesk(state, this)) {
    setObjectName(QStringLiteral("MainWindow"));
    buildWindow(layout);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWindow(const Workspace::Layout& layout) {
    state_.texts.resetToEnglish();
    layOut();
    state_.setWorkspace(layout);
    // A workspace without a templates folder gets the examples shipped beside the languages.
    for (const QString& problem : Templates::seed(
             Templates::folderOf(state_.workspaceDir),
             Workspace::installedPath(state_.layout(), QLatin1String(Templates::Folder)),
             state_.texts))
        qWarning("Template not copied: %s", qPrintable(problem));
    state_.projectName.clear();
    Settings::readSettings(state_, QDir(state_.workspaceDir).filePath(Settings::FileName));
    Timer_Update.setInterval(UpdateTimerFirstMs);
    connect(&Timer_Update, &QTimer::timeout, this, &MainWindow::checkForNewVersion);
    enableUpdateTimer();
    setWindowTitle(state_.productCaption);
    L_SW_Code->setText(state_.productCode);
    L_SW_Desc->setText(state_.productDescription);
    // A refused language file (not a regular file, far too large) leaves the English texts.
    if (const QString refused = loadLanguage(state_.texts, state_.language, state_.languageFolders);
        !refused.isEmpty())
        qWarning("Language file refused: %s", qPrintable(refused));
    qtTranslation_.apply(state_.language);
    // Reopen the last configuration only while its folder still exists, and only by a name
    // that creation would take: a hand-edited "../x" must not lead out of PROJECTS.
    const QString last = state_.projectName;
    const bool reopen = ProjectStore::canReopen(state_.projectsDir, last);
    state_.activateProject(reopen ? last : QString());
    claimActive();
    applyLanguage();
    state_.setFiles();
    DialogParts::centreOnScreen(this);
}

// Each window is made at its first use: most sessions open two of them. A window made later
// applies the language table as it is then, like one made at start after a language change.
NewConfigurationDialog& MainWindow::newProjectWindow() {
    if (!newConfiguration_)
        newConfiguration_ = new NewConfigurationDialog(state_, platform_, this);
    return *newConfiguration_;
}

OpenConfigurationDialog& MainWindow::openWindow() {
    if (!openConfiguration_)
        openConfiguration_ = new OpenConfigurationDialog(state_, this);
    return *openConfiguration_;
}

AboutDialog& MainWindow::aboutWindow() {
    if (!about_)
        about_ = new AboutDialog(state_, platform_, this);
    return *about_;
}

OptionsDialog& MainWindow::optionsWindow() {
    if (!options_)
        options_ = new OptionsDialog(
            state_, platform_, *versionCheck_, [this] { changeLanguage(); }, this);
    return *options_;
}

CommunicationWindow& MainWindow::communicationWindow() {
    if (!communication_)
        communication_ = new CommunicationWindow(state_, platform_, this);
    return *communication_;
}

NetworkEditorWindow& MainWindow::networkWindow() {
    if (!networkEditor_) {
        networkEditor_ = new NetworkEditorWindow(state_, platform_, this);
        connect(networkEditor_, &NetworkEditorWindow::testSourcesRequested, this, [this] {
            SourceTestWindow::open(state_, platform_, networkEditor_->editor().network(),
                                   networkEditor_);
        });
        GatewayWindow::attachTo(networkEditor_, state_, platform_,
                                [this] { return networkEditor_->editor().network(); });
    }
    return *networkEditor_;
}

QLabel* MainWindow::label(const char* name, int x, int y, bool bold) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    if (bold) {
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
    return l;
}

QPushButton* MainWindow::pictureButton(const char* name, const QIcon& icon, int x, int y) {
    auto* b = new WorkflowButton(this);
    b->setAttribute(Qt::WA_Hover);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 50, 50);
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    connect(b, &QPushButton::clicked, this, [this, b] { buttonClicked(b); });
    return b;
}

QPushButton* MainWindow::stepButton(const char* name, const QIcon& icon, int x, int y) {
    QPushButton* b = pictureButton(name, icon, x, y);
    b->setGeometry(x, y, 170, 36);
    b->setIconSize(QSize(24, 24));
    return b;
}

void MainWindow::layOut() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    L_SW_Code = label("L_SW_Code", 16, 8, false);
    DialogParts::styleCodeLabel(L_SW_Code);
    L_SW_Desc = label("L_SW_Desc", 16, 42, false);
    DialogParts::styleDescriptionLabel(L_SW_Desc);

    LL_Update = label("LL_Update", 208, 19, false);
    LL_Update->setTextFormat(Qt::RichText);
    LL_Update->setOpenExternalLinks(false);
    LL_Update->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(LL_Update, &QLabel::linkActivated, this,
            [this](const QString& link) { platform_.urls.open(QUrl(link)); });
    LL_Update->hide();

    Btn_Help = pictureButton("Btn_Help", Pictures::help(), 458, 8);
    Btn_Info = pictureButton("Btn_Info", Pictures::information(), 516, 8);
    Btn_Opz = pictureButton("Btn_Opz", Pictures::options(), 574, 8);
    Btn_Close = pictureButton("Btn_Close", Pictures::close(), 632, 8);

    L_Begin = label("L_Begin", 16, 84, true);
    auto* shape2 = new QFrame(this);
    shape2->setObjectName(QStringLiteral("Shape2"));
    shape2->setGeometry(80, 70, 348, 36);
    shape2->setFrameShape(QFrame::Box);
    shape2->setFrameShadow(QFrame::Plain);
    QPalette silver = shape2->palette();
    silver.setColor(QPalette::WindowText, QColor(192, 192, 192));
    shape2->setPalette(silver);
    L_Name_Conf = label("L_Name_Conf", 87, 75, false);
    L_Name_Conf_L2 = label("L_Name_Conf_L2", 87, 88, false);
    L_Read_Only = label("L_Read_Only", 440, 70, true);
    L_Read_Only->setWordWrap(true);
    L_Read_Only->setFixedWidth(ClientWidth - 440 - 10);
    QPalette warning = L_Read_Only->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
    L_Read_Only->setPalette(warning);
    L_Read_Only->hide();

    const int stepTops[8] = {128, 172, 216, 260, 304, 348, 392, 436};
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "L_Step_" + QByteArray::number(i + 1);
        L_Step[i] = label(name.constData(), 16, stepTops[i], true);
        if (i >= 4)
            L_Step[i]->hide(); // steps 5 to 8 belong to other devices of the family
    }
    Btn_New = stepButton("Btn_New", Pictures::newConfiguration(), 80, 112);
    Btn_Open = stepButton("Btn_Open", Pictures::openConfiguration(), 258, 112);
    Btn_Prm_Gen = stepButton("Btn_Prm_Gen", Pictures::communication(), 80, 156);
    Btn_MBus = stepButton("Btn_MBus", Pictures::network(), 80, 200);
    Btn_CreateBin = stepButton("Btn_CreateBin", Pictures::updateDevice(), 80, 244);

    auto* nelvari = new ClickLabel(this);
    nelvari->setObjectName(QStringLiteral("L_Nelvari"));
    QFont bold = nelvari->font();
    bold.setBold(true);
    nelvari->setFont(bold);
    nelvari->setText(MakerSite::webAddressText());
    nelvari->adjustSize();
    nelvari->move(565, L_Step[3]->y());
    nelvari->clicked = [this] { makerLinkClicked(); };
    L_Nelvari = nelvari;

    auto* shape1 = new QFrame(this);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::HLine);
    shape1->setFrameShadow(QFrame::Plain);
    shape1->setGeometry(10, Btn_CreateBin->y() + 51, 674, 1);
    shape1->setPalette(silver);

    setFixedSize(ClientWidth, Btn_CreateBin->y() + 152);
}

void MainWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    L_Begin->setText(t.text(0));
    for (int i = 0; i < 8; ++i)
        L_Step[i]->setText(t.text(i + 1));
    Btn_Info->setToolTip(t.text(12));
    Btn_Opz->setToolTip(t.text(13));
    Btn_Close->setToolTip(t.text(14));
    Btn_Help->setToolTip(t.text(HelpTexts::HelpButton));
    Btn_New->setText(t.text(15));
    Btn_Open->setText(t.text(16));
    Btn_CreateBin->setText(t.text(17));
    Btn_Prm_Gen->setText(t.text(20));
    Btn_MBus->setText(t.text(25));
    Btn_New->setToolTip(t.text(21));
    Btn_Open->setToolTip(t.text(22));
    Btn_Prm_Gen->setToolTip(t.text(23));
    Btn_CreateBin->setToolTip(t.text(24));
    Btn_MBus->setToolTip(t.text(26));
    for (QPushButton* b : {Btn_Help, Btn_Info, Btn_Opz, Btn_Close})
        b->setAccessibleName(b->toolTip());
    showActiveConfiguration();
    showUpdateLink();
    for (QLabel* l : L_Step)
        l->adjustSize();
    L_Begin->adjustSize();
    Keyboard::assignShortcutLetters(this);
}

void MainWindow::showActiveConfiguration() {
    const LanguageTable& t = state_.texts;
    if (state_.projectName.isEmpty()) {
        L_Name_Conf->setText(t.text(9));
        L_Name_Conf_L2->setText(t.text(10));
    } else {
        L_Name_Conf->setText(t.text(11));
        L_Name_Conf_L2->setText(state_.projectName);
    }
    L_Name_Conf->adjustSize();
    L_Name_Conf_L2->adjustSize();
    L_Read_Only->setText(state_.readOnlyText());
    L_Read_Only->setToolTip(state_.readOnlyNotice());
    L_Read_Only->setAccessibleName(state_.readOnlyNotice());
    L_Read_Only->adjustSize();
    L_Read_Only->setVisible(state_.readOnly());
}

void MainWindow::claimActive() {
    // The claim held so far goes first: opening the same configuration again must find it free.
    claim_.reset();
    if (state_.hasProject()) {
        claim_ = std::make_unique<ConfigClaim>(state_.projectDir);
        state_.openElsewhere = claim_->openElsewhere();
    }
    showActiveConfiguration();
}

void MainWindow::changeLanguage() {
    // Qt's own texts first: the windows may rebuild lists that carry them.
    qtTranslation_.apply(options_ ? options_->languageInUse : state_.language);
    applyLanguage();
    // Windows not made yet take the new texts when they are made.
    if (newConfiguration_)
        newConfiguration_->applyLanguage();
    if (openConfiguration_)
        openConfiguration_->applyLanguage();
    if (options_)
        options_->applyLanguage();
    if (networkEditor_)
        networkEditor_->applyLanguage();
    if (update_)
        update_->applyLanguage();
    if (communication_)
        communication_->applyLanguage();
}

void MainWindow::enableUpdateTimer() {
    if (!state_.internetEnabled || !state_.updateCheckEnabled)
        Timer_Update.stop();
    else if (!Timer_Update.isActive())
        Timer_Update.start(); // a running countdown keeps its time
}

void MainWindow::checkForNewVersion() {
    Timer_Update.stop();
    Timer_Update.setInterval(UpdateTimerNextMs);
    // The windows stay responsive while the site answers; the timer waits for the answer so
    // that a slow site never has two checks running.
    versionCheck_->checkVersion(this, [this](bool newer) {
        updateAvailable_ = newer;
        showUpdateLink();
        enableUpdateTimer();
    });
}

void MainWindow::showUpdateLink() {
    if (!updateAvailable_) {
        LL_Update->hide();
        return;
    }
    LL_Update->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(MakerSite::downloadPage().toString(QUrl::FullyEncoded).toHtmlEscaped(),
                 state_.texts.text(19).toHtmlEscaped()));
    LL_Update->setAccessibleName(state_.texts.text(19));
    LL_Update->adjustSize();
    LL_Update->show();
}

void MainWindow::makerLinkClicked() {
    platform_.urls.open(MakerSite::homePage());
}

UpdateWindow& MainWindow::updateWindow() {
    // Made at the first update rather than at start-up: it is the costliest window to build,
    // and it applies the current language every time it is shown.
    if (!update_)
        update_ = new UpdateWindow(state_, platform_, starter_, this);
    return *update_;
}

void MainWindow::buttonClicked(QAbstractButton* sender) {
    if (sender == Btn_New) {
        createConfiguration();
        return;
    }
    if (sender == Btn_Open) {
        openConfiguration();
        return;
    }
    if (sender == Btn_Close) {
        close();
        return;
    }
    if (sender == Btn_Help) {
        helpDesk_->openFor(this);
        return;
    }
    if (sender == Btn_Info) {
        aboutWindow().exec();
        return;
    }
    if (sender == Btn_Opz) {
        if (optionsWindow().exec() != QDialog::Accepted)
            return;
        options_->chosen.applyTo(state_);
        reportSettingsNotSaved(saveSettings());
        enableUpdateTimer();
        return;
    }
    if (state_.projectDir.isEmpty()) {
        platform_.prompts.error(this, state_.texts.text(18));
        return;
    }
    // The other window may have closed meanwhile: then this step takes the configuration over.
    // Else the step windows show it open elsewhere, and refuse to write it.
    if (state_.readOnly())
        claimActive();
    if (sender == Btn_Prm_Gen)
        communicationWindow().exec();
    if (sender == Btn_MBus)
        networkWindow().exec();
    if (sender == Btn_CreateBin)
        updateDevice();
}

void MainWindow::createConfiguration() {
    if (newProjectWindow().exec() == QDialog::Accepted)
        claimActive();
}

void MainWindow::openConfiguration() {
    if (openWindow().exec() != QDialog::Accepted)
        return;
    // Listed, but the updaters could not take its files: the active configuration stays.
    if (const QString refusal = ProjectStore::forbiddenCharacterMessage(
            openConfiguration_->Name_Conf, state_.texts.text(934));
        !refusal.isEmpty()) {
        platform_.prompts.error(this, refusal);
        return;
    }
    state_.activateProject(openConfiguration_->Name_Conf);
    claimActive();
}

void MainWindow::updateDevice() {
    // Compiling writes the configuration's images, and the update its history.
    if (state_.readOnly()) {
        platform_.prompts.error(this, state_.readOnlyNotice());
        return;
    }
    const CompiledConfiguration compiled = compileConfiguration(state_.projectDir);
    if (!compiled.ok()) {
        platform_.prompts.error(this, compiled.error);
        return;
    }
    QString error;
    const int device = deviceModel(&error);
    if (!error.isEmpty()) {
        platform_.prompts.error(this, error);
        return;
    }
    UpdateWindow& boot = updateWindow();
    boot.Form_Type = device;
    boot.exec();
}

int MainWindow::deviceModel(QString* error) {
    const SelectDeviceRead read = readDeviceModel(state_.parGenFile);
    if (error)
        *error = read.error;
    return read.value;
}

QString MainWindow::saveSettings() {
    return Settings::saveSettings(state_, QDir(state_.workspaceDir).filePath(Settings::FileName));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A settings file that cannot be written must not keep the program from ending, but the
    // user learns that the last configuration and the options are not kept.
    reportSettingsNotSaved(saveSettings());
    event->accept();
}

void MainWindow::reportSettingsNotSaved(const QString& error) {
    if (!error.isEmpty())
        platform_.prompts.error(this, state_.texts.text(Msg_SettingsNotSaved) + QLatin1Char('\n') +
                                          error);
}
