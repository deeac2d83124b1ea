#pragma once

#include <QDateTime>

// Millisecond ticks and pauses, injectable so waits are proven in tests without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 ticks() = 0;
    // Blocks without dispatching window events.
    virtual void sleep(int ms) = 0;
    // Pauses and dispatches pending window events, so windows repaint and react.
    virtual void sleepDispatching(int ms) = 0;
    // The date and time of day, for what is dated (history entries, reports).
    virtual QDateTime now() = 0;
};

class SystemClock final : public Clock {
public:
    qint64 ticks() override;
    void sleep(int ms) override;
    void sleepDispatching(int ms) override;
    QDateTime now() override;
};
