#include "support/ModalHelper.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

int pending = 0;          // armed actions whose modal has not appeared yet
int strictScopes = 0;     // live NoModalGuards
QList<QWidget*> inAction; // modals whose action is running (it may dispatch events)

std::string describe(const QWidget* modal) {
    std::string text = modal->metaObject()->className();
    if (!modal->objectName().isEmpty())
        text += " \"" + modal->objectName().toStdString() + '"';
    if (!modal->windowTitle().isEmpty())
        text += ", title \"" + modal->windowTitle().toStdString() + '"';
    return text;
}

void closeModal(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

// A progress window waits for no answer: it goes by itself when its work ends.
QWidget* visibleModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (qobject_cast<QProgressDialog*>(modal))
        return nullptr;
    return modal && modal->isVisible() ? modal : nullptr;
}

void watch() {
    QWidget* modal = visibleModal();
    if (!modal)
        return;
    if (strictScopes == 0 && (pending > 0 || inAction.contains(modal)))
        return;
    ADD_FAILURE() << "unexpected modal window: " << describe(modal);
    closeModal(modal);
}

// One timer per test, alive from its start to its end; it also fires in nested exec() loops.
class ModalWatch final : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override {
        timer_ = new QTimer;
        QObject::connect(timer_, &QTimer::timeout, watch);
        timer_->start(10);
    }
    void OnTestEnd(const testing::TestInfo&) override {
        delete timer_;
        timer_ = nullptr;
    }

private:
    QTimer* timer_ = nullptr;
};

} // namespace

void onNextModal(std::function<void(QWidget*)> action, int timeoutMs) {
    ++pending;
    auto* poll = new QTimer;
    auto* watchdog = new QTimer;
    watchdog->setSingleShot(true);
    auto finish = [poll, watchdog] {
        poll->stop();
        watchdog->stop();
        poll->deleteLater();
        watchdog->deleteLater();
        --pending;
    };
    QObject::connect(poll, &QTimer::timeout, [action, finish] {
        QWidget* modal = visibleModal();
        if (!modal || strictScopes > 0)
            return;
        // Stop first: the action may open a nested exec().
        finish();
        QPointer<QWidget> handled(modal);
        inAction.append(modal);
        action(modal);
        inAction.removeOne(modal);
        if (handled && handled->isVisible() && pending == 0) {
            ADD_FAILURE() << "modal window still open after its action: " << describe(handled);
            closeModal(handled);
        }
    });
    QObject::connect(watchdog, &QTimer::timeout, [finish] {
        finish();
        ADD_FAILURE() << "no modal window appeared";
    });
    poll->start(10);
    watchdog->start(timeoutMs);
}

bool modalActionsDone() {
    return pending == 0;
}

NoModalGuard::NoModalGuard() {
    ++strictScopes;
}

NoModalGuard::~NoModalGuard() {
    --strictScopes;
}

void installModalWatch() {
    testing::UnitTest::GetInstance()->listeners().Append(new ModalWatch);
}
