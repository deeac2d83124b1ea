#include "platform/ProcessLauncher.h"

#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <poll.h>
#include <sys/syscall.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The detached program is re-parented; whoever adopts it may reap it at once (its number can
// then be reused) or never (a zombie is left). A process handle taken right after the start
// sees the end either way; without one, the number is checked.
class DetachedProcess final : public LaunchedProcess {
public:
    explicit DetachedProcess(qint64 pid) : pid_(pid) {
#ifdef Q_OS_LINUX
        // Through syscall(): this glibc's <sys/pidfd.h> lacks C linkage for C++.
        handle_ = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
        goneAtStart_ = handle_ < 0 && errno == ESRCH;
#endif
    }
    ~DetachedProcess() override {
        if (handle_ >= 0)
            ::close(handle_);
    }
    DetachedProcess(const DetachedProcess&) = delete;
    DetachedProcess& operator=(const DetachedProcess&) = delete;

    bool hasExited() override {
        if (goneAtStart_)
            return true;
#ifdef Q_OS_LINUX
        if (handle_ >= 0) {
            // Readable once the program has ended, reaped or not.
            pollfd ended{handle_, POLLIN, 0};
            return ::poll(&ended, 1, 0) > 0;
        }
#endif
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
    int handle_ = -1;
    bool goneAtStart_ = false;
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
