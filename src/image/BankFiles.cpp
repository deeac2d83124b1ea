#include "image/BankFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {

const QString BinFolder = QStringLiteral("bin");
const QString BankName = QStringLiteral("bank.bin");
const QString Bank2Name = QStringLiteral("bank2.bin");

// ".bank.bin-XXXXXX.tmp": hidden, and never the name of anything a user keeps.
const QString TempPrefix = QStringLiteral(".");
const QString TempSuffix = QStringLiteral(".tmp");

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool isLink(const QFileInfo& info) {
#ifdef Q_OS_WIN
    return info.isSymLink() || info.isJunction();
#else
    return info.isSymLink();
#endif
}

// A read-only image is the user's choice; root would otherwise write through it.
bool isReadOnly(const QFileInfo& info) {
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

// Why an existing image may not be replaced; empty when it may (or does not exist).
QString refusal(const QString& path) {
    const QFileInfo info(path);
    if (isLink(info))
        return QStringLiteral("%1 is a symbolic link; the images are written only into the "
                              "configuration's own bin folder")
            .arg(shown(path));
    if (!info.exists())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(shown(path));
    if (isReadOnly(info))
        return QStringLiteral("%1 is read-only").arg(shown(path));
    return {};
}

// Leftovers of a process killed while it wrote; only our own names, only regular files.
void removeStaleTemporaries(const QDir& bin) {
    const QFileInfoList entries =
        bin.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        if (isBankTemporary(entry.fileName()) && !isLink(entry))
            QFile::remove(entry.filePath());
    }
}

bool syncToDisk(QFileDevice& file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return true;
#endif
}

// One image in its temporary file beside the target. The file is removed when this object
// goes away: unless it was renamed into place, or after an exchange, when the temporary name
// holds the old image.
struct Staged {
    QString target;
    std::unique_ptr<QTemporaryFile> file;
    bool exchanged = false;
};

QString stage(const QDir& bin, const QString& name, const QByteArray& bytes, Staged& staged) {
    staged.target = bin.filePath(name);
    staged.file = std::make_unique<QTemporaryFile>(
        bin.filePath(TempPrefix + name + QStringLiteral("-XXXXXX") + TempSuffix));
    QTemporaryFile& file = *staged.file;
    if (!file.open())
        return QStringLiteral("Cannot create a temporary file in %1: %2")
            .arg(shown(bin.path()), file.errorString());
    const QFileInfo old(staged.target);
    const QFile::Permissions permissions = old.exists() ? old.permissions()
                                                        : QFile::ReadOwner | QFile::WriteOwner |
                                                              QFile::ReadUser | QFile::WriteUser |
                                                              QFile::ReadGroup | QFile::ReadOther;
    file.setPermissions(permissions);
    if (file.write(bytes) != bytes.size() || !syncToDisk(file)) {
        const QString error = file.errorString();
        return QStringLiteral("Cannot write %1: %2").arg(shown(staged.target), error);
    }
    file.close();
    return {};
}

QString renameError(const Staged& staged, const QString& reason) {
    return QStringLiteral("Cannot replace %1: %2").arg(shown(staged.target), reason);
}

// Replaces the target by the staged file; the old file stays when this fails. Where the system
// can, the two names are exchanged: that is a few microseconds, while a rename over an existing
// file also frees the old one inside the call (milliseconds on a journalling file system),
// which would widen the window between the two images.
QString commit(Staged& staged) {
#ifdef Q_OS_LINUX
    if (QFileInfo::exists(staged.target)) {
        const QByteArray from = QFile::encodeName(staged.file->fileName());
        const QByteArray to = QFile::encodeName(staged.target);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) ==
            0) {
            staged.exchanged = true; // the temporary now holds the old image, removed later
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOENT)
            return renameError(staged, QString::fromLocal8Bit(::strerror(errno)));
    }
#endif
    std::error_code error;
    std::filesystem::rename(fsPath(staged.file->fileName()), fsPath(staged.target), error);
    if (error)
        return renameError(staged, QString::fromLocal8Bit(error.message()));
    staged.file->setAutoRemove(false); // its name is the image's now
    return {};
}

// Puts the old target back after a commit; true when it worked.
bool undo(Staged& staged) {
#ifdef Q_OS_LINUX
    if (staged.exchanged) {
        const QByteArray from = QFile::encodeName(staged.file->fileName());
        const QByteArray to = QFile::encodeName(staged.target);
        return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) ==
               0;
    }
#endif
    // There was no old image: the new one goes back to its temporary name, removed later.
    std::error_code error;
    std::filesystem::rename(fsPath(staged.target), fsPath(staged.file->fileName()), error);
    if (error)
        return false;
    staged.file->setAutoRemove(true);
    return true;
}

} // namespace

QString bankPath(const QString& projectDir) {
    return QDir(projectDir).filePath(BinFolder + QLatin1Char('/') + BankName);
}

QString bank2Path(const QString& projectDir) {
    return QDir(projectDir).filePath(BinFolder + QLatin1Char('/') + Bank2Name);
}

bool isBankTemporary(const QString& fileName) {
    if (!fileName.endsWith(TempSuffix))
        return false;
    for (const QString& name : {BankName, Bank2Name}) {
        const QString start = TempPrefix + name + QLatin1Char('-');
        if (fileName.startsWith(start) &&
            fileName.size() > start.size() + TempSuffix.size()) // the random part
            return true;
    }
    return false;
}

QString Write_Banks(const QString& projectDir, const CompiledBanks& banks) {
    if (projectDir.isEmpty())
        return QStringLiteral("No configuration folder to write the images into");
    const QString binPath = QDir(projectDir).filePath(BinFolder);
    const QFileInfo binInfo(binPath);
    if (isLink(binInfo))
        return QStringLiteral("%1 is a symbolic link; the images are written only into the "
                              "configuration's own bin folder")
            .arg(shown(binPath));
    if (binInfo.exists() && !binInfo.isDir())
        return QStringLiteral("%1 is not a folder").arg(shown(binPath));
    if (!binInfo.exists() && !QDir().mkpath(binPath))
        return QStringLiteral("Cannot create the folder %1").arg(shown(binPath));
    const QDir bin(binPath);
    removeStaleTemporaries(bin);

    // Nothing is written unless both targets may be replaced.
    for (const QString& name : {BankName, Bank2Name}) {
        if (const QString why = refusal(bin.filePath(name)); !why.isEmpty())
            return QStringLiteral("Cannot write the images: %1").arg(why);
    }

    Staged first;
    Staged second;
    if (QString error = stage(bin, BankName, banks.bank, first); !error.isEmpty())
        return error;
    if (QString error = stage(bin, Bank2Name, banks.bank2, second); !error.isEmpty())
        return error;

    // Both images are complete on disk. The one window left is between these two renames: a
    // process killed there leaves the new bank.bin beside the old bank2.bin (and the staged
    // bank2.bin, which the next Write_Banks removes). Two names cannot be replaced as one. A
    // second rename that fails puts the old bank.bin back.
    if (QString error = commit(first); !error.isEmpty())
        return error;
    if (QString error = commit(second); !error.isEmpty()) {
        if (undo(first))
            return error;
        return error + QStringLiteral(" (bank.bin was already replaced; do not update the "
                                      "device with this pair)");
    }
    return {};
}
