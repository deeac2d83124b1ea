#include "support/ModalHelper.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

int pending = 0;          // armed actions whose modal has not appeared yet
int strictScopes = 0;     // live NoModalGuards
QList<QWidget*> inAction; // modals whose action is running (it may dispatch events)
// Each armed action's way to stop its timers, while it waits for its modal.
QList<std::shared_ptr<std::function<void()>>> armed;

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
    // Runs before the result is printed (gtest ends listeners in reverse order).
    void OnTestEnd(const testing::TestInfo&) override {
        delete timer_;
        timer_ = nullptr;
        failUnusedModalActions();
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
    auto cancel = std::make_shared<std::function<void()>>();
    *cancel = [poll, watchdog, self = std::weak_ptr(cancel)] {
        poll->stop();
        watchdog->stop();
        poll->deleteLater();
        watchdog->deleteLater();
        --pending;
        armed.removeIf([&self](const auto& entry) { return entry == self.lock(); });
    };
    armed.append(cancel);
    auto finish = [cancel] { (*cancel)(); };
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

void failUnusedModalActions() {
    // An action that no modal used is a test that did not go where it meant to; left armed,
    // it would also hide unexpected modals from the tests after it.
    const auto left = armed;
    for (const auto& cancel : left) {
        ADD_FAILURE() << "an action armed for a modal window was never used";
        (*cancel)();
    }
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
