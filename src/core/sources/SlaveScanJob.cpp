#include "core/sources/SlaveScanJob.h"

namespace Sources {

SlaveScanJob::SlaveScanJob(Connection connection, int first, int last, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), first_(first), last_(last) {}

SlaveScanJob::~SlaveScanJob() = default;

void SlaveScanJob::start() {
    thread_.start(
        this,
        [this](const Progress& progress, const std::atomic_bool* cancel) -> JobThread::Delivery {
            ScanRun result = scanSlaves(connection_, first_, last_, progress, cancel);
            return [this, result = std::move(result)] { run_ = result; };
        },
        [this](int done, int total) { emit progress(done, total); }, [this] { emit finished(); });
}

void SlaveScanJob::cancel() {
    thread_.cancel();
}

bool SlaveScanJob::isRunning() const {
    return thread_.isRunning();
}

} // namespace Sources
