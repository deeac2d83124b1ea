#include "gui/update/UpdateWindow.h"

#include "common/IpAddress.h"
#include "core/history/HistoryTexts.h"
#include "core/history/SendCheck.h"
#include "core/history/UpdateHistory.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/platform/SerialProbe.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "core/update/UpdateOptions.h"
#include "core/update/UpdateRun.h"
#include "core/update/UpdaterHandoff.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/DotAdvance.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/update/UpdateProgressDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using DialogParts::named;

namespace {

// Panel heights fix the window height: 69 + 51 + 72 + 40 (serial), 69 + 49 + 72 + 40 (Ethernet).
constexpr int TitleHeight = 69;
constexpr int AddressHeight = 49;
constexpr int PortHeight = 51;
constexpr int OptionsHeight = 72;
constexpr int ButtonHeight = 40;
// What the update changes, above the buttons; a longer list scrolls.
constexpr int ChangesHeight = 170;
constexpr int ClientWidth = 449;
// A quick updater's end is not worth a flashing window.
constexpr qint64 ProgressAfterMs = 500;

QWidget* panel(QWidget* parent, const char* name, int height) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setFixedHeight(height);
    return widget;
}

} // namespace

UpdateWindow::UpdateWindow(SharedState& state, Platform& platform, ProgramStarter& starter,
                           QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), starter_(starter),
      check_(platform.echo, platform.clock) {
    setObjectName(QStringLiteral("UpdateWindow"));
    // Fixed border, close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildTitle();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(P_Title);
    // Hidden panels take no room, so this one order stacks both forms.
    layout->addWidget(buildAddressPanel());
    layout->addWidget(buildDeviceListPanel());
    layout->addWidget(buildPortPanel());
    layout->addWidget(buildOptionsPanel());
    layout->addWidget(buildChangesPanel());
    layout->addStretch();
    layout->addWidget(buildButtonPanel());
    P_Eth_Search->hide(); // part of the design, never shown

    connect(Btn_COM_List, &QToolButton::clicked, this, &UpdateWindow::refreshPortsClicked);
    connect(Btn_Update, &QPushButton::clicked, this, &UpdateWindow::updateClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    applyLanguage();
}

void UpdateWindow::buildTitle() {
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode, TitleHeight);
    P_Title = title.panel;
    L_SW_Code = title.code;
    L_SW_Desc = title.description;
}

QWidget* UpdateWindow::buildAddressPanel() {
    P_IP_Address = panel(this, "P_IP_Address", AddressHeight);
    L_IP_Address = named(new QLabel(P_IP_Address), "L_IP_Address");
    auto* fields = new QHBoxLayout;
    fields->setSpacing(4);
    static const char* const names[] = {"E_IP1", "E_IP2", "E_IP3", "E_IP4"};
    for (size_t i = 0; i < E_IP.size(); ++i) {
        if (i > 0)
            fields->addWidget(new QLabel(QStringLiteral("."), P_IP_Address));
        QLineEdit* edit = named(new QLineEdit(QStringLiteral("0"), P_IP_Address), names[i]);
        edit->setFixedWidth(44);
        fields->addWidget(edit);
        E_IP[i] = edit;
    }
    new DotAdvance({E_IP.begin(), E_IP.end()}, this);
    fields->addStretch();
    auto* layout = new QVBoxLayout(P_IP_Address);
    layout->setContentsMargins(16, 2, 16, 2);
    layout->setSpacing(2);
    layout->addWidget(L_IP_Address);
    layout->addLayout(fields);
    return P_IP_Address;
}

QWidget* UpdateWindow::buildDeviceListPanel() {
    P_Eth_Search = panel(this, "P_Eth_Search", 160);
    L_Eth_Search = named(new QLabel(P_Eth_Search), "L_Eth_Search");
    Btn_Eth_Search = named(new QPushButton(P_Eth_Search), "Btn_Eth_Search");
    SG_Eth_Devices = named(new QTableWidget(0, 2, P_Eth_Search), "SG_Eth_Devices");
    SG_Eth_Devices->verticalHeader()->hide();
    CB_Eth_Search_All = named(new QCheckBox(P_Eth_Search), "CB_Eth_Search_All");
    auto* layout = new QGridLayout(P_Eth_Search);
    layout->setContentsMargins(16, 2, 16, 2);
    layout->addWidget(L_Eth_Search, 0, 0);
    layout->addWidget(Btn_Eth_Search, 0, 1);
    layout->addWidget(SG_Eth_Devices, 1, 0, 1, 2);
    layout->addWidget(CB_Eth_Search_All, 2, 0, 1, 2);
    return P_Eth_Search;
}

QWidget* UpdateWindow::buildPortPanel() {
    P_Serial = panel(this, "P_Serial", PortHeight);
    L_COM_Port = named(new QLabel(P_Serial), "L_COM_Port");
    CB_COM_Port = named(new QComboBox(P_Serial), "CB_COM_Port");
    CB_COM_Port->setEditable(false);
    CB_COM_Port->setMinimumWidth(160);
    Btn_COM_List = named(new QToolButton(P_Serial), "Btn_COM_List");
    Btn_COM_List->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    Btn_COM_List->setAutoRaise(false);
    auto* row = new QHBoxLayout;
    row->addWidget(CB_COM_Port);
    row->addWidget(Btn_COM_List);
    row->addStretch();
    auto* layout = new QVBoxLayout(P_Serial);
    layout->setContentsMargins(16, 2, 16, 2);
    layout->setSpacing(2);
    layout->addWidget(L_COM_Port);
    layout->addLayout(row);
    return P_Serial;
}

QWidget* UpdateWindow::buildOptionsPanel() {
    P_Options = panel(this, "P_Options", OptionsHeight);
    L_Update_Option = named(new QLabel(P_Options), "L_Update_Option");
    CB_Update_Options = named(new QComboBox(P_Options), "CB_Update_Options");
    CB_Update_Options->setEditable(false);
    CB_Update_Options->setMinimumWidth(200);
    CB_Update_Option_Read_Back = named(new QCheckBox(P_Options), "CB_Update_Option_Read_Back");
    auto* layout = new QGridLayout(P_Options);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(L_Update_Option, 0, 0, 1, 2);
    layout->addWidget(CB_Update_Options, 1, 0);
    layout->addWidget(CB_Update_Option_Read_Back, 1, 1);
    layout->setColumnStretch(2, 1);
    return P_Options;
}

QWidget* UpdateWindow::buildChangesPanel() {
    P_Changes = panel(this, "P_Changes", ChangesHeight);
    L_Changes = named(new QLabel(P_Changes), "L_Changes");
    L_Changes->setWordWrap(true);
    LB_Changes = named(new QListWidget(P_Changes), "LB_Changes");
    LB_Changes->setSelectionMode(QAbstractItemView::NoSelection);
    LB_Changes->setWordWrap(true);
    LB_Changes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    L_Changes->setBuddy(LB_Changes);
    L_Outcome = named(new QLabel(P_Changes), "L_Outcome");
    L_Outcome->setWordWrap(true);
    L_Outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    L_Outcome->hide();
    auto* layout = new QVBoxLayout(P_Changes);
    layout->setContentsMargins(16, 2, 16, 2);
    layout->setSpacing(2);
    layout->addWidget(L_Changes);
    layout->addWidget(LB_Changes, 1);
    layout->addWidget(L_Outcome);
    return P_Changes;
}

QWidget* UpdateWindow::buildButtonPanel() {
    P_Button = panel(this, "P_Button", ButtonHeight);
    Btn_Update = named(new QPushButton(P_Button), "Btn_Update");
    Btn_Cancel = named(new QPushButton(P_Button), "Btn_Cancel");
    // Enter in an address field must not start an update; on a focused button it presses it.
    Btn_Update->setAutoDefault(false);
    Btn_Cancel->setAutoDefault(false);
    Keyboard::pressOnEnter({Btn_Update, Btn_Cancel});
    auto* layout = new QHBoxLayout(P_Button);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addStretch();
    layout->addWidget(Btn_Update);
    layout->addWidget(Btn_Cancel);
    return P_Button;
}

void UpdateWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    if (Form_Type == 0) {
        setWindowTitle(t.text(800));
        L_SW_Desc->setText(t.text(801));
    } else if (Form_Type == 1) {
        setWindowTitle(t.text(802));
        L_SW_Desc->setText(t.text(803));
    }
    L_IP_Address->setText(t.text(806));
    L_COM_Port->setText(t.text(807));
    L_Eth_Search->setText(t.text(809));
    Btn_Eth_Search->setText(t.text(810));
    SG_Eth_Devices->setHorizontalHeaderLabels({t.text(811), t.text(812)});
    SG_Eth_Devices->setAccessibleName(t.text(809));
    CB_Eth_Search_All->setText(t.text(813));
    L_Update_Option->setText(t.text(814));
    CB_Update_Options->clear();
    CB_Update_Options->addItems({t.text(815), t.text(816), t.text(817)});
    CB_Update_Options->setCurrentIndex(0);
    CB_Update_Option_Read_Back->setText(t.text(818));
    Btn_Cancel->setText(t.text(819));
    Btn_Update->setText(t.text(820));
    for (size_t i = 0; i < E_IP.size(); ++i) {
        E_IP[i]->setToolTip(t.text(821 + int(i)));
        // Four fields share one label: each is named by its hint.
        E_IP[i]->setAccessibleName(t.text(821 + int(i)));
    }
    CB_COM_Port->setToolTip(t.text(825));
    CB_COM_Port->setAccessibleName(t.text(807));
    Btn_COM_List->setToolTip(t.text(827));
    Btn_COM_List->setAccessibleName(t.text(827));
    Btn_Eth_Search->setToolTip(t.text(829));
    SG_Eth_Devices->setToolTip(t.text(830));
    CB_Eth_Search_All->setToolTip(t.text(831));
    CB_Update_Options->setToolTip(t.text(832));
    CB_Update_Option_Read_Back->setToolTip(t.text(833));
    Btn_Cancel->setToolTip(t.text(834));
    Btn_Update->setToolTip(t.text(835));
    Keyboard::assignShortcutLetters(this);
}

void UpdateWindow::setKeyboardOrder(const QList<QWidget*>& order) {
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void UpdateWindow::prepare() {
    applyLanguage();
    L_SW_Code->setText(state_.productCode);
    P_IP_Address->hide();
    P_Eth_Search->hide();
    P_Options->hide();
    P_Serial->hide();
    P_Changes->hide();
    L_Outcome->hide();

    const QList<QWidget*> address{E_IP[0], E_IP[1], E_IP[2], E_IP[3]};
    const QList<QWidget*> deviceList{Btn_Eth_Search, SG_Eth_Devices, CB_Eth_Search_All};
    const QList<QWidget*> port{CB_COM_Port, Btn_COM_List};
    const QList<QWidget*> options{CB_Update_Options, CB_Update_Option_Read_Back};
    const QList<QWidget*> buttons{Btn_Update, Btn_Cancel};

    if (Form_Type == 0) {
        P_Serial->show();
        P_Options->show();
        P_Changes->show();
        setFixedSize(ClientWidth,
                     TitleHeight + PortHeight + OptionsHeight + ChangesHeight + ButtonHeight);
        setKeyboardOrder(port + options + QList<QWidget*>{LB_Changes} + buttons + address +
                         deviceList);
        CB_Update_Options->setCurrentIndex(state_.lastUpdateOption);
        CB_Update_Option_Read_Back->setChecked(state_.lastReadBack);
        updatePortList();
        showComparison();
        CB_COM_Port->setFocus();
    } else if (Form_Type == 1) {
        P_IP_Address->show();
        P_Options->show();
        P_Changes->show();
        setFixedSize(ClientWidth,
                     TitleHeight + AddressHeight + OptionsHeight + ChangesHeight + ButtonHeight);
        setKeyboardOrder(address + deviceList + options + QList<QWidget*>{LB_Changes} + buttons +
                         port);
        std::array<QString, 4> parts;
        if (!state_.lastIpAddress.isEmpty() && splitIpAddress(state_.lastIpAddress, parts)) {
            for (size_t i = 0; i < E_IP.size(); ++i)
                E_IP[i]->setText(parts[i]);
        }
        CB_Update_Options->setCurrentIndex(state_.lastUpdateOption);
        CB_Update_Option_Read_Back->setChecked(state_.lastReadBack);
        showComparison();
        E_IP[0]->setFocus();
    } else {
        // No form: keep whatever size the window has, but still let nobody drag its border.
        setFixedSize(size());
    }
}

void UpdateWindow::setVisible(bool visible) {
    // Every showing goes through prepare, whether through exec(), open() or show().
    if (visible && !isVisible()) {
        prepare();
        DialogParts::centreOnScreen(this);
    }
    QDialog::setVisible(visible);
}

void UpdateWindow::reject() {
    if (!updating_)
        QDialog::reject();
}

void UpdateWindow::showComparison() {
    const UpdateHistory::Comparison comparison =
        UpdateHistory::compareWithLastUpdate(state_.projectDir, state_.texts);
    L_Changes->setText(comparison.heading);
    LB_Changes->setAccessibleName(state_.texts.text(HistoryTexts::T_ChangesOnDevice));
    LB_Changes->clear();
    LB_Changes->addItems(comparison.lines);
    if (!comparison.imagesNotice.isEmpty())
        LB_Changes->insertItem(0, comparison.imagesNotice);
    LB_Changes->addItems(comparison.warnings);
}

void UpdateWindow::updatePortList() {
    CB_COM_Port->clear();
    for (int number : platform_.serial.portNumbers())
        CB_COM_Port->addItem(QStringLiteral("COM%1").arg(number));
    // With no entries nothing is chosen and the text stays empty.
    CB_COM_Port->setCurrentIndex(CB_COM_Port->count() > 0 ? 0 : -1);
}

void UpdateWindow::refreshPortsClicked() {
    updatePortList();
}

QString UpdateWindow::ipAddressText() const {
    return E_IP[0]->text() + QLatin1Char('.') + E_IP[1]->text() + QLatin1Char('.') +
           E_IP[2]->text() + QLatin1Char('.') + E_IP[3]->text();
}

QString UpdateWindow::updaterOptions(const QString& s_opt) const {
    return ::updaterOptions(s_opt, CB_Update_Options->currentIndex(),
                            CB_Update_Option_Read_Back->isChecked());
}

QString UpdateWindow::ethernetUpdaterXml() const {
    UpdaterHandoff::EthernetParameters parameters;
    parameters.ipAddress = ipAddressText();
    parameters.option = CB_Update_Options->currentIndex();
    parameters.readBack = CB_Update_Option_Read_Back->isChecked();
    parameters.dirMaster = state_.masterDir;
    parameters.projectDir = state_.projectDir;
    const QString folder = state_.updaterFolder(UpdaterHandoff::EthernetUpdaterFile);
    parameters.pathForm = pathFormFor(UpdaterHandoff::ethernetUpdaterProgram(folder));
    return UpdaterHandoff::ethernetUpdaterXml(parameters, folder);
}

bool UpdateWindow::sendPing() {
    return check_.sendPing(ipAddressText());
}

void UpdateWindow::PingReply(int bytesReceived) {
    check_.PingReply(bytesReceived);
}

void UpdateWindow::updateClicked() {
    // Window events are dispatched during the reachability check: a second press must not
    // start a second check inside the first.
    if (updating_)
        return;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(updating_);

    const int option = CB_Update_Options->currentIndex();
    const bool readBack = CB_Update_Option_Read_Back->isChecked();
    if (Form_Type == 0) {
        state_.lastUpdateOption = option;
        state_.lastReadBack = readBack;
        const QString program = UpdaterHandoff::serialUpdaterProgram(
            state_.updaterFolder(UpdaterHandoff::SerialUpdaterFile));
        startUpdater(program,
                     UpdaterHandoff::serialArguments(CB_COM_Port->currentText(), option, readBack,
                                                     state_.masterDir, state_.projectDir,
                                                     pathFormFor(program)),
                     CB_COM_Port->currentText(), option, readBack);
    } else if (Form_Type == 1) {
        UpdaterHandoff::EthernetParameters parameters;
        parameters.ipAddress = ipAddressText();
        parameters.option = option;
        parameters.readBack = readBack;
        if (!check_.sendPing(parameters.ipAddress)) {
            if (check_.ping_res() == 2)
                platform_.prompts.warning(this, state_.texts.text(836));
            else
                platform_.prompts.error(this, state_.texts.text(837));
            return;
        }
        state_.lastIpAddress = parameters.ipAddress;
        state_.lastUpdateOption = option;
        state_.lastReadBack = readBack;
        parameters.dirMaster = state_.masterDir;
        parameters.projectDir = state_.projectDir;
        // The parameter file lies beside the updater that reads it.
        const QString folder = state_.updaterFolder(UpdaterHandoff::EthernetUpdaterFile);
        const QString program = UpdaterHandoff::ethernetUpdaterProgram(folder);
        parameters.pathForm = pathFormFor(program);
        const QString error = UpdaterHandoff::ethernetUpdaterXml(parameters, folder);
        if (!error.isEmpty()) {
            platform_.prompts.error(this, error); // it names the file
            return;
        }
        startUpdater(program, QStringList(), parameters.ipAddress, option, readBack);
    }
}

UpdaterHandoff::PathForm UpdateWindow::pathFormFor(const QString& program) const {
    return [this, program](const QString& path) { return starter_.pathFor(program, path); };
}

void UpdateWindow::startUpdater(const QString& program, const QStringList& arguments,
                                const QString& path, int option, bool readBack) {
    const LanguageTable& t = state_.texts;
    const auto images = SendCheck::confirm(state_.projectDir, option == 0 || option == 2,
                                           platform_.prompts, this, t);
    if (!images)
        return;
    UpdateRun::Request request;
    request.projectDir = state_.projectDir;
    request.program = program;
    request.arguments = arguments;
    request.formType = Form_Type;
    request.path = path;
    request.option = option;
    request.readBack = readBack;
    request.images = *images;
    QPointer<UpdateProgressDialog> progress;
    const UpdateRun::Result result =
        UpdateRun::run(request, starter_, platform_.clock, t, [&](qint64 elapsedMs) {
            if (elapsedMs < ProgressAfterMs)
                return;
            if (!progress) {
                progress = new UpdateProgressDialog(t, starter_.limitMs(), this);
                progress->show();
            }
            progress->setElapsed(elapsedMs);
        });
    if (progress) {
        progress->finish();
        progress->deleteLater();
    }
    if (result.kind != UpdateRun::Result::Kind::Ran) {
        platform_.prompts.error(this, result.text);
        return;
    }
    showComparison();
    L_Outcome->setText(result.text);
    L_Outcome->setAccessibleName(result.text);
    L_Outcome->show();
    if (!result.fine)
        platform_.prompts.warning(this, result.text);
}
