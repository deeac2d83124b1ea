#include "gui/sources/SourceTestWindow.h"

#include "common/AtomicFile.h"
#include "core/comm/GeneralParameters.h"
#include "core/comm/ParityNames.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/sources/MbusTexts.h"
#include "core/sources/ScanTexts.h"
#include "core/sources/SourceReadJob.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/sources/FindSlavesWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using DialogParts::named;
using DialogParts::setBuddyLabel;
using DialogParts::setButton;

using namespace Sources;

namespace {

// The window's two columns after the readings.
constexpr int ColMbus = ColumnCount;
constexpr int ColWarnings = ColumnCount + 1;

// What the window would like, within the screen it opens on (a laptop has 1280 x 800), less a
// frame and a panel; never below what its controls need.
QSize fittingSize(const QWidget* window, QSize wanted) {
    constexpr QSize FrameAndPanel(16, 64);
    if (const QScreen* screen = window->screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() - FrameAndPanel);
    return wanted.expandedTo(window->minimumSizeHint());
}

} // namespace

SourceTestWindow::SourceTestWindow(SharedState& state, Platform& platform, const Network& network,
                                   QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), network_(network) {
    setObjectName(QStringLiteral("SourceTestWindow"));
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;

    RB_Serial = named(new QRadioButton(this), "RB_Serial");
    RB_Tcp = named(new QRadioButton(this), "RB_Tcp");
    L_Port = named(new QLabel(this), "L_Port");
    CB_Port = named(new QComboBox(this), "CB_Port");
    CB_Port->setEditable(true);
    CB_Port->addItems(serialDevices());
    CB_Port->setMinimumWidth(150);
    L_Baud = named(new QLabel(this), "L_Baud");
    CB_Baud = named(new QComboBox(this), "CB_Baud");
    for (const char* baud : ParGenLists::modbusBauds)
        CB_Baud->addItem(QString::fromLatin1(baud));
    L_Parity = named(new QLabel(this), "L_Parity");
    CB_Parity = named(new QComboBox(this), "CB_Parity");
    for (const char* parity : ParGenLists::modbusParities)
        CB_Parity->addItem(QString::fromLatin1(parity));
    L_TimeOut = named(new QLabel(this), "L_TimeOut");
    SE_TimeOut = named(new QSpinBox(this), "SE_TimeOut");
    SE_TimeOut->setRange(1, 65535);
    L_Address = named(new QLabel(this), "L_Address");
    E_Address = named(new QLineEdit(this), "E_Address");
    L_NotTestable = named(new QLabel(this), "L_NotTestable");
    L_NotTestable->setWordWrap(true);
    L_NotTestable->setStyleSheet(QStringLiteral("color: #9a3b00;"));

    auto* connection = new QGridLayout;
    connection->addWidget(RB_Serial, 0, 0);
    connection->addWidget(L_Port, 0, 1);
    connection->addWidget(CB_Port, 0, 2);
    connection->addWidget(L_Baud, 0, 3);
    connection->addWidget(CB_Baud, 0, 4);
    connection->addWidget(L_Parity, 0, 5);
    connection->addWidget(CB_Parity, 0, 6);
    connection->addWidget(RB_Tcp, 1, 0);
    connection->addWidget(L_Address, 1, 1);
    connection->addWidget(E_Address, 1, 2);
    connection->addWidget(L_TimeOut, 1, 3);
    connection->addWidget(SE_TimeOut, 1, 4);
    connection->addWidget(L_NotTestable, 2, 0, 1, 8);
    connection->setColumnStretch(7, 1);
    connection->setHorizontalSpacing(10);
    for (QLabel* label : {L_Port, L_Baud, L_Parity, L_TimeOut, L_Address})
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Btn_Read = named(new QPushButton(this), "Btn_Read");
    Btn_Stop = named(new QPushButton(this), "Btn_Stop");
    Btn_Copy = named(new QPushButton(this), "Btn_Copy");
    Btn_SaveCsv = named(new QPushButton(this), "Btn_SaveCsv");
    Btn_FindSlaves = named(new QPushButton(this), "Btn_FindSlaves");
    PB_Progress = named(new QProgressBar(this), "PB_Progress");
    PB_Progress->setRange(0, 1);
    PB_Progress->setValue(0);
    L_Status = named(new QLabel(this), "L_Status");
    CB_Continuous = named(new QCheckBox(this), "CB_Continuous");
    L_Every = named(new QLabel(this), "L_Every");
    SE_Every = named(new QSpinBox(this), "SE_Every");
    SE_Every->setRange(EveryMinSeconds, EveryMaxSeconds);
    SE_Every->setValue(10);
    nextPass_ = new QTimer(this);
    nextPass_->setSingleShot(true);
    connect(nextPass_, &QTimer::timeout, this, &SourceTestWindow::startPass);
    auto* continuous = new QHBoxLayout;
    continuous->addWidget(CB_Continuous);
    continuous->addWidget(L_Every);
    continuous->addWidget(SE_Every);
    // Beside Read, which it repeats; in the connection's rows it widened the window past a
    // laptop's screen.
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {Btn_Read, Btn_Stop, Btn_Copy, Btn_SaveCsv, Btn_FindSlaves}) {
        b->setAutoDefault(false);
        actions->addWidget(b);
        if (b == Btn_Read) {
            actions->addSpacing(8);
            actions->addLayout(continuous);
            actions->addSpacing(8);
        }
    }
    actions->addWidget(PB_Progress, 1);
    actions->addWidget(L_Status, 1);
    // A long status must not widen the window past a laptop's screen; its tooltip keeps it whole.
    L_Status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    results_ = new QStandardItemModel(this);
    TV_Results = named(new QTableView(this), "TV_Results");
    TV_Results->setModel(results_);
    TV_Results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TV_Results->setSelectionBehavior(QAbstractItemView::SelectRows);
    TV_Results->verticalHeader()->hide();
    TV_Results->horizontalHeader()->setStretchLastSection(true);
    TV_Results->setWordWrap(false);
    // The arrows move between the cells; Tab leaves the table, which has nothing to edit.
    TV_Results->setTabKeyNavigation(false);
    TV_Results->verticalHeader()->setDefaultSectionSize(TV_Results->fontMetrics().height() + 8);

    LW_Warnings = named(new QListWidget(this), "LW_Warnings");
    LW_Warnings->setMaximumHeight(TV_Results->fontMetrics().height() * 5 + 8);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    body->addLayout(connection);
    body->addLayout(actions);
    body->addWidget(TV_Results, 1);
    body->addWidget(LW_Warnings);

    const auto buttons = DialogParts::makeButtonPanel(this, true);
    // The window changes nothing, so it has one way out.
    delete buttons.ok;
    Btn_Close = buttons.cancel;
    Btn_Close->setObjectName(QStringLiteral("Btn_Close"));
    Btn_Close->setAutoDefault(false);
    DialogParts::stack(this, title, body, buttons, true);

    connect(RB_Serial, &QRadioButton::toggled, this, &SourceTestWindow::updateControls);
    connect(Btn_Read, &QPushButton::clicked, this, &SourceTestWindow::readClicked);
    connect(Btn_Stop, &QPushButton::clicked, this, &SourceTestWindow::stopClicked);
    connect(Btn_Copy, &QPushButton::clicked, this, &SourceTestWindow::copyClicked);
    connect(Btn_SaveCsv, &QPushButton::clicked, this, &SourceTestWindow::saveCsvClicked);
    connect(Btn_FindSlaves, &QPushButton::clicked, this, &SourceTestWindow::findSlavesClicked);
    connect(Btn_Close, &QPushButton::clicked, this, &SourceTestWindow::reject);

    loadSettings();
    applyLanguage();
    // The M-Bus value and its warnings stand beside the result; the model keeps them last.
    TV_Results->horizontalHeader()->moveSection(ColMbus, ColResult + 1);
    TV_Results->horizontalHeader()->moveSection(ColWarnings, ColResult + 2);
    showRows();
    setSizeGripEnabled(true);
    resize(fittingSize(this, QSize(1200, 600)));
    DialogParts::centreOnScreen(this);
}

SourceTestWindow::~SourceTestWindow() = default;

void SourceTestWindow::open(SharedState& state, Platform& platform, const Network& network,
                            QWidget* parent) {
    SourceTestWindow window(state, platform, network, parent);
    window.exec();
}

void SourceTestWindow::loadSettings() {
    const GeneralParametersLoad load = loadGeneralParameters(state_.parGenFile);
    // A broken ParGen.xml still leaves the network worth testing, with the usual settings.
    const GeneralParameters parGen = load.ok() ? load.value : GeneralParameters();
    const Connection serial = serialFromParGen(parGen, QString());
    CB_Baud->setCurrentText(QString::number(serial.baud));
    CB_Parity->setCurrentIndex(serial.parity == 'E' ? 1 : serial.parity == 'O' ? 2 : 0);
    SE_TimeOut->setValue(serial.timeoutMs);
    E_Address->setText(QStringLiteral("127.0.0.1:%1").arg(DefaultTcpPort));
    serialTestable_ = serialTestable(parGen);
    protocol_ = parGen.modbusProtocol;
    RB_Serial->setEnabled(serialTestable_);
    (serialTestable_ ? RB_Serial : RB_Tcp)->setChecked(true);
    L_NotTestable->setVisible(!serialTestable_);
}

void SourceTestWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(Text::Title));
    L_SW_Desc->setText(t.text(Text::Title));
    setButton(RB_Serial, t.text(Text::Serial));
    setButton(RB_Tcp, t.text(Text::Tcp));
    setBuddyLabel(L_Port, CB_Port, t.text(Text::SerialPort));
    setBuddyLabel(L_Baud, CB_Baud, t.text(Text::Baud));
    setBuddyLabel(L_Parity, CB_Parity, t.text(Text::Parity));
    const QStringList parities = ParityNames::all(t);
    for (int i = 0; i < CB_Parity->count(); ++i)
        CB_Parity->setItemText(i, parities.value(i));
    setBuddyLabel(L_TimeOut, SE_TimeOut, t.text(Text::TimeoutMs));
    setBuddyLabel(L_Address, E_Address, t.text(Text::Address));
    L_NotTestable->setText(notTestableText(protocol_, t));
    setButton(Btn_Read, t.text(Text::Read));
    setButton(Btn_Stop, t.text(Text::Stop));
    setButton(Btn_Copy, t.text(Text::Copy));
    setButton(Btn_SaveCsv, t.text(Text::SaveCsv));
    setButton(Btn_FindSlaves, t.text(Text::FindSlaves));
    setButton(CB_Continuous, t.text(Text::ReadContinuously));
    setBuddyLabel(L_Every, SE_Every, t.text(Text::EverySeconds));
    setButton(Btn_Close, t.text(Text::Close));
    PB_Progress->setAccessibleName(t.text(Text::Progress).arg(0).arg(0));
    TV_Results->setAccessibleName(t.text(Text::Title));
    results_->setHorizontalHeaderLabels(columnNames(t)
                                        << t.text(Text::MbusValue) << t.text(Text::Warnings));
    LW_Warnings->setAccessibleName(t.text(Text::Warnings));
    Keyboard::assignShortcutLetters(this);
}

std::optional<Connection> SourceTestWindow::connection() const {
    if (RB_Serial->isChecked())
        return serialConnection(CB_Port->currentText().trimmed(), CB_Baud->currentText().toInt(),
                                parityOfPosition(CB_Parity->currentIndex()), SE_TimeOut->value());
    Connection c;
    c.timeoutMs = SE_TimeOut->value();
    const std::optional<HostPort> address = parseHostPort(E_Address->text());
    if (!address)
        return std::nullopt;
    c.kind = Connection::Kind::Tcp;
    c.host = address->host;
    c.tcpPort = address->port;
    return c;
}

bool SourceTestWindow::isReading() const {
    return job_ && job_->isRunning();
}

bool SourceTestWindow::isWaiting() const {
    return nextPass_->isActive();
}

void SourceTestWindow::readClicked() {
    if (job_ || nextPass_->isActive())
        return;
    pass_ = 0;
    stopRequested_ = false;
    previousRun_.reset();
    changes_.clear();
    startPass();
}

void SourceTestWindow::startPass() {
    if (job_)
        return;
    const LanguageTable& t = state_.texts;
    const std::optional<Connection> c = connection();
    if (!c) {
        platform_.prompts.error(this, t.text(Text::BadAddress));
        return;
    }
    if (c->kind == Connection::Kind::Serial && c->port.isEmpty()) {
        platform_.prompts.error(
            this, t.text(Text::PortNotOpened).arg(QString(), t.text(Text::PortMissing)));
        return;
    }
    job_ = new SourceReadJob(makeReadPlan(network_), *c, this);
    connect(job_, &SourceReadJob::progress, this, &SourceTestWindow::onProgress);
    connect(job_, &SourceReadJob::finished, this, &SourceTestWindow::onFinished);
    rows_.clear();
    showRows();
    const int total = int(job_->plan().requests.size());
    PB_Progress->setRange(0, qMax(total, 1));
    PB_Progress->setValue(0);
    L_Status->setText(t.text(Text::Progress).arg(0).arg(total));
    job_->start();
    updateControls();
}

void SourceTestWindow::stopClicked() {
    stopRequested_ = true;
    if (job_)
        job_->cancel();
    if (nextPass_->isActive())
        stopContinuous(state_.texts.text(Text::StoppedByUser));
    Btn_Stop->setEnabled(false);
}

void SourceTestWindow::stopContinuous(const QString& why) {
    nextPass_->stop();
    L_Status->setText(state_.texts.text(Text::StoppedAfter).arg(pass_).arg(why));
    updateControls();
}

void SourceTestWindow::onProgress(int done, int total) {
    PB_Progress->setRange(0, total);
    PB_Progress->setValue(done);
    const QString text = state_.texts.text(Text::Progress).arg(done).arg(total);
    L_Status->setText(text);
    PB_Progress->setAccessibleName(text);
}

void SourceTestWindow::onFinished() {
    const LanguageTable& t = state_.texts;
    const ReadRun run = job_->run();
    const ReadPlan plan = job_->plan();
    rows_ = resultRows(plan, run, job_->connection().timeoutMs, t);
    const Connection c = job_->connection();
    int read = 0;
    for (const ResultRow& row : rows_)
        read += row.failed ? 0 : 1;
    L_Status->setText(t.text(Text::Summary).arg(read).arg(rows_.size()).arg(run.requestsSent));
    job_->deleteLater();
    job_ = nullptr;
    ++pass_;
    const double seconds = sincePrevious_.isValid() ? sincePrevious_.elapsed() / 1000.0 : 0;
    sincePrevious_.start();
    changes_ = previousRun_ ? changesBetween(plan, *previousRun_, run, seconds) : QList<Change>();
    previousRun_ = run;
    if (CB_Continuous->isChecked() && !stopRequested_ && !run.cancelled) {
        if (connectionLost(run)) {
            stopContinuous(run.openFailure.failed() ? openFailureText(run.openFailure, c, t)
                                                    : t.text(Text::NothingAnswered));
        } else {
            L_Status->setText(t.text(Text::NextPass).arg(pass_).arg(SE_Every->value()));
            nextPass_->start(SE_Every->value() * 1000);
        }
    } else if (CB_Continuous->isChecked() && stopRequested_) {
        L_Status->setText(t.text(Text::StoppedAfter).arg(pass_).arg(t.text(Text::StoppedByUser)));
    }
    showRows();
    updateControls();
    if (run.openFailure.failed() && !CB_Continuous->isChecked())
        platform_.prompts.error(this, openFailureText(run.openFailure, c, t));
    emit readingDone();
}

void SourceTestWindow::showRows() {
    results_->removeRows(0, results_->rowCount());
    LW_Warnings->clear();
    const QColor markedBackground(0xdd, 0xee, 0xff);
    const QColor failedText(0xb0, 0x1c, 0x1c);
    const QColor warningText(0x9a, 0x3b, 0x00);
    const QColor changedBackground(0xff, 0xf3, 0xb0);
    const LanguageTable& t = state_.texts;
    for (const ResultRow& row : rows_) {
        QList<QStandardItem*> items;
        for (int col = 0; col < ColumnCount; ++col) {
            auto* item = new QStandardItem(row.cells[col]);
            item->setToolTip(row.cells[col]); // a long message is cut in its column
            if (col == row.marked) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setBackground(markedBackground);
            }
            if (col == ColResult && row.failed)
                item->setForeground(failedText);
            items.append(item);
        }
        const Change change = changes_.value(int(results_->rowCount()));
        const QString shown = change.changed
                                  ? row.mbus + QStringLiteral(" \u00b7 ") + changeText(change, t)
                                  : row.mbus;
        auto* mbus = new QStandardItem(shown);
        mbus->setToolTip(shown);
        if (change.changed) {
            mbus->setBackground(changedBackground);
            items[ColRaw]->setBackground(changedBackground);
        }
        auto* warnings = new QStandardItem(row.warnings.join(QStringLiteral("; ")));
        warnings->setToolTip(row.warnings.join(QLatin1Char('\n')));
        if (!row.warnings.isEmpty()) {
            mbus->setForeground(warningText);
            warnings->setForeground(warningText);
        }
        results_->appendRow(items << mbus << warnings);
        for (const QString& warning : row.warnings)
            LW_Warnings->addItem(state_.texts.text(Text::WarningLine)
                                     .arg(row.cells[ColNode], row.cells[ColVariable], warning));
    }
    TV_Results->resizeColumnsToContents();
    // The values must stay in sight beside a long failure or description.
    const int widest = TV_Results->fontMetrics().averageCharWidth() * 38;
    for (int col = 0; col <= ColWarnings; ++col)
        if (col != ColMbus) // the value the installer came for stays whole
            TV_Results->setColumnWidth(col, std::min(TV_Results->columnWidth(col), widest));
    updateControls();
}

void SourceTestWindow::updateControls() {
    const bool reading = job_ != nullptr || nextPass_->isActive();
    const bool serial = RB_Serial->isChecked();
    RB_Serial->setEnabled(!reading && serialTestable_);
    RB_Tcp->setEnabled(!reading);
    for (QWidget* w : {static_cast<QWidget*>(CB_Port), static_cast<QWidget*>(CB_Baud),
                       static_cast<QWidget*>(CB_Parity)})
        w->setEnabled(!reading && serial);
    E_Address->setEnabled(!reading && !serial);
    SE_TimeOut->setEnabled(!reading);
    Btn_Read->setEnabled(!reading);
    Btn_Stop->setEnabled(reading && !stopRequested_);
    // Between two passes the table is whole and may be copied.
    Btn_Copy->setEnabled(!job_ && !rows_.isEmpty());
    Btn_SaveCsv->setEnabled(!job_ && !rows_.isEmpty());
    Btn_FindSlaves->setEnabled(!reading);
    CB_Continuous->setEnabled(!reading);
    SE_Every->setEnabled(!reading);
}

void SourceTestWindow::copyClicked() {
    QApplication::clipboard()->setText(rowsAsText(rows_, state_.texts));
}

void SourceTestWindow::saveCsvClicked() {
    const LanguageTable& t = state_.texts;
    const QString suggested =
        QDir(state_.projectDir).filePath(state_.projectName + QStringLiteral("-sources.csv"));
    const QString path = platform_.prompts.saveFile(this, t.text(Text::SaveCsv), suggested,
                                                    QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString failed = writeFileAtomically(path, rowsAsCsv(rows_, t));
    if (!failed.isEmpty())
        platform_.prompts.error(
            this, t.text(Text::NotWritten)
                      .arg(QDir::toNativeSeparators(path) + QStringLiteral(": ") + failed));
}

void SourceTestWindow::findSlavesClicked() {
    const LanguageTable& t = state_.texts;
    const std::optional<Connection> c = connection();
    if (!c) {
        platform_.prompts.error(this, t.text(Text::BadAddress));
        return;
    }
    FindSlavesWindow scan(state_, *c, configuredIds(makeReadPlan(network_)), this);
    scan.exec();
}

void SourceTestWindow::reject() {
    nextPass_->stop();
    // The thread ends before the next request; the job's destructor waits for it.
    if (job_) {
        job_->cancel();
        delete job_;
        job_ = nullptr;
    }
    QDialog::reject();
}
