#include "gui/comm/CommunicationWindow.h"

#include "core/comm/ParityNames.h"

#include "core/comm/ParGenRules.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "gui/comm/CollapsibleSection.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/DotAdvance.h"
#include "gui/dialogs/Keyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using DialogParts::named;

namespace {

constexpr int LabelWidth = 150;
constexpr int OctetWidth = 44;
constexpr int MinimumHeight = 200;

// Element names of the twelve Ethernet fields, in the order of the dot chain.
const char* const EthernetElements[12] = {
    "Ethernet_IP1",  "Ethernet_IP2",  "Ethernet_IP3",  "Ethernet_IP4",
    "Ethernet_SM1",  "Ethernet_SM2",  "Ethernet_SM3",  "Ethernet_SM4",
    "Ethernet_GAT1", "Ethernet_GAT2", "Ethernet_GAT3", "Ethernet_GAT4",
};

template <size_t N>
QComboBox* list(QWidget* parent, const char* name, const std::array<const char*, N>& entries) {
    auto* combo = named(new QComboBox(parent), name);
    combo->setEditable(false);
    for (const char* entry : entries)
        combo->addItem(QLatin1String(entry));
    return combo;
}

QGridLayout* bodyGrid(QWidget* body) {
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(16, 4, 16, 4);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, LabelWidth);
    grid->setColumnStretch(1, 1);
    return grid;
}

QLabel* rowLabel(QWidget* parent, const char* name, QWidget* control) {
    auto* label = named(new QLabel(parent), name);
    label->setBuddy(control);
    return label;
}

void setPosition(QComboBox* combo, int position) {
    combo->setCurrentIndex(positionForSave(position, combo->count()));
}

int position(const QComboBox* combo) {
    return positionForSave(combo->currentIndex(), combo->count());
}

} // namespace

CommunicationWindow::CommunicationWindow(SharedState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
    setObjectName(QStringLiteral("CommunicationWindow"));
    // Close box only; the border stays sizeable (only the height follows the user).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const auto title = DialogParts::makeTitlePanel(this, QString());
    L_SW_Code = title.code;
    L_SW_Desc = title.description;

    CPG = named(new QScrollArea(this), "CPG");
    CPG->setWidgetResizable(true);
    CPG->setFrameShape(QFrame::NoFrame);
    CPG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The group itself is no stop of the keyboard order; it scrolls to the focused control.
    CPG->setFocusPolicy(Qt::NoFocus);
    auto* group = new QWidget(CPG);
    group->setObjectName(QStringLiteral("CPG_Sections"));
    auto* stackLayout = new QVBoxLayout(group);
    stackLayout->setContentsMargins(0, 0, 0, 0);
    stackLayout->setSpacing(0);
    CP_Select_Device = new CollapsibleSection("CP_Select_Device", 67, group);
    CP_MBus = new CollapsibleSection("CP_MBus", 95, group);
    CP_ModbusMaster = new CollapsibleSection("CP_ModbusMaster", 207, group);
    CP_Ethernet = new CollapsibleSection("CP_Ethernet", 123, group);
    buildSelectDevice();
    buildMBus();
    buildModbusMaster();
    buildEthernet();
    CPG->setWidget(group);

    const auto buttons = DialogParts::makeButtonPanel(this, true);
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    // Enter in a field must neither save nor leave; on a focused button it presses it.
    Btn_OK->setAutoDefault(false);
    Btn_Cancel->setAutoDefault(false);
    Keyboard::pressOnEnter({Btn_OK, Btn_Cancel});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title.panel);
    L_Read_Only = DialogParts::makeReadOnlyBanner(this);
    layout->addWidget(L_Read_Only);
    layout->addWidget(CPG, 1);
    layout->addWidget(buttons.panel);
    connect(Btn_OK, &QPushButton::clicked, this, &CommunicationWindow::okClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &CommunicationWindow::cancelClicked);

    // buildWindow
    L_SW_Code->setText(state_.productCode);
    // FormResize: the width stays, the height follows the user.
    setFixedWidth(ClientWidth);
    setMinimumHeight(MinimumHeight);
    resize(ClientWidth, ClientHeight);
    for (CollapsibleSection* section : {CP_Select_Device, CP_MBus, CP_ModbusMaster, CP_Ethernet})
        section->hide();
    orderPanels();
    moveSections();
    applyLanguage();
}

void CommunicationWindow::buildSelectDevice() {
    QWidget* body = CP_Select_Device->body();
    CB_SelectDevice_SelDev = named(new QComboBox(body), "CB_SelectDevice_SelDev");
    CB_SelectDevice_SelDev->setEditable(false);
    CB_SelectDevice_SelDev->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    L_SelectDevice_SelDev = rowLabel(body, "L_SelectDevice_SelDev", CB_SelectDevice_SelDev);
    QGridLayout* grid = bodyGrid(body);
    grid->addWidget(L_SelectDevice_SelDev, 0, 0);
    grid->addWidget(CB_SelectDevice_SelDev, 0, 1);
    connect(CB_SelectDevice_SelDev, &QComboBox::currentIndexChanged, this,
            [this] { onChange(CB_SelectDevice_SelDev); });
}

void CommunicationWindow::buildMBus() {
    QWidget* body = CP_MBus->body();
    CB_MBus_Baud = list(body, "CB_MBus_Baud", ParGenLists::mbusBauds);
    CB_MBus_Parity = list(body, "CB_MBus_Parity", ParGenLists::mbusParities);
    L_MBus_Baud = rowLabel(body, "L_MBus_Baud", CB_MBus_Baud);
    L_MBus_Parity = rowLabel(body, "L_MBus_Parity", CB_MBus_Parity);
    QGridLayout* grid = bodyGrid(body);
    grid->addWidget(L_MBus_Baud, 0, 0);
    grid->addWidget(CB_MBus_Baud, 0, 1);
    grid->addWidget(L_MBus_Parity, 1, 0);
    grid->addWidget(CB_MBus_Parity, 1, 1);
    for (QComboBox* combo : {CB_MBus_Baud, CB_MBus_Parity})
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo] { onChange(combo); });
}

void CommunicationWindow::buildModbusMaster() {
    QWidget* body = CP_ModbusMaster->body();
    CB_ModbusMaster_Serial = list(body, "CB_ModbusMaster_Serial", ParGenLists::modbusSerials);
    CB_ModbusMaster_Baudrate = list(body, "CB_ModbusMaster_Baudrate", ParGenLists::modbusBauds);
    CB_ModbusMaster_Parity = list(body, "CB_ModbusMaster_Parity", ParGenLists::modbusParities);
    E_ModbusMaster_TimeOut = named(new QLineEdit(body), "E_ModbusMaster_TimeOut");
    E_ModbusMaster_CyclicDelay = named(new QLineEdit(body), "E_ModbusMaster_CyclicDelay");
    CB_ModbusMaster_Protocol = list(body, "CB_ModbusMaster_Protocol", ParGenLists::modbusProtocols);
    L_ModbusMaster_Serial = rowLabel(body, "L_ModbusMaster_Serial", CB_ModbusMaster_Serial);
    L_ModbusMaster_Baudrate = rowLabel(body, "L_ModbusMaster_Baudrate", CB_ModbusMaster_Baudrate);
    L_ModbusMaster_Parity = rowLabel(body, "L_ModbusMaster_Parity", CB_ModbusMaster_Parity);
    L_ModbusMaster_TimeOut = rowLabel(body, "L_ModbusMaster_TimeOut", E_ModbusMaster_TimeOut);
    L_ModbusMaster_CyclicDelay =
        rowLabel(body, "L_ModbusMaster_CyclicDelay", E_ModbusMaster_CyclicDelay);
    L_ModbusMaster_Protocol = rowLabel(body, "L_ModbusMaster_Protocol", CB_ModbusMaster_Protocol);

    const std::pair<QLabel*, QWidget*> rows[] = {
        {L_ModbusMaster_Serial, CB_ModbusMaster_Serial},
        {L_ModbusMaster_Baudrate, CB_ModbusMaster_Baudrate},
        {L_ModbusMaster_Parity, CB_ModbusMaster_Parity},
        {L_ModbusMaster_TimeOut, E_ModbusMaster_TimeOut},
        {L_ModbusMaster_CyclicDelay, E_ModbusMaster_CyclicDelay},
        {L_ModbusMaster_Protocol, CB_ModbusMaster_Protocol},
    };
    QGridLayout* grid = bodyGrid(body);
    for (int row = 0; row < 6; ++row) {
        grid->addWidget(rows[row].first, row, 0);
        grid->addWidget(rows[row].second, row, 1);
    }
    for (QComboBox* combo : {CB_ModbusMaster_Serial, CB_ModbusMaster_Baudrate,
                             CB_ModbusMaster_Parity, CB_ModbusMaster_Protocol})
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo] { onChange(combo); });
    for (QLineEdit* edit : {E_ModbusMaster_TimeOut, E_ModbusMaster_CyclicDelay})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { onChange(edit); });
}

void CommunicationWindow::buildEthernet() {
    QWidget* body = CP_Ethernet->body();
    for (size_t i = 0; i < E_Ethernet.size(); ++i) {
        const QByteArray name = QByteArray("E_") + EthernetElements[i];
        QLineEdit* edit = named(new QLineEdit(body), name.constData());
        edit->setFixedWidth(OctetWidth);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { onChange(edit); });
        E_Ethernet[i] = edit;
    }
    new DotAdvance({E_Ethernet.begin(), E_Ethernet.end()}, this);
    L_Ethernet_IP = rowLabel(body, "L_Ethernet_IP", E_Ethernet[0]);
    L_Ethernet_SM = rowLabel(body, "L_Ethernet_SM", E_Ethernet[4]);
    CB_Ethernet_En_GAT = named(new QCheckBox(body), "CB_Ethernet_En_GAT");
    connect(CB_Ethernet_En_GAT, &QCheckBox::toggled, this, &CommunicationWindow::onClick);

    QGridLayout* grid = bodyGrid(body);
    QWidget* const heads[3] = {L_Ethernet_IP, L_Ethernet_SM, CB_Ethernet_En_GAT};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(heads[row], row, 0);
        auto* fields = new QHBoxLayout;
        fields->setSpacing(2);
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                fields->addWidget(new QLabel(QStringLiteral("."), body));
            fields->addWidget(E_Ethernet[size_t(row * 4 + i)]);
        }
        fields->addStretch();
        grid->addLayout(fields, row, 1);
    }
}

void CommunicationWindow::orderPanels() {
    CollapsibleSection* const order[] = {CP_Select_Device, CP_MBus, CP_ModbusMaster, CP_Ethernet};
    // Each section directly below the one before it; folding one closes the gap.
    auto* stackLayout = static_cast<QVBoxLayout*>(CPG->widget()->layout());
    for (CollapsibleSection* section : order) {
        section->show();
        stackLayout->addWidget(section);
    }
    stackLayout->addStretch();

    // Keyboard order: the sections from the top, each header before its controls.
    QList<QWidget*> chain{CP_Select_Device->header(),
                          CB_SelectDevice_SelDev,
                          CP_MBus->header(),
                          CB_MBus_Baud,
                          CB_MBus_Parity,
                          CP_ModbusMaster->header(),
                          CB_ModbusMaster_Serial,
                          CB_ModbusMaster_Baudrate,
                          CB_ModbusMaster_Parity,
                          E_ModbusMaster_TimeOut,
                          E_ModbusMaster_CyclicDelay,
                          CB_ModbusMaster_Protocol,
                          CP_Ethernet->header()};
    for (int i = 0; i < 8; ++i)
        chain << E_Ethernet[size_t(i)];
    chain << CB_Ethernet_En_GAT;
    for (int i = 8; i < 12; ++i)
        chain << E_Ethernet[size_t(i)];
    chain << Btn_OK << Btn_Cancel;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void CommunicationWindow::moveSections() {
    // Only the Ethernet-update device has addressing of its own (a position outside the list
    // counts as not serial).
    CP_Ethernet->setVisible(CB_SelectDevice_SelDev->currentIndex() != 0);
}

void CommunicationWindow::onChange(QObject* Sender) {
    isChanged = true;
    if (Sender == CB_SelectDevice_SelDev)
        moveSections();
}

void CommunicationWindow::onClick() {
    isChanged = true;
}

void CommunicationWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(400));
    L_SW_Desc->setText(t.text(401));
    Btn_OK->setText(t.text(402));
    Btn_Cancel->setText(t.text(403));
    Btn_OK->setToolTip(t.text(404));
    Btn_Cancel->setToolTip(t.text(405));

    // The section headers follow the language too, as everything else in the window.
    // The parity lists keep their positions; only their words follow the language.
    const QStringList parities = ParityNames::all(t);
    for (QComboBox* combo : {CB_MBus_Parity, CB_ModbusMaster_Parity})
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemText(i, parities.value(i));
    CP_Select_Device->setTitle(QStringLiteral("1. ") + t.text(406));
    CP_MBus->setTitle(QStringLiteral("2. ") + t.text(411));
    CP_ModbusMaster->setTitle(QStringLiteral("3. ") + t.text(416));
    CP_Ethernet->setTitle(QStringLiteral("4. ") + t.text(429));

    L_SelectDevice_SelDev->setText(t.text(407));
    {
        // The stored choice comes back with the next showing; this is no change by the user.
        const QSignalBlocker quiet(CB_SelectDevice_SelDev);
        CB_SelectDevice_SelDev->clear();
        CB_SelectDevice_SelDev->addItems({t.text(408), t.text(409)});
        CB_SelectDevice_SelDev->setCurrentIndex(0);
    }
    moveSections();
    CB_SelectDevice_SelDev->setToolTip(t.text(410));

    L_MBus_Baud->setText(t.text(412));
    CB_MBus_Baud->setToolTip(t.text(413));
    L_MBus_Parity->setText(t.text(414));
    CB_MBus_Parity->setToolTip(t.text(415));

    L_ModbusMaster_Serial->setText(t.text(417));
    CB_ModbusMaster_Serial->setToolTip(t.text(418));
    L_ModbusMaster_Baudrate->setText(t.text(419));
    CB_ModbusMaster_Baudrate->setToolTip(t.text(420));
    L_ModbusMaster_Parity->setText(t.text(421));
    CB_ModbusMaster_Parity->setToolTip(t.text(422));
    L_ModbusMaster_TimeOut->setText(t.text(423));
    E_ModbusMaster_TimeOut->setToolTip(t.text(424));
    L_ModbusMaster_CyclicDelay->setText(t.text(425));
    E_ModbusMaster_CyclicDelay->setToolTip(t.text(426));
    L_ModbusMaster_Protocol->setText(t.text(427));
    CB_ModbusMaster_Protocol->setToolTip(t.text(428));

    L_Ethernet_IP->setText(t.text(430));
    L_Ethernet_SM->setText(t.text(435));
    CB_Ethernet_En_GAT->setText(t.text(440));
    CB_Ethernet_En_GAT->setToolTip(t.text(441));
    const int hints[12] = {431, 432, 433, 434, 436, 437, 438, 439, 442, 443, 444, 445};
    for (size_t i = 0; i < E_Ethernet.size(); ++i) {
        E_Ethernet[i]->setToolTip(t.text(hints[i]));
        // Four fields share a row label: each is named by its hint.
        E_Ethernet[i]->setAccessibleName(t.text(hints[i]));
    }
    for (QLabel* label : {L_SelectDevice_SelDev, L_MBus_Baud, L_MBus_Parity, L_ModbusMaster_Serial,
                          L_ModbusMaster_Baudrate, L_ModbusMaster_Parity, L_ModbusMaster_TimeOut,
                          L_ModbusMaster_CyclicDelay, L_ModbusMaster_Protocol})
        label->buddy()->setAccessibleName(label->text());
    Keyboard::assignShortcutLetters(this);
    fitWidth();
}

void CommunicationWindow::fitWidth() {
    // The usual width, or more where a language's device names need it: an entry is never cut.
    QComboBox* device = CB_SelectDevice_SelDev;
    int longest = 0;
    for (int i = 0; i < device->count(); ++i)
        longest = std::max(longest, device->fontMetrics().horizontalAdvance(device->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(device);
    device->setMinimumWidth(
        device->style()
            ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(longest, 0), device)
            .width() +
        8); // the style's own spare room beside the text
    // Every section counts, shown or not, as the device decides later which ones show. They
    // are measured on their bodies' own layouts: a hidden or folded section leaves its body out
    // of its own size, and a hidden widget's layout misses its controls' new sizes.
    int widest = 0;
    for (CollapsibleSection* section : {CP_Select_Device, CP_MBus, CP_ModbusMaster, CP_Ethernet}) {
        QLayout* body = section->body()->layout();
        body->invalidate();
        widest = std::max(
            {widest, body->totalMinimumSize().width(), section->minimumSizeHint().width()});
    }
    const int needed =
        widest + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * CPG->frameWidth();
    setFixedWidth(std::max(ClientWidth, needed));
}

void CommunicationWindow::showValues(const GeneralParameters& record) {
    setPosition(CB_SelectDevice_SelDev, record.deviceModel);
    setPosition(CB_MBus_Baud, record.mbusBaud);
    setPosition(CB_MBus_Parity, record.mbusParity);
    CB_ModbusMaster_Serial->setCurrentIndex(modSerPosition(record.modbusRs232));
    setPosition(CB_ModbusMaster_Baudrate, record.modbusBaud);
    setPosition(CB_ModbusMaster_Parity, record.modbusParity);
    E_ModbusMaster_TimeOut->setText(record.modbusTimeout);
    E_ModbusMaster_CyclicDelay->setText(record.modbusCyclicDelay);
    setPosition(CB_ModbusMaster_Protocol, record.modbusProtocol);
    const QString GeneralParameters::*const octets[12] = {
        &GeneralParameters::ethernetIp1,      &GeneralParameters::ethernetIp2,
        &GeneralParameters::ethernetIp3,      &GeneralParameters::ethernetIp4,
        &GeneralParameters::ethernetMask1,    &GeneralParameters::ethernetMask2,
        &GeneralParameters::ethernetMask3,    &GeneralParameters::ethernetMask4,
        &GeneralParameters::ethernetGateway1, &GeneralParameters::ethernetGateway2,
        &GeneralParameters::ethernetGateway3, &GeneralParameters::ethernetGateway4,
    };
    for (size_t i = 0; i < E_Ethernet.size(); ++i)
        E_Ethernet[i]->setText(record.*octets[i]);
    CB_Ethernet_En_GAT->setChecked(record.ethernetGatewayEnabled);
}

GeneralParameters CommunicationWindow::values() const {
    GeneralParameters record;
    record.deviceModel = position(CB_SelectDevice_SelDev);
    record.mbusBaud = position(CB_MBus_Baud);
    record.mbusParity = position(CB_MBus_Parity);
    record.modbusRs232 = modSerFromPosition(CB_ModbusMaster_Serial->currentIndex());
    record.modbusBaud = position(CB_ModbusMaster_Baudrate);
    record.modbusParity = position(CB_ModbusMaster_Parity);
    record.modbusTimeout = E_ModbusMaster_TimeOut->text();
    record.modbusCyclicDelay = E_ModbusMaster_CyclicDelay->text();
    record.modbusProtocol = position(CB_ModbusMaster_Protocol);
    record.ethernetIp1 = E_Ethernet[0]->text();
    record.ethernetIp2 = E_Ethernet[1]->text();
    record.ethernetIp3 = E_Ethernet[2]->text();
    record.ethernetIp4 = E_Ethernet[3]->text();
    record.ethernetMask1 = E_Ethernet[4]->text();
    record.ethernetMask2 = E_Ethernet[5]->text();
    record.ethernetMask3 = E_Ethernet[6]->text();
    record.ethernetMask4 = E_Ethernet[7]->text();
    record.ethernetGateway1 = E_Ethernet[8]->text();
    record.ethernetGateway2 = E_Ethernet[9]->text();
    record.ethernetGateway3 = E_Ethernet[10]->text();
    record.ethernetGateway4 = E_Ethernet[11]->text();
    record.ethernetGatewayEnabled = CB_Ethernet_En_GAT->isChecked();
    return record;
}

bool CommunicationWindow::prepare() {
    const GeneralParametersLoad load = loadGeneralParameters(state_.parGenFile);
    if (!load.ok()) {
        platform_.prompts.error(this, load.error);
        return false;
    }
    showValues(load.value);
    // Loading raised the change events; a window just shown is unchanged.
    isChanged = false;
    DialogParts::showReadOnly(L_Read_Only, state_.readOnlyNotice(), {Btn_OK});
    moveSections();
    CB_SelectDevice_SelDev->setFocus(Qt::OtherFocusReason);
    return true;
}

bool CommunicationWindow::checkValues() {
    const QList<ParGenFailure> failures = settingsFailures(values());
    if (failures.isEmpty())
        return true;
    const ParGenFailure& first = failures.first();
    platform_.prompts.error(this, failureMessage(first, state_.texts.text(first.textIndex)));
    // Lead the user to the field the message names, even inside a folded section.
    if (QLineEdit* field = fieldOf(first.element)) {
        for (CollapsibleSection* section : {CP_ModbusMaster, CP_Ethernet}) {
            if (section->isAncestorOf(field))
                section->setExpanded(true);
        }
        field->setFocus(Qt::OtherFocusReason);
        CPG->ensureWidgetVisible(field);
    }
    return false;
}

QLineEdit* CommunicationWindow::fieldOf(const char* element) const {
    const QLatin1String name(element);
    if (name == QLatin1String("Mod_TO"))
        return E_ModbusMaster_TimeOut;
    if (name == QLatin1String("Mod_CD"))
        return E_ModbusMaster_CyclicDelay;
    for (size_t i = 0; i < E_Ethernet.size(); ++i) {
        if (name == QLatin1String(EthernetElements[i]))
            return E_Ethernet[i];
    }
    return nullptr;
}

void CommunicationWindow::okClicked() {
    if (state_.readOnly()) {
        platform_.prompts.error(this, state_.readOnlyNotice());
        return;
    }
    if (!checkValues())
        return;
    const QString error = saveGeneralParameters(values(), state_.parGenFile);
    if (!error.isEmpty()) {
        // The old file stays as it was; the user's input stays in the window.
        platform_.prompts.error(this, error); // it names the file
        return;
    }
    accept();
}

void CommunicationWindow::cancelClicked() {
    if (isChanged && !platform_.prompts.question(this, state_.texts.text(460)))
        return;
    reject();
}

int CommunicationWindow::exec() {
    // A file that is not well-formed is reported and not offered for editing: confirming
    // would replace whatever the user may still want to mend by hand.
    if (!prepare())
        return QDialog::Rejected;
    loadedForExec_ = true;
    return QDialog::exec();
}

void CommunicationWindow::setVisible(bool visible) {
    if (visible && !isVisible()) {
        const bool loaded = std::exchange(loadedForExec_, false);
        if (!loaded && !prepare())
            return;
        DialogParts::centreOnScreen(this);
    }
    QDialog::setVisible(visible);
}

void CommunicationWindow::keyPressEvent(QKeyEvent* event) {
    // Escape is Cancel, with its question; only the close box leaves without one.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}
