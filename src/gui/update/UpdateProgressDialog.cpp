#include "gui/update/UpdateProgressDialog.h"

#include "core/history/HistoryTexts.h"
#include "core/lang/LanguageTable.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

UpdateProgressDialog::UpdateProgressDialog(const LanguageTable& texts, qint64 limitMs,
                                           QWidget* parent)
    : QProgressDialog(parent), texts_(texts), limitMs_(limitMs) {
    setObjectName(QStringLiteral("UpdateProgressDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(texts_.text(HistoryTexts::T_ProgressTitle));
    setCancelButton(nullptr);
    // Shown and hidden by the wait itself, never by the dialog's own timer.
    setAutoReset(false);
    setAutoClose(false);
    setMinimumDuration(0);
    setMinimumWidth(420);
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("L_Progress"));
    label->setWordWrap(true);
    setLabel(label);
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("PB_Progress"));
    bar->setAccessibleName(texts_.text(HistoryTexts::T_ElapsedTime));
    bar->setTextVisible(false);
    setBar(bar);
    setRange(0, int(limitMs_ / 1000));
    setElapsed(0);
}

void UpdateProgressDialog::setElapsed(qint64 elapsedMs) {
    const qint64 seconds = std::min(elapsedMs, limitMs_) / 1000;
    // Called every 10 ms: only a new second is worth a repaint.
    if (seconds == shownSeconds_)
        return;
    shownSeconds_ = seconds;
    setLabelText(texts_.text(HistoryTexts::T_ProgressText).arg(seconds).arg(limitMs_ / 1000));
    setValue(int(seconds));
}

void UpdateProgressDialog::finish() {
    finished_ = true;
    hide();
}

void UpdateProgressDialog::reject() {
    if (finished_)
        QProgressDialog::reject();
}

void UpdateProgressDialog::closeEvent(QCloseEvent* event) {
    if (finished_)
        QProgressDialog::closeEvent(event);
    else
        event->ignore();
}
