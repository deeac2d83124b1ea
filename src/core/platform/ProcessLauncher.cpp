#include "core/platform/ProcessLauncher.h"

#include "core/platform/Clock.h"

#include <QEventLoop>
#include <QList>
#include <QProcess>
#include <QTimer>

bool LaunchedProcess::waitForEnd(Clock& clock, int ms, bool dispatching) {
    if (dispatching)
        clock.sleepDispatching(ms);
    else
        clock.sleep(ms);
    return hasExited();
}

namespace {

// Programs still running when their wait ended. Deleting a QProcess kills its program, so these
// are kept, reachable, for the rest of the run and never deleted.
QList<QProcess*>& leftRunning() {
    static auto* processes = new QList<QProcess*>;
    return *processes;
}

class ChildProcess final : public LaunchedProcess {
public:
    explicit ChildProcess(std::unique_ptr<QProcess> process) : process_(std::move(process)) {}
    ~ChildProcess() override {
        // QProcess would kill a program still running; an update must never be cut short.
        if (process_->state() != QProcess::NotRunning)
            leftRunning().append(process_.release());
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool hasExited() override {
        if (process_->state() != QProcess::NotRunning)
            process_->waitForFinished(0);
        return process_->state() == QProcess::NotRunning;
    }
    bool waitForEnd(Clock& clock, int ms, bool dispatching) override {
        Q_UNUSED(clock);
        if (process_->state() == QProcess::NotRunning)
            return true;
        if (!dispatching) {
            process_->waitForFinished(ms);
            return process_->state() == QProcess::NotRunning;
        }
        // The end wakes the loop at once; the timer only bounds the wait.
        QEventLoop loop;
        QTimer grain;
        grain.setSingleShot(true);
        QObject::connect(&grain, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(process_.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        grain.start(ms);
        loop.exec();
        return process_->state() == QProcess::NotRunning;
    }
    std::optional<int> exitCode() override {
        if (process_->state() != QProcess::NotRunning ||
            process_->exitStatus() != QProcess::NormalExit)
            return std::nullopt;
        return process_->exitCode();
    }

private:
    std::unique_ptr<QProcess> process_;
};

} // namespace

std::unique_ptr<LaunchedProcess>
SystemProcessLauncher::start(const QString& program, const QStringList& arguments, bool shown) {
    return startIn(program, arguments, shown, QString());
}

std::unique_ptr<LaunchedProcess> SystemProcessLauncher::startIn(const QString& program,
                                                                const QStringList& arguments,
                                                                bool shown,
                                                                const QString& workingDirectory) {
    Q_UNUSED(shown); // X11 and Wayland programs choose their own window state.
    auto process = std::make_unique<QProcess>();
    // No pipes: a program left running must never block on output nobody reads.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    process->setWorkingDirectory(workingDirectory);
    process->start(program, arguments);
    if (!process->waitForStarted())
        return nullptr;
    return std::make_unique<ChildProcess>(std::move(process));
}
