#include "support/FailingWrites.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

QStringList folderListing(const QString& root) {
    QStringList entries;
    const QDir dir(root);
    for (const QFileInfo& entry : dir.entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString mode = QString::number(int(entry.permissions()), 16);
        if (entry.isSymLink()) {
            entries << entry.fileName() + QStringLiteral(" -> ") + entry.symLinkTarget();
        } else if (entry.isDir()) {
            entries << entry.fileName() + QStringLiteral("/ ") + mode;
            for (const QString& inner : folderListing(entry.filePath()))
                entries << entry.fileName() + QLatin1Char('/') + inner;
        } else if (!entry.isFile()) {
            entries << entry.fileName() + QStringLiteral(" (special) ") + mode;
        } else {
            QFile file(entry.filePath());
            (void)file.open(QIODevice::ReadOnly);
            entries << entry.fileName() + QLatin1Char(' ') + mode + QLatin1Char('=') +
                           QString::fromLatin1(file.readAll().toHex());
        }
    }
    return entries;
}

namespace {

bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = false;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& path)
    : path_(path), permissions_(QFile::permissions(path)) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    if (!refusesNewFiles())
        immutable_ = setImmutable(path, true);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (immutable_)
        setImmutable(path_, false);
    QFile::setPermissions(path_, permissions_);
}

bool ReadOnlyFolder::refusesNewFiles() const {
    QFile probe(path_ + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.remove();
    return false;
}

ChildResult runWithFileSizeLimit(long maxBytes, const std::function<int(QString& text)>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(maxBytes), rlim_t(maxBytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString text;
        const int status = body(text);
        const QByteArray bytes = text.toUtf8();
        // The pipe is no file: the limit does not apply to it.
        (void)!::write(pipeFds[1], bytes.constData(), size_t(bytes.size()));
        ::_exit(status & 0xFF);
    }
    ::close(pipeFds[1]);
    QByteArray received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        received.append(buffer, n);
    }
    ::close(pipeFds[0]);
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    ChildResult result;
    result.exited = WIFEXITED(wstatus);
    result.status = result.exited ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    result.text = QString::fromUtf8(received);
    return result;
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}
