#include "core/sources/SourceReadJob.h"

namespace Sources {

SourceReadJob::SourceReadJob(ReadPlan plan, Connection connection, QObject* parent)
    : QObject(parent), plan_(std::move(plan)), connection_(std::move(connection)) {}

SourceReadJob::~SourceReadJob() = default;

void SourceReadJob::start() {
    thread_.start(
        this,
        [this](const Progress& progress, const std::atomic_bool* cancel) -> JobThread::Delivery {
            ReadRun result = readSources(plan_, connection_, progress, cancel);
            return [this, result = std::move(result)] { run_ = result; };
        },
        [this](int done, int total) { emit progress(done, total); }, [this] { emit finished(); });
}

void SourceReadJob::cancel() {
    thread_.cancel();
}

bool SourceReadJob::isRunning() const {
    return thread_.isRunning();
}

} // namespace Sources
