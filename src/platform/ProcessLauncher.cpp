#include "platform/ProcessLauncher.h"

#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

#ifdef Q_OS_UNIX
// The detached program is re-parented and reaped by the system; it has ended once its
// process id is gone or only a zombie is left.
class DetachedProcess final : public LaunchedProcess {
public:
    explicit DetachedProcess(qint64 pid) : pid_(pid) {}
    bool hasExited() override {
        if (::kill(pid_t(pid_), 0) != 0 && errno == ESRCH)
            return true;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        return close >= 0 && close + 2 < line.size() && line[close + 2] == 'Z';
    }

private:
    qint64 pid_;
};
#else
class AttachedProcess final : public LaunchedProcess {
public:
    explicit AttachedProcess(std::unique_ptr<QProcess> process) : process_(std::move(process)) {}
    ~AttachedProcess() override {
        // Leave a program that is still running alone.
        if (process_->state() != QProcess::NotRunning)
            (void)process_.release();
    }
    bool hasExited() override {
        process_->waitForFinished(0);
        return process_->state() == QProcess::NotRunning;
    }

private:
    std::unique_ptr<QProcess> process_;
};
#endif

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
#ifdef Q_OS_UNIX
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, workingDirectory, &pid) || pid <= 0)
        return nullptr;
    return std::make_unique<DetachedProcess>(pid);
#else
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(workingDirectory);
    process->start(program, arguments);
    if (!process->waitForStarted())
        return nullptr;
    return std::make_unique<AttachedProcess>(std::move(process));
#endif
}
