#include "support/ModalHelper.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
int pending = 0;
}

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
    QObject::connect(poll, &QTimer::timeout, [poll, action, finish] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        // Stop first: the action may open a nested exec().
        poll->stop();
        finish();
        action(modal);
    });
    QObject::connect(watchdog, &QTimer::timeout, [finish] {
        finish();
        ADD_FAILURE() << "no modal window appeared";
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    poll->start(10);
    watchdog->start(timeoutMs);
}

bool modalActionsDone() {
    return pending == 0;
}

NoModalGuard::NoModalGuard() : poll_(new QTimer) {
    QObject::connect(poll_, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        ADD_FAILURE() << "unexpected modal window: " << modal->objectName().toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
    poll_->start(10);
}

NoModalGuard::~NoModalGuard() {
    delete poll_;
}
