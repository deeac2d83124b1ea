#pragma once

#include "core/sources/SourceRead.h"

#include <QObject>
#include <atomic>
#include <functional>

class QThread;

namespace Sources {

// The thread a job on the Modbus line runs its work on, reporting back on the thread that made
// the job. A job declares it after everything its work uses, so that it stops first.
class JobThread {
public:
    // What the work returns: how its result is put in place on the owner's thread.
    using Delivery = std::function<void()>;
    using Work = std::function<Delivery(const Progress& progress, const std::atomic_bool* cancel)>;

    JobThread() = default;
    // Cancels, then waits for the work: at most one time-out.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Runs `work` once. Its progress reaches `onProgress` and its delivery is made, then
    // `onFinished` runs, all on `owner`'s thread and in that order.
    void start(QObject* owner, Work work, Progress onProgress, std::function<void()> onFinished);
    // Takes effect before the work's next request.
    void cancel() { cancel_ = true; }
    bool isRunning() const;

private:
    std::atomic_bool cancel_{false};
    QThread* thread_ = nullptr;
};

} // namespace Sources
