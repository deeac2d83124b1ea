#include "mock/FakeClock.h"

#include <QCoreApplication>

void FakeClock::sleep(int ms) {
    ++sleeps;
    now_ += ms;
    if (onSleep)
        onSleep(now_);
}

void FakeClock::sleepDispatching(int ms) {
    ++dispatchingSleeps;
    now_ += ms;
    QCoreApplication::processEvents();
    if (onSleep)
        onSleep(now_);
}
