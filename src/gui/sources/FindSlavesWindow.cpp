#include "gui/sources/FindSlavesWindow.h"

#include "core/lang/LanguageTable.h"
#include "core/sources/ScanTexts.h"
#include "core/sources/SlaveScanJob.h"
#include "core/sources/SourceTexts.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using DialogParts::named;
using DialogParts::setBuddyLabel;
using DialogParts::setButton;

using namespace Sources;

FindSlavesWindow::FindSlavesWindow(SharedState& state, const Connection& connection,
                                   QList<int> configuredIds, QWidget* parent)
    : QDialog(parent), state_(state), connection_(connection),
      configured_(std::move(configuredIds)) {
    setObjectName(QStringLiteral("FindSlavesWindow"));
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;

    L_First = named(new QLabel(this), "L_First");
    SE_First = named(new QSpinBox(this), "SE_First");
    SE_First->setRange(ScanFirstId, ScanLastId);
    SE_First->setValue(ScanFirstId);
    L_Last = named(new QLabel(this), "L_Last");
    SE_Last = named(new QSpinBox(this), "SE_Last");
    SE_Last->setRange(ScanFirstId, ScanLastId);
    SE_Last->setValue(ScanLastId);
    L_TimeOut = named(new QLabel(this), "L_TimeOut");
    SE_TimeOut = named(new QSpinBox(this), "SE_TimeOut");
    SE_TimeOut->setRange(1, 65535);
    SE_TimeOut->setValue(ScanTimeoutMs);
    L_Bound = named(new QLabel(this), "L_Bound");

    auto* range = new QGridLayout;
    range->addWidget(L_First, 0, 0);
    range->addWidget(SE_First, 0, 1);
    range->addWidget(L_Last, 0, 2);
    range->addWidget(SE_Last, 0, 3);
    range->addWidget(L_TimeOut, 0, 4);
    range->addWidget(SE_TimeOut, 0, 5);
    range->addWidget(L_Bound, 1, 0, 1, 7);
    range->setColumnStretch(6, 1);

    Btn_Scan = named(new QPushButton(this), "Btn_Scan");
    Btn_Stop = named(new QPushButton(this), "Btn_Stop");
    PB_Progress = named(new QProgressBar(this), "PB_Progress");
    PB_Progress->setRange(0, 1);
    PB_Progress->setValue(0);
    L_Status = named(new QLabel(this), "L_Status");
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {Btn_Scan, Btn_Stop}) {
        b->setAutoDefault(false);
        actions->addWidget(b);
    }
    actions->addWidget(PB_Progress, 1);
    actions->addWidget(L_Status, 1);

    LW_Answers = named(new QListWidget(this), "LW_Answers");

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    body->addLayout(range);
    body->addLayout(actions);
    body->addWidget(LW_Answers, 1);

    const auto buttons = DialogParts::makeButtonPanel(this, true);
    delete buttons.ok; // nothing to confirm
    Btn_Close = buttons.cancel;
    Btn_Close->setObjectName(QStringLiteral("Btn_Close"));
    Btn_Close->setAutoDefault(false);
    DialogParts::stack(this, title, body, buttons, true);

    for (QSpinBox* box : {SE_First, SE_Last, SE_TimeOut})
        connect(box, &QSpinBox::valueChanged, this, &FindSlavesWindow::showBound);
    connect(Btn_Scan, &QPushButton::clicked, this, &FindSlavesWindow::scanClicked);
    connect(Btn_Stop, &QPushButton::clicked, this, &FindSlavesWindow::stopClicked);
    connect(Btn_Close, &QPushButton::clicked, this, &FindSlavesWindow::reject);

    applyLanguage();
    updateControls();
    resize(720, 480);
}

FindSlavesWindow::~FindSlavesWindow() = default;

void FindSlavesWindow::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(Text::FindSlaves));
    L_SW_Desc->setText(t.text(Text::FindSlaves));
    setBuddyLabel(L_First, SE_First, t.text(Text::FirstId));
    setBuddyLabel(L_Last, SE_Last, t.text(Text::LastId));
    setBuddyLabel(L_TimeOut, SE_TimeOut, t.text(Text::TimeoutMs));
    setButton(Btn_Scan, t.text(Text::Scan));
    setButton(Btn_Stop, t.text(Text::Stop));
    setButton(Btn_Close, t.text(Text::Close));
    LW_Answers->setAccessibleName(t.text(Text::FindSlaves));
    PB_Progress->setAccessibleName(t.text(Text::Scan));
    showBound();
    Keyboard::assignShortcutLetters(this);
}

void FindSlavesWindow::showBound() {
    Connection c = connection_;
    c.timeoutMs = SE_TimeOut->value();
    L_Bound->setText(scanBoundText(c, SE_First->value(), SE_Last->value(), state_.texts));
    updateControls();
}

bool FindSlavesWindow::isScanning() const {
    return job_ && job_->isRunning();
}

void FindSlavesWindow::scanClicked() {
    if (job_ || SE_First->value() > SE_Last->value())
        return;
    Connection c = connection_;
    c.timeoutMs = SE_TimeOut->value();
    job_ = new SlaveScanJob(c, SE_First->value(), SE_Last->value(), this);
    connect(job_, &SlaveScanJob::progress, this, &FindSlavesWindow::onProgress);
    connect(job_, &SlaveScanJob::finished, this, &FindSlavesWindow::onFinished);
    LW_Answers->clear();
    PB_Progress->setRange(0, SE_Last->value() - SE_First->value() + 1);
    PB_Progress->setValue(0);
    L_Status->clear();
    job_->start();
    updateControls();
}

void FindSlavesWindow::stopClicked() {
    if (job_)
        job_->cancel();
    Btn_Stop->setEnabled(false);
}

void FindSlavesWindow::onProgress(int done, int total) {
    PB_Progress->setRange(0, total);
    PB_Progress->setValue(done);
    const QString text = state_.texts.text(Text::ScanProgress)
                             .arg(job_ ? job_->first() + done - 1 : done)
                             .arg(done)
                             .arg(total);
    L_Status->setText(text);
    PB_Progress->setAccessibleName(text);
}

void FindSlavesWindow::onFinished() {
    const LanguageTable& t = state_.texts;
    const ScanRun run = job_->run();
    job_->deleteLater();
    job_ = nullptr;
    int answering = 0;
    for (const ScanAnswer& a : run.answers)
        answering += a.answers() ? 1 : 0;
    LW_Answers->addItems(scanLines(run, configured_, t));
    if (run.openFailure.failed()) {
        L_Status->setText(openFailureText(run.openFailure, connection_, t));
    } else {
        L_Status->setText(t.text(Text::ScanSummary).arg(answering).arg(run.answers.size()));
        // Ids not asked (a stopped scan) are not missing: compare only what was asked.
        QList<int> asked;
        for (int id : configured_)
            for (const ScanAnswer& a : run.answers)
                if (a.id == id && a.kind != ScanAnswer::Kind::NotAsked)
                    asked.append(id);
        if (!configured_.isEmpty())
            LW_Answers->addItems(comparisonLines(compareScan(run, asked), t));
    }
    updateControls();
    emit scanDone();
}

void FindSlavesWindow::updateControls() {
    const bool scanning = job_ != nullptr;
    for (QSpinBox* box : {SE_First, SE_Last, SE_TimeOut})
        box->setEnabled(!scanning);
    Btn_Scan->setEnabled(!scanning && SE_First->value() <= SE_Last->value());
    Btn_Stop->setEnabled(scanning);
}

void FindSlavesWindow::reject() {
    if (job_) {
        job_->cancel();
        delete job_;
        job_ = nullptr;
    }
    QDialog::reject();
}
