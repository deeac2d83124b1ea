#include "core/image/BankFiles.h"

#include "common/AtomicFile.h"
#include "common/ConfigLock.h"
#include "core/comm/ParGenXml.h"
#include "core/image/ImageSources.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString BinFolder = QStringLiteral("bin");
const QString BankName = QStringLiteral("bank.bin");
const QString Bank2Name = QStringLiteral("bank2.bin");
const QString SourcesName = QLatin1String(ImageSources::RecordName);

using FileName::shown;

std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(FileName::toBytes(path).toStdString());
#endif
}

void removeTree(const QString& path) {
    std::error_code ignored;
    std::filesystem::remove_all(fsPath(path), ignored);
}

QString refused(const QString& why) {
    return QStringLiteral("Cannot write the images: %1").arg(why);
}

// --- Each image on its own: temporaries in bin, renamed one after the other ----------------

// One image in its temporary file beside the target. The temporary is removed when this object
// goes away, unless it was renamed into place; after an exchange it holds the old image.
struct Staged {
    QString target;
    QString temporary;
    bool placed = false;
    bool exchanged = false;
    Staged() = default;
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;
    ~Staged() {
        if (!temporary.isEmpty() && !placed)
            QFile::remove(temporary);
    }
};

QString stage(const QDir& bin, const QString& name, const QByteArray& bytes, Staged& staged) {
    staged.target = bin.filePath(name);
    staged.temporary = bin.filePath(AtomicFile::temporaryName(name));
    if (const QString reason = AtomicFile::writeComplete(staged.temporary, bytes, staged.target);
        !reason.isEmpty()) {
        staged.temporary.clear(); // nothing was left
        return QStringLiteral("Cannot write %1: %2").arg(shown(staged.target), reason);
    }
    return {};
}

QString renameError(const Staged& staged, const QString& reason) {
    return QStringLiteral("Cannot replace %1: %2").arg(shown(staged.target), reason);
}

// Replaces the target by the staged file; the old file stays when this fails. Where the system
// can, the two names are exchanged: a few microseconds, while a rename over an existing file
// also frees the old one inside the call.
QString commit(Staged& staged) {
#ifdef Q_OS_LINUX
    if (QFileInfo::exists(staged.target)) {
        const QByteArray from = FileName::toBytes(staged.temporary);
        const QByteArray to = FileName::toBytes(staged.target);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) ==
            0) {
            staged.exchanged = true; // the temporary now holds the old image, removed later
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOENT)
            return renameError(staged, AtomicFile::systemReason(errno));
    }
#endif
    std::error_code error;
    std::filesystem::rename(fsPath(staged.temporary), fsPath(staged.target), error);
    if (error)
        return renameError(staged, QString::fromLocal8Bit(error.message()));
    staged.placed = true; // its name is the image's now
    return {};
}

// Puts the old target back after a commit; true when it worked.
bool undo(Staged& staged) {
#ifdef Q_OS_LINUX
    if (staged.exchanged) {
        const QByteArray from = FileName::toBytes(staged.temporary);
        const QByteArray to = FileName::toBytes(staged.target);
        return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) ==
               0;
    }
#endif
    // There was no old image: the new one goes back to its temporary name, removed later.
    std::error_code error;
    std::filesystem::rename(fsPath(staged.target), fsPath(staged.temporary), error);
    if (error)
        return false;
    staged.placed = false;
    return true;
}

QString writeEachImage(const QDir& bin, const CompiledBanks& banks) {
    Staged first;
    Staged second;
    Staged record;
    if (QString error = stage(bin, BankName, banks.bank, first); !error.isEmpty())
        return error;
    if (QString error = stage(bin, Bank2Name, banks.bank2, second); !error.isEmpty())
        return error;
    if (!banks.sources.isEmpty()) {
        if (QString error = stage(bin, SourcesName, banks.sources, record); !error.isEmpty())
            return error;
    }
    // Without the exchange the images change one by one: the old record goes first, so that
    // images caught half-way are never taken for matching ones.
    if (QFileInfo::exists(bin.filePath(SourcesName)) && !QFile::remove(bin.filePath(SourcesName)))
        return QStringLiteral("Cannot replace %1").arg(shown(bin.filePath(SourcesName)));
    // Both images are complete on disk. A process killed between these two renames leaves the
    // new bank.bin beside the old bank2.bin; only the exchange of the folder avoids that. A
    // second rename that fails puts the old bank.bin back.
    if (QString error = commit(first); !error.isEmpty())
        return error;
    if (QString error = commit(second); !error.isEmpty()) {
        if (undo(first))
            return error;
        return error + QStringLiteral(" (bank.bin was already replaced; do not update the "
                                      "device with this pair)");
    }
    if (!banks.sources.isEmpty())
        return commit(record); // without it the images are "not known to match"
    return {};
}

// --- Both images at once: a new folder that takes bin's place ------------------------------

#ifdef Q_OS_LINUX

enum class Exchange { Done, NotPossible, Failed };

class FolderHandle {
public:
    explicit FolderHandle(const QString& path)
        : fd_(::open(FileName::toBytes(path).constData(),
                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {}
    ~FolderHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Folders a killed compile left beside bin: its new folder, or the old bin after the exchange.
// A folder that a running compile holds locked stays.
void removeStaleFolders(const QString& projectDir) {
    const QFileInfoList entries =
        QDir(projectDir)
            .entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!isBinTemporary(entry.fileName()) || entry.isSymLink())
            continue;
        const FolderHandle folder(entry.filePath());
        if (folder.fd() >= 0 && ::flock(folder.fd(), LOCK_EX | LOCK_NB) == 0)
            removeTree(entry.filePath());
    }
}

// The names in bin besides the images and their temporaries; false when one is a folder,
// which cannot be linked into the new folder.
bool carriedNames(const QString& binPath, QList<QByteArray>& names) {
    DIR* dir = ::opendir(FileName::toBytes(binPath).constData());
    if (!dir)
        return false;
    bool linkable = true;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QString text = FileName::fromBytes(name);
        if (text == BankName || text == Bank2Name || text == SourcesName || isBankTemporary(text))
            continue; // written anew
        struct stat info {};
        if (::fstatat(::dirfd(dir), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            S_ISDIR(info.st_mode)) {
            linkable = false;
            break;
        }
        names.append(name);
    }
    ::closedir(dir);
    return linkable;
}

bool cannotExchangeHere(int error) {
    return error == EINVAL || error == ENOSYS || error == EXDEV || error == EOPNOTSUPP ||
           error == ENOTSUP;
}

Exchange exchangeFolder(const QString& projectDir, const QString& binPath,
                        const CompiledBanks& banks, QString& error) {
    struct stat binInfo {};
    const bool binExists = ::lstat(FileName::toBytes(binPath).constData(), &binInfo) == 0;
    QList<QByteArray> carried;
    if (binExists && !carriedNames(binPath, carried))
        return Exchange::NotPossible;

    // The new folder is locked before anything is put in it. Until then another compile's
    // clean-up may take it for one a killed compile left and remove it: then a new name is
    // taken.
    QString newPath;
    // Held by pointer: GCC's optimiser takes an optional's destructor for a read of nothing.
    std::unique_ptr<FolderHandle> locked;
    for (int attempt = 0; attempt < 100 && !locked; ++attempt) {
        newPath = QDir(projectDir).filePath(AtomicFile::temporaryName(BinFolder));
        // A new bin gets the mode the system gives new folders; a replaced one keeps its own.
        if (::mkdir(FileName::toBytes(newPath).constData(), binExists ? 0700 : 0777) != 0) {
            if (errno == EEXIST)
                continue;
            return Exchange::NotPossible;
        }
        locked = std::make_unique<FolderHandle>(newPath);
        struct stat self {};
        if (locked->fd() < 0 || ::flock(locked->fd(), LOCK_EX | LOCK_NB) != 0 ||
            ::fstat(locked->fd(), &self) != 0 || self.st_nlink == 0)
            locked.reset();
    }
    if (!locked)
        return Exchange::NotPossible;
    const QByteArray newBytes = FileName::toBytes(newPath);
    const FolderHandle& folder = *locked;
    if (binExists) {
        const FolderHandle bin(binPath);
        for (const QByteArray& name : std::as_const(carried)) {
            if (bin.fd() < 0 ||
                ::linkat(bin.fd(), name.constData(), folder.fd(), name.constData(), 0) != 0) {
                removeTree(newPath);
                return Exchange::NotPossible;
            }
        }
    }
    const QDir oldBin(binPath);
    QList<std::pair<QString, QByteArray>> files{{BankName, banks.bank}, {Bank2Name, banks.bank2}};
    if (!banks.sources.isEmpty())
        files.append({SourcesName, banks.sources});
    for (const auto& [name, bytes] : std::as_const(files)) {
        const QString reason =
            AtomicFile::writeComplete(QDir(newPath).filePath(name), bytes, oldBin.filePath(name));
        if (!reason.isEmpty()) {
            removeTree(newPath);
            error = QStringLiteral("Cannot write %1: %2").arg(shown(oldBin.filePath(name)), reason);
            return Exchange::Failed;
        }
    }
    if (binExists) {
        (void)::fchmod(folder.fd(), binInfo.st_mode & 07777);
        if (::geteuid() == 0 && (binInfo.st_uid != 0 || binInfo.st_gid != 0))
            (void)::fchown(folder.fd(), binInfo.st_uid, binInfo.st_gid);
    }
    if (::fsync(folder.fd()) != 0) {
        error = QStringLiteral("Cannot write %1: %2")
                    .arg(shown(binPath), AtomicFile::systemReason(errno));
        removeTree(newPath);
        return Exchange::Failed;
    }

    const QByteArray binBytes = FileName::toBytes(binPath);
    const int moved = binExists ? ::renameat2(AT_FDCWD, newBytes.constData(), AT_FDCWD,
                                              binBytes.constData(), RENAME_EXCHANGE)
                                : ::renameat2(AT_FDCWD, newBytes.constData(), AT_FDCWD,
                                              binBytes.constData(), RENAME_NOREPLACE);
    if (moved != 0) {
        const int why = errno;
        removeTree(newPath);
        if (cannotExchangeHere(why))
            return Exchange::NotPossible;
        error = QStringLiteral("Cannot replace %1: %2")
                    .arg(shown(binPath), AtomicFile::systemReason(why));
        return Exchange::Failed;
    }
    const FolderHandle parent(projectDir);
    if (parent.fd() >= 0)
        (void)::fsync(parent.fd()); // the exchange is done; this only makes it durable sooner
    if (binExists)
        removeTree(newPath); // the old bin, under the new folder's name now
    return Exchange::Done;
}

#endif

} // namespace

QString bankPath(const QString& projectDir) {
    return QDir(projectDir).filePath(BinFolder + QLatin1Char('/') + BankName);
}

QString bank2Path(const QString& projectDir) {
    return QDir(projectDir).filePath(BinFolder + QLatin1Char('/') + Bank2Name);
}

QStringList configurationFiles(const QString& projectDir) {
    const QDir dir(projectDir);
    return {dir.filePath(QLatin1String(MBusXml::FileName)),
            dir.filePath(QLatin1String(ParGenXml::FileName)),
            bankPath(projectDir),
            bank2Path(projectDir),
            dir.filePath(BinFolder),
            dir.filePath(QStringLiteral("history"))};
}

bool isBankTemporary(const QString& fileName) {
    return AtomicFile::isTemporaryOf(fileName, BankName) ||
           AtomicFile::isTemporaryOf(fileName, Bank2Name) ||
           AtomicFile::isTemporaryOf(fileName, SourcesName);
}

bool isBinTemporary(const QString& fileName) {
    return AtomicFile::isTemporaryOf(fileName, BinFolder);
}

QString writeBanks(const QString& projectDir, const CompiledBanks& banks) {
    if (projectDir.isEmpty())
        return QStringLiteral("No configuration folder to write the images into");
    const QString binPath = QDir(projectDir).filePath(BinFolder);
    const QFileInfo binInfo(binPath);
    if (binInfo.isSymLink())
        return QStringLiteral("%1 is a symbolic link; the images are written only into the "
                              "configuration's own bin folder")
            .arg(shown(binPath));
    if (binInfo.exists() && !binInfo.isDir())
        return QStringLiteral("%1 is not a folder").arg(shown(binPath));
    const QDir bin(binPath);
    const ConfigLock lock(projectDir);
    if (!lock.ok())
        return lock.error();

    // Nothing is written unless both targets may be replaced.
    for (const QString& name : {BankName, Bank2Name}) {
        if (const QString why = AtomicFile::workspaceRefusal(bin.filePath(name)); !why.isEmpty())
            return refused(why);
    }
#ifdef Q_OS_UNIX
    if (binInfo.exists() && ::access(FileName::toBytes(binPath).constData(), W_OK) != 0)
        return refused(
            QStringLiteral("%1: %2").arg(shown(binPath), AtomicFile::systemReason(errno)));
#endif

#ifdef Q_OS_LINUX
    removeStaleFolders(projectDir);
    if (binInfo.exists()) {
        AtomicFile::removeStaleTemporaries(binPath, BankName);
        AtomicFile::removeStaleTemporaries(binPath, Bank2Name);
        AtomicFile::removeStaleTemporaries(binPath, SourcesName);
    }
    QString error;
    switch (exchangeFolder(projectDir, binPath, banks, error)) {
    case Exchange::Done:
        return {};
    case Exchange::Failed:
        return error;
    case Exchange::NotPossible:
        break;
    }
#endif
    if (!QFileInfo::exists(binPath) && !QDir().mkpath(binPath))
        return QStringLiteral("Cannot create the folder %1").arg(shown(binPath));
    AtomicFile::removeStaleTemporaries(binPath, BankName);
    AtomicFile::removeStaleTemporaries(binPath, Bank2Name);
    AtomicFile::removeStaleTemporaries(binPath, SourcesName);
    return writeEachImage(bin, banks);
}
