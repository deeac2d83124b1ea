#pragma once

#include <QProgressDialog>

class LanguageTable;

// Shown while an updater runs: the time waited and the limit. It has no button and cannot be
// closed; it goes when the wait ends. Being modal for the whole application, it keeps every
// other window (a second update, closing the configuration) out of reach meanwhile.
class UpdateProgressDialog : public QProgressDialog {
    Q_OBJECT
public:
    UpdateProgressDialog(const LanguageTable& texts, qint64 limitMs, QWidget* parent);

    void setElapsed(qint64 elapsedMs);
    // Lets the window go; until then Escape and the close box do nothing.
    void finish();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const LanguageTable& texts_;
    qint64 limitMs_;
    bool finished_ = false;
    qint64 shownSeconds_ = -1;
};
