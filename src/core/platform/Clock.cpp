#include "core/platform/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

qint64 SystemClock::ticks() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

void SystemClock::sleep(int ms) {
    QThread::msleep(ulong(ms));
}

void SystemClock::sleepDispatching(int ms) {
    QThread::msleep(ulong(ms));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QDateTime SystemClock::now() {
    return QDateTime::currentDateTime();
}
