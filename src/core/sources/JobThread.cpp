#include "core/sources/JobThread.h"

#include <QThread>

namespace Sources {

JobThread::~JobThread() {
    if (thread_) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

void JobThread::start(QObject* owner, Work work, Progress onProgress,
                      std::function<void()> onFinished) {
    if (thread_)
        return;
    thread_ =
        QThread::create([this, owner, work = std::move(work), onProgress = std::move(onProgress)] {
            const Progress progress = [owner, onProgress](int done, int total) {
                QMetaObject::invokeMethod(
                    owner, [onProgress, done, total] { onProgress(done, total); },
                    Qt::QueuedConnection);
            };
            // The result lands only after the work ends; the owner never sees it half done.
            QMetaObject::invokeMethod(owner, work(progress, &cancel_), Qt::QueuedConnection);
        });
    QObject::connect(thread_, &QThread::finished, owner, std::move(onFinished),
                     Qt::QueuedConnection);
    thread_->start();
}

bool JobThread::isRunning() const {
    return thread_ && thread_->isRunning();
}

} // namespace Sources
