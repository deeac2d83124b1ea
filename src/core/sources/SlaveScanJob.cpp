#include "core/sources/SlaveScanJob.h"

#include <QThread>

namespace Sources {

SlaveScanJob::SlaveScanJob(Connection connection, int first, int last, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), first_(first), last_(last) {}

SlaveScanJob::~SlaveScanJob() {
    if (thread_) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

void SlaveScanJob::start() {
    if (thread_)
        return;
    thread_ = QThread::create([this] {
        ScanRun result = scanSlaves(
            connection_, first_, last_,
            [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit progress(done, total); },
                    Qt::QueuedConnection);
            },
            &cancel_);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { run_ = result; }, Qt::QueuedConnection);
    });
    connect(thread_, &QThread::finished, this, &SlaveScanJob::finished, Qt::QueuedConnection);
    thread_->start();
}

void SlaveScanJob::cancel() {
    cancel_ = true;
}

bool SlaveScanJob::isRunning() const {
    return thread_ && thread_->isRunning();
}

} // namespace Sources
