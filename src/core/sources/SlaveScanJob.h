#pragma once

#include "core/sources/SlaveScan.h"

#include "core/sources/JobThread.h"

#include <QObject>

namespace Sources {

// Runs scanSlaves on a thread of its own and reports back on the thread that made it.
class SlaveScanJob : public QObject {
    Q_OBJECT
public:
    SlaveScanJob(Connection connection, int first, int last, QObject* parent = nullptr);
    // Stops before the next id and waits for the thread: at most one time-out.
    ~SlaveScanJob() override;

    void start();
    void cancel();
    bool isRunning() const;

    int first() const { return first_; }
    int last() const { return last_; }
    // Valid after finished().
    const ScanRun& run() const { return run_; }

signals:
    void progress(int done, int total);
    void finished();

private:
    Connection connection_;
    int first_;
    int last_;
    ScanRun run_;
    JobThread thread_; // last: it stops before what its work uses goes
};

} // namespace Sources
