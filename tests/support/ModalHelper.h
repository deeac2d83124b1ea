#pragma once

#include <functional>

class QWidget;

// Arms an action for the next modal window (dialog or message box) before the call that
// blocks in exec(). A watchdog fails the test and closes the modal when none appears in time,
// so a test never hangs.
void onNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// True once every armed action has run.
bool modalActionsDone();

class QTimer;

// While alive, any modal window that appears fails the test and is closed.
class NoModalGuard {
public:
    NoModalGuard();
    ~NoModalGuard();
    NoModalGuard(const NoModalGuard&) = delete;
    NoModalGuard& operator=(const NoModalGuard&) = delete;

private:
    QTimer* poll_;
};
