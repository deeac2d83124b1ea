#pragma once

#include <functional>

class QWidget;

// Modal windows in tests. The shared test main watches every test: a modal window that no
// armed action is waiting for fails the test and is closed, so a test never hangs on it.
// Progress windows (QProgressDialog) are left alone: they need no answer.

// Arms an action for the next modal window (dialog or message box) before the call that
// blocks in exec(). A watchdog fails the test when none appears in time. A modal still open
// when its action returns (an assertion ended the action early, or the action forgot to close
// it) fails the test and is closed, unless the action armed the next one.
void onNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// Fails the test once for every armed action still waiting for its modal, and disarms it. The
// shared test main runs it as each test ends.
void failUnusedModalActions();

// True once every armed action has run.
bool modalActionsDone();

// While alive, every modal window fails the test, even one an action was armed for.
class NoModalGuard {
public:
    NoModalGuard();
    ~NoModalGuard();
    NoModalGuard(const NoModalGuard&) = delete;
    NoModalGuard& operator=(const NoModalGuard&) = delete;
};

// Called once by the shared test main, after the QApplication exists.
void installModalWatch();
