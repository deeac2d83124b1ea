#pragma once

#include "core/platform/Clock.h"

#include <functional>

// Time moves only when the code under test sleeps, so long waits take no time in tests.
class FakeClock final : public Clock {
public:
    qint64 ticks() override { return now_; }
    void sleep(int ms) override;
    void sleepDispatching(int ms) override;
    void advance(qint64 ms) { now_ += ms; }
    // A fixed day, moving on with the ticks.
    QDateTime now() override { return start.addMSecs(now_); }
    QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(8, 30), Qt::UTC);

    int sleeps = 0;
    int dispatchingSleeps = 0;
    // Called after every pause, with the new time.
    std::function<void(qint64)> onSleep;

private:
    qint64 now_ = 1000;
};
