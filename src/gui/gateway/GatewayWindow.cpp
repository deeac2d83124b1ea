#include "gui/gateway/GatewayWindow.h"

#include "core/comm/GeneralParameters.h"
#include "core/gateway/GatewayLink.h"
#include "core/gateway/GatewayTexts.h"
#include "core/platform/Clock.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/sources/SourceConnection.h"
#include "core/sources/SourceTexts.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTime>

using DialogParts::named;
using DialogParts::setBuddyLabel;
using DialogParts::setButton;

using namespace Gateway;

namespace {

// The log keeps this many entries; a flood scrolls the oldest away.
constexpr int LogLimit = 2000;
constexpr int DefaultMbusPort = 10001; // the port M-Bus TCP gateways commonly take

// "HOST:PORT" with a literal address; the port is required.
bool splitAddress(const QString& text, QString& host, int& port) {
    const int colon = text.trimmed().lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    host = text.trimmed().left(colon);
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        return false;
    bool ok = false;
    port = text.trimmed().mid(colon + 1).toInt(&ok);
    return ok && port >= 0 && port <= 65535 && isLiteralAddress(host);
}

GeneralParameters parGenOf(const SharedState& state) {
    const GeneralParametersLoad load = loadGeneralParameters(state.parGenFile);
    return load.ok() ? load.value : GeneralParameters();
}

// The window's button in the network editor. The editor makes its controls when it is first
// shown, so the button is added then, beside the Modbus source test; its caption follows the
// language each time the editor opens.
class EditorHook : public QObject {
public:
    EditorHook(QWidget* editor, SharedState& state, Platform& platform,
               std::function<Network()> network)
        : QObject(editor), editor_(editor), state_(state), platform_(platform),
          network_(std::move(network)) {
        editor->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == editor_ && event->type() == QEvent::Show) {
            if (!button_)
                addButton();
            if (button_)
                refresh();
        }
        return false;
    }

private:
    void addButton() {
        auto* beside = editor_->findChild<QPushButton*>(QStringLiteral("Btn_TestSources"));
        if (!beside)
            return;
        QBoxLayout* row = nullptr;
        for (QLayout* l : beside->parentWidget()->findChildren<QLayout*>())
            if (auto* box = qobject_cast<QBoxLayout*>(l); box && box->indexOf(beside) >= 0)
                row = box;
        if (!row)
            return;
        button_ = new QPushButton(beside->parentWidget());
        button_->setObjectName(QStringLiteral("Btn_TryGateway"));
        button_->setAutoDefault(false);
        row->insertWidget(row->indexOf(beside) + 1, button_);
        QObject::connect(button_, &QPushButton::clicked, editor_,
                         [this] { GatewayWindow::open(state_, platform_, network_(), editor_); });
    }
    void refresh() {
        const QString text = state_.texts.text(Text::Title);
        if (button_->accessibleName() == text)
            return;
        setButton(button_, text);
        Keyboard::assignShortcutLetters(editor_);
    }
    QWidget* editor_;
    QPushButton* button_ = nullptr;
    SharedState& state_;
    Platform& platform_;
    std::function<Network()> network_;
};

} // namespace

GatewayWindow::GatewayWindow(SharedState& state, Platform& platform, const Network& network,
                             QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), network_(network) {
    setObjectName(QStringLiteral("GatewayWindow"));
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;

    L_ListenOn = named(new QLabel(this), "L_ListenOn");
    RB_MbusTcp = named(new QRadioButton(this), "RB_MbusTcp");
    L_MbusAddress = named(new QLabel(this), "L_MbusAddress");
    E_MbusAddress = named(new QLineEdit(this), "E_MbusAddress");
    E_MbusAddress->setText(QStringLiteral("127.0.0.1:%1").arg(DefaultMbusPort));
    RB_MbusSerial = named(new QRadioButton(this), "RB_MbusSerial");
    CB_MbusPort = named(new QComboBox(this), "CB_MbusPort");
    CB_MbusPort->setEditable(true);
    CB_MbusPort->addItems(Sources::serialDevices());
    CB_MbusPort->setMinimumWidth(150);
    L_MbusLine = named(new QLabel(this), "L_MbusLine");
    const MbusLine line = mbusLineOf(parGenOf(state_));
    L_MbusLine->setText(
        QStringLiteral("%1 8%2%3").arg(line.baud).arg(QLatin1Char(line.parity)).arg(1));

    L_Values = named(new QLabel(this), "L_Values");
    RB_Typed = named(new QRadioButton(this), "RB_Typed");
    RB_LiveTcp = named(new QRadioButton(this), "RB_LiveTcp");
    E_ModbusAddress = named(new QLineEdit(this), "E_ModbusAddress");
    E_ModbusAddress->setText(QStringLiteral("127.0.0.1:%1").arg(Sources::DefaultTcpPort));
    RB_LiveSerial = named(new QRadioButton(this), "RB_LiveSerial");
    CB_ModbusPort = named(new QComboBox(this), "CB_ModbusPort");
    CB_ModbusPort->setEditable(true);
    CB_ModbusPort->addItems(Sources::serialDevices());
    CB_ModbusPort->setMinimumWidth(150);
    L_Every = named(new QLabel(this), "L_Every");
    SE_Every = named(new QSpinBox(this), "SE_Every");
    SE_Every->setRange(1, 3600);
    SE_Every->setValue(10);

    auto* where = new QGridLayout;
    where->addWidget(L_ListenOn, 0, 0);
    where->addWidget(RB_MbusTcp, 0, 1);
    where->addWidget(L_MbusAddress, 0, 2);
    where->addWidget(E_MbusAddress, 0, 3);
    where->addWidget(RB_MbusSerial, 0, 4);
    where->addWidget(CB_MbusPort, 0, 5);
    where->addWidget(L_MbusLine, 0, 6);
    where->addWidget(L_Values, 1, 0);
    where->addWidget(RB_Typed, 1, 1);
    where->addWidget(RB_LiveTcp, 1, 2);
    where->addWidget(E_ModbusAddress, 1, 3);
    where->addWidget(RB_LiveSerial, 1, 4);
    where->addWidget(CB_ModbusPort, 1, 5);
    where->addWidget(L_Every, 1, 6);
    where->addWidget(SE_Every, 1, 7);
    where->setColumnStretch(8, 1);
    where->setHorizontalSpacing(10);
    auto* listenGroup = new QButtonGroup(this);
    listenGroup->addButton(RB_MbusTcp);
    listenGroup->addButton(RB_MbusSerial);
    auto* valuesGroup = new QButtonGroup(this);
    valuesGroup->addButton(RB_Typed);
    valuesGroup->addButton(RB_LiveTcp);
    valuesGroup->addButton(RB_LiveSerial);
    RB_MbusTcp->setChecked(true);
    RB_Typed->setChecked(true);
    for (QLabel* l : {L_ListenOn, L_Values}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }

    Btn_Start = named(new QPushButton(this), "Btn_Start");
    Btn_Stop = named(new QPushButton(this), "Btn_Stop");
    CB_Hex = named(new QCheckBox(this), "CB_Hex");
    L_Status = named(new QLabel(this), "L_Status");
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {Btn_Start, Btn_Stop}) {
        b->setAutoDefault(false);
        actions->addWidget(b);
    }
    actions->addWidget(L_Status, 1);
    actions->addWidget(CB_Hex);

    values_ = new QStandardItemModel(this);
    TV_Values = named(new QTableView(this), "TV_Values");
    TV_Values->setModel(values_);
    TV_Values->verticalHeader()->hide();
    TV_Values->horizontalHeader()->setStretchLastSection(true);
    TV_Values->setSelectionBehavior(QAbstractItemView::SelectRows);
    TV_Values->verticalHeader()->setDefaultSectionSize(TV_Values->fontMetrics().height() + 8);
    L_Log = named(new QLabel(this), "L_Log");
    M_Log = named(new QPlainTextEdit(this), "M_Log");
    M_Log->setReadOnly(true);
    M_Log->setLineWrapMode(QPlainTextEdit::NoWrap);
    M_Log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    body->addLayout(where);
    body->addLayout(actions);
    body->addWidget(TV_Values, 2);
    body->addWidget(L_Log);
    body->addWidget(M_Log, 3);

    const auto buttons = DialogParts::makeButtonPanel(this, true);
    delete buttons.ok;
    Btn_Close = buttons.cancel;
    Btn_Close->setObjectName(QStringLiteral("Btn_Close"));
    Btn_Close->setAutoDefault(false);
    DialogParts::stack(this, title, body, buttons, true);
    Keyboard::pressOnEnter({Btn_Start, Btn_Stop, Btn_Close});

    connect(Btn_Start, &QPushButton::clicked, this, &GatewayWindow::startClicked);
    connect(Btn_Stop, &QPushButton::clicked, this, &GatewayWindow::stopClicked);
    connect(Btn_Close, &QPushButton::clicked, this, &GatewayWindow::reject);
    connect(CB_Hex, &QCheckBox::toggled, this, &GatewayWindow::showLog);
    for (QRadioButton* rb : {RB_MbusTcp, RB_MbusSerial, RB_Typed, RB_LiveTcp, RB_LiveSerial})
        connect(rb, &QRadioButton::toggled, this, &GatewayWindow::updateControls);
    connect(values_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (item->column() != ColValue || !RB_Typed->isChecked())
            return;
        const QList<ServedRecord> served = SlaveBus(network_).served();
        if (item->row() < served.size())
            typed_.insert({served[item->row()].node, served[item->row()].variable},
                          typedValue(item->text()));
    });

    applyLanguage();
    showValues();
    updateControls();
    resize(1100, 680);
    DialogParts::centreOnScreen(this);
}

GatewayWindow::~GatewayWindow() {
    stopClicked();
}

void GatewayWindow::open(SharedState& state, Platform& platform, const Network& network,
                         QWidget* parent) {
    GatewayWindow window(state, platform, network, parent);
    window.exec();
}

void GatewayWindow::attachTo(QWidget* editor, SharedState& state, Platform& platform,
                             std::function<Network()> network) {
    new EditorHook(editor, state, platform, std::move(network));
}

void GatewayWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(Text::Title));
    L_SW_Desc->setText(t.text(Text::Title));
    L_ListenOn->setText(t.text(Text::ListenOn));
    setButton(RB_MbusTcp, t.text(Text::MbusTcp));
    setBuddyLabel(L_MbusAddress, E_MbusAddress, t.text(Text::AddressPort));
    setButton(RB_MbusSerial, t.text(Text::MbusSerial));
    CB_MbusPort->setAccessibleName(t.text(Text::MbusSerial));
    L_MbusLine->setAccessibleName(L_MbusLine->text());
    L_Values->setText(t.text(Text::Values));
    setButton(RB_Typed, t.text(Text::Typed));
    setButton(RB_LiveTcp, t.text(Text::ModbusTcp));
    E_ModbusAddress->setAccessibleName(t.text(Text::ModbusAddress));
    setButton(RB_LiveSerial, t.text(Text::ModbusSerial));
    CB_ModbusPort->setAccessibleName(t.text(Text::ModbusSerial));
    setBuddyLabel(L_Every, SE_Every, t.text(Text::Every));
    setButton(Btn_Start, t.text(Text::Start));
    setButton(Btn_Stop, t.text(Text::StopListening));
    setButton(CB_Hex, t.text(Text::ShowHex));
    setButton(Btn_Close, t.text(Text::Close));
    TV_Values->setAccessibleName(t.text(Text::Values));
    setBuddyLabel(L_Log, M_Log, t.text(Text::Log));
    values_->setHorizontalHeaderLabels({t.text(Text::ColumnNode), t.text(Text::ColumnVariable),
                                        t.text(Text::ColumnCoding), t.text(Text::ColumnValue)});
    L_Status->setText(isListening() ? t.text(Text::Listening).arg(link_->where())
                                    : t.text(Text::Stopped));
    Keyboard::assignShortcutLetters(this);
}

RecordValue GatewayWindow::valueOf(int node, int variable) const {
    if (live_)
        return live_->value(node, variable);
    return typed_.value({node, variable}, RecordValue::failed());
}

void GatewayWindow::showValues() {
    const LanguageTable& t = state_.texts;
    const QSignalBlocker block(values_);
    const QList<ServedRecord> served = SlaveBus(network_).served();
    values_->setRowCount(int(served.size()));
    for (int r = 0; r < served.size(); ++r) {
        const ServedRecord& s = served[r];
        const Node& node = network_[s.node];
        const Variable& v = node.variables[s.variable];
        QString coding = hexText(s.difVif);
        if (!s.standard)
            coding += QStringLiteral("  (") + t.text(Text::ManufacturerSpecific) + QLatin1Char(')');
        const RecordValue value = valueOf(s.node, s.variable);
        const bool typing = RB_Typed->isChecked() && !live_;
        const QString shown = value.kind == RecordValue::Kind::Failed && !typing
                                  ? t.text(Text::NoValue)
                                  : valueText(value);
        const QStringList cells{QStringLiteral("%1 %2").arg(node.primary).arg(node.description),
                                v.description, coding, shown};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(cells[c]);
            item->setEditable(c == ColValue && typing);
            values_->setItem(r, c, item);
        }
    }
    TV_Values->resizeColumnsToContents();
}

void GatewayWindow::updateControls() {
    const bool listening = isListening();
    for (QWidget* w : std::initializer_list<QWidget*>{RB_MbusTcp, RB_MbusSerial, RB_Typed,
                                                      RB_LiveTcp, RB_LiveSerial})
        w->setEnabled(!listening);
    E_MbusAddress->setEnabled(!listening && RB_MbusTcp->isChecked());
    CB_MbusPort->setEnabled(!listening && RB_MbusSerial->isChecked());
    E_ModbusAddress->setEnabled(!listening && RB_LiveTcp->isChecked());
    CB_ModbusPort->setEnabled(!listening && RB_LiveSerial->isChecked());
    SE_Every->setEnabled(!listening && !RB_Typed->isChecked());
    Btn_Start->setEnabled(!listening);
    Btn_Stop->setEnabled(listening);
    showValues();
}

bool GatewayWindow::isListening() const {
    return link_ && link_->isActive();
}

int GatewayWindow::listeningPort() const {
    return link_ ? link_->port() : 0;
}

void GatewayWindow::startClicked() {
    const LanguageTable& t = state_.texts;
    stopClicked();
    const GeneralParameters parGen = parGenOf(state_);
    std::unique_ptr<LiveValues> live;
    if (!RB_Typed->isChecked()) {
        Sources::Connection c = Sources::serialFromParGen(parGen, CB_ModbusPort->currentText());
        if (RB_LiveTcp->isChecked()) {
            const std::optional<Sources::HostPort> a =
                Sources::parseHostPort(E_ModbusAddress->text());
            if (!a) {
                platform_.prompts.error(this, t.text(Sources::Text::BadAddress));
                return;
            }
            c.kind = Sources::Connection::Kind::Tcp;
            c.host = a->host;
            c.tcpPort = a->port;
        }
        live = std::make_unique<LiveValues>(network_, c, SE_Every->value() * 1000);
    }
    auto bus = std::make_unique<SlaveBus>(network_);
    auto link = std::make_unique<GatewayLink>(*bus);
    QString why;
    if (RB_MbusTcp->isChecked()) {
        QString host;
        int port = 0;
        if (!splitAddress(E_MbusAddress->text(), host, port)) {
            platform_.prompts.error(this, t.text(Text::LiteralAddress));
            return;
        }
        if (!link->listenTcp(host, port, &why)) {
            platform_.prompts.error(this,
                                    t.text(Text::CannotListen).arg(E_MbusAddress->text(), why));
            return;
        }
    } else {
        const MbusLine line = mbusLineOf(parGen);
        if (!link->openSerial(CB_MbusPort->currentText(), line.baud, line.parity, &why)) {
            platform_.prompts.error(this,
                                    t.text(Text::CannotOpen).arg(CB_MbusPort->currentText(), why));
            return;
        }
    }
    bus_ = std::move(bus);
    link_ = std::move(link);
    live_ = std::move(live);
    bus_->setValues([this](int n, int v) { return valueOf(n, v); });
    connect(link_.get(), &GatewayLink::exchanged, this, [this](const Exchange& e) {
        addEntry({QString(), e, QString()});
    });
    const auto note = [this](int text) {
        return [this, text](const QString& peer) {
            addEntry({QString(), {}, state_.texts.text(text).arg(peer)});
        };
    };
    connect(link_.get(), &GatewayLink::masterConnected, this, note(Text::MasterConnected));
    connect(link_.get(), &GatewayLink::masterRefused, this, note(Text::MasterRefused));
    connect(link_.get(), &GatewayLink::masterLeft, this, note(Text::MasterLeft));
    if (live_) {
        connect(live_.get(), &LiveValues::updated, this, &GatewayWindow::showValues);
        live_->start();
    }
    const QString listening = t.text(Text::Listening).arg(link_->where());
    L_Status->setText(listening);
    addEntry({QString(), {}, listening});
    updateControls();
}

void GatewayWindow::stopClicked() {
    if (!link_ && !live_)
        return;
    if (live_)
        live_->stop();
    link_.reset();
    bus_.reset();
    live_.reset();
    L_Status->setText(state_.texts.text(Text::Stopped));
    addEntry({QString(), {}, state_.texts.text(Text::Stopped)});
    updateControls();
}

void GatewayWindow::reject() {
    stopClicked();
    QDialog::reject();
}

QString GatewayWindow::lineOf(const LogEntry& entry) const {
    if (!entry.note.isEmpty())
        return entry.stamp + entry.note;
    return entry.stamp + logLine(entry.exchange, state_.texts, CB_Hex->isChecked());
}

void GatewayWindow::addEntry(LogEntry entry) {
    entry.stamp = platform_.clock.now().time().toString(QStringLiteral("HH:mm:ss.zzz "));
    log_.append(entry);
    if (log_.size() > LogLimit) {
        log_.removeFirst();
        showLog();
    } else {
        M_Log->appendPlainText(lineOf(entry));
    }
    emit logged(lineOf(entry));
}

void GatewayWindow::showLog() {
    QStringList lines;
    for (const LogEntry& e : log_)
        lines.append(lineOf(e));
    M_Log->setPlainText(lines.join(QLatin1Char('\n')));
    M_Log->moveCursor(QTextCursor::End);
}

QStringList GatewayWindow::logLines() const {
    QStringList lines;
    for (const LogEntry& e : log_)
        lines.append(lineOf(e));
    return lines;
}
