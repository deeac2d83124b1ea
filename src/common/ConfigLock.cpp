#include "common/ConfigLock.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSysInfo>
#include <QThread>
#include <map>
#include <memory>

namespace {

struct Held {
    std::unique_ptr<QLockFile> file;
    int count = 0;
};

QMutex& registryMutex() {
    static QMutex mutex;
    return mutex;
}

std::map<QString, Held>& registry() {
    static std::map<QString, Held> held;
    return held;
}

QString holderText(const QString& folder, QLockFile& file) {
    qint64 pid = 0;
    QString host;
    QString program;
    if (!file.getLockInfo(&pid, &host, &program))
        return QStringLiteral("%1 is being changed by another program; nothing was changed, try "
                              "again when it has finished")
            .arg(FileName::shown(folder));
    if (program.isEmpty())
        program = QStringLiteral("another program");
    return QStringLiteral("%1 is being changed by %2 (%3); nothing was changed, try again when "
                          "it has finished")
        .arg(FileName::shown(folder), program, ConfigLock::holderPlace(pid, host));
}

std::unique_ptr<QLockFile> makeLock(const QString& canonical) {
    auto file =
        std::make_unique<QLockFile>(QDir(canonical).filePath(QLatin1String(ConfigLock::FileName)));
    // Only a holder that is gone makes a lock stale: a window may hold one for hours.
    file->setStaleLockTime(0);
    return file;
}

} // namespace

QString ConfigLock::holderPlace(qint64 process, const QString& host) {
    QString where = QStringLiteral("process %1").arg(process);
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        where += QStringLiteral(" on %1").arg(host);
    return where;
}

ConfigLock::ConfigLock(const QString& folder, int waitMs) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir())
        return;
    QMutexLocker locker(&registryMutex());
    auto found = registry().find(canonical);
    if (found != registry().end()) {
        ++found->second.count;
        key_ = canonical;
        return;
    }
    std::unique_ptr<QLockFile> file = makeLock(canonical);
    // Waits in small steps so that a holder in this process (another thread) is not blocked
    // out of the registry meanwhile.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (file->tryLock(0))
            break;
        if (file->error() != QLockFile::LockFailedError)
            return; // the folder takes no new file: the write says so itself
        // A holder killed while it wrote the lock file leaves one that names nobody. A live
        // one locks the file before it writes it, and the removal takes that lock first: so
        // only a file nobody holds goes, at once.
        qint64 pid = 0;
        QString host;
        QString program;
        if (!file->getLockInfo(&pid, &host, &program) && file->removeStaleLockFile())
            continue;
        if (waited.elapsed() >= waitMs) {
            error_ = holderText(folder, *file);
            return;
        }
        locker.unlock();
        QThread::msleep(20);
        locker.relock();
        found = registry().find(canonical);
        if (found != registry().end()) {
            ++found->second.count;
            key_ = canonical;
            return;
        }
    }
    registry().emplace(canonical, Held{std::move(file), 1});
    key_ = canonical;
}

ConfigLock::~ConfigLock() {
    if (key_.isEmpty())
        return;
    QMutexLocker locker(&registryMutex());
    auto found = registry().find(key_);
    if (found != registry().end() && --found->second.count == 0)
        registry().erase(found); // unlocks and removes the lock file
}
