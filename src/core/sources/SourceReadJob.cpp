#include "core/sources/SourceReadJob.h"

#include <QThread>

namespace Sources {

SourceReadJob::SourceReadJob(ReadPlan plan, Connection connection, QObject* parent)
    : QObject(parent), plan_(std::move(plan)), connection_(std::move(connection)) {}

SourceReadJob::~SourceReadJob() {
    if (thread_) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

void SourceReadJob::start() {
    if (thread_)
        return;
    thread_ = QThread::create([this] {
        // The reading lands in run_ only after the thread ends; the window never sees it half done.
        ReadRun result = readSources(
            plan_, connection_,
            [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit progress(done, total); },
                    Qt::QueuedConnection);
            },
            &cancel_);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { run_ = result; }, Qt::QueuedConnection);
    });
    connect(thread_, &QThread::finished, this, &SourceReadJob::finished, Qt::QueuedConnection);
    thread_->start();
}

void SourceReadJob::cancel() {
    cancel_ = true;
}

bool SourceReadJob::isRunning() const {
    return thread_ && thread_->isRunning();
}

} // namespace Sources
