#pragma once

#include "core/sources/SourceRead.h"

#include "core/sources/JobThread.h"

#include <QObject>

namespace Sources {

// Runs readSources on a thread of its own and reports back on the thread that made it, so a
// window stays responsive for the seconds a slow line takes.
class SourceReadJob : public QObject {
    Q_OBJECT
public:
    SourceReadJob(ReadPlan plan, Connection connection, QObject* parent = nullptr);
    // Stops between two requests and waits for the thread: at most one time-out.
    ~SourceReadJob() override;

    void start();
    // Takes effect before the next request; finished() follows.
    void cancel();
    bool isRunning() const;

    const ReadPlan& plan() const { return plan_; }
    const Connection& connection() const { return connection_; }
    // Valid after finished().
    const ReadRun& run() const { return run_; }

signals:
    void progress(int done, int total);
    void finished();

private:
    ReadPlan plan_;
    Connection connection_;
    ReadRun run_;
    JobThread thread_; // last: it stops before what its work uses goes
};

} // namespace Sources
