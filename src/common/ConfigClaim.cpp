#include "common/ConfigClaim.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Where the file system has no such locks, a claim file that still names nobody after this
// long was left by a window killed while it wrote the file.
constexpr qint64 UnnamedClaimMs = 5000;

QString identityOf(const QString& canonical) {
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(canonical).constData(), &info) == 0)
        return QLatin1Char('-') + QString::number(static_cast<qulonglong>(info.st_ino));
#else
    Q_UNUSED(canonical);
#endif
    return {};
}

} // namespace

QString ConfigClaim::fileOf(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir())
        return {};
    return QDir(canonical).filePath(QStringLiteral(".ordano-open") + identityOf(canonical) +
                                    QStringLiteral(".lock"));
}

std::optional<ConfigClaim::Holder> ConfigClaim::heldBy(const QString& folder) {
    const QString path = fileOf(folder);
    if (path.isEmpty())
        return std::nullopt;
    Holder holder;
    // No claim file, or one still being written: no window shows the configuration yet.
    if (!QLockFile(path).getLockInfo(&holder.process, &holder.host, &holder.program))
        return std::nullopt;
    if (holder.host != QSysInfo::machineHostName())
        return holder;
    holder.host.clear();
#ifdef Q_OS_UNIX
    if (::kill(pid_t(holder.process), 0) != 0 && errno == ESRCH)
        return std::nullopt; // the window is gone; the next one takes the claim over
#endif
    return holder;
}

ConfigClaim::ConfigClaim(const QString& folder) {
    const QString path = fileOf(folder);
    if (path.isEmpty())
        return;
    auto file = std::make_unique<QLockFile>(path);
    // Only a window that is gone leaves a stale claim: one may stay open for days.
    file->setStaleLockTime(0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (file->tryLock(0)) {
            file_ = std::move(file);
#ifdef Q_OS_UNIX
            folder_ = ::open(QFile::encodeName(QFileInfo(path).path()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
            return;
        }
        if (file->error() != QLockFile::LockFailedError)
            return;
        Holder holder;
        if (file->getLockInfo(&holder.process, &holder.host, &holder.program)) {
            if (holder.host == QSysInfo::machineHostName())
                holder.host.clear();
            elsewhere_ = holder;
            return;
        }
        // It names nobody. Its writer locks it before writing it, and the removal takes that
        // lock first: one nobody holds was left by a window killed on the way, and goes.
        if (file->removeStaleLockFile())
            continue;
        if (QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()) <=
            UnnamedClaimMs) {
            elsewhere_ = holder; // being written this moment: someone is opening it
            return;
        }
    }
}

ConfigClaim::~ConfigClaim() {
    if (!file_)
        return;
    const QString path = file_->fileName();
    file_.reset();
#ifdef Q_OS_UNIX
    // A folder renamed while it was open keeps its claim file under the new name: it goes
    // through the folder itself, or the folder would look open for as long as this runs.
    if (folder_ >= 0) {
        if (!QFileInfo::exists(path))
            ::unlinkat(folder_, QFile::encodeName(QFileInfo(path).fileName()).constData(), 0);
        ::close(folder_);
    }
#endif
}
