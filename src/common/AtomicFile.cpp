#include "common/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace FileName {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at `i`, or 0 (overlong forms, surrogates and values above
// U+10FFFF are not valid).
qsizetype utf8Length(const QByteArray& bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes.at(k)); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

bool isEscape(QChar c) {
    return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF;
}

} // namespace

QByteArray toBytes(const QString& path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c.isHighSurrogate() && i + 1 < path.size() && path.at(i + 1).isLowSurrogate()) {
            bytes += QStringView(path).mid(i, 2).toUtf8();
            ++i;
        } else if (isEscape(c)) {
            bytes += char(c.unicode() - EscapeBase);
        } else {
            bytes += QStringView(&c, 1).toUtf8();
        }
    }
    return bytes;
}

QString fromBytes(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = utf8Length(bytes, i);
        if (length == 0) {
            path += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes.at(i))));
            ++i;
        } else {
            path += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return path;
}

QString shown(const QString& path) {
    QString resolved = path;
#ifdef Q_OS_LINUX
    if (path.startsWith(QStringLiteral("/proc/self/fd/"))) {
        char target[4096];
        const ssize_t n = ::readlink(toBytes(path).constData(), target, sizeof target);
        if (n > 0)
            resolved = fromBytes(QByteArray(target, qsizetype(n)));
    }
#endif
    QString text;
    for (const QChar c : std::as_const(resolved)) {
        if (isEscape(c))
            text += QStringLiteral("\\x") + QString::number(c.unicode() - EscapeBase, 16).toUpper();
        else
            text += c;
    }
    return QDir::toNativeSeparators(text);
}

} // namespace FileName

namespace AtomicFile {

namespace {

const QString TempEnd = QStringLiteral(".tmp");
constexpr int RandomLength = 6;
// Keeps ".NAME-XXXXXX.tmp" within the system's limit of 255 bytes for a name.
constexpr int MaxNameInTemporary = 200;

// As the shell says it: the file, then the system's reason.
QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("%1: %2").arg(FileName::shown(path), reason);
}

QString temporaryStart(const QString& target) {
    const QByteArray bytes = FileName::toBytes(target);
    return QLatin1Char('.') +
           FileName::fromBytes(bytes.size() > MaxNameInTemporary ? bytes.left(MaxNameInTemporary)
                                                                 : bytes) +
           QLatin1Char('-');
}

QString randomPart() {
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString part;
    for (int i = 0; i < RandomLength; ++i)
        part += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return part;
}

} // namespace

QString temporaryName(const QString& target) {
    return temporaryStart(target) + randomPart() + TempEnd;
}

bool isTemporaryOf(const QString& fileName, const QString& target) {
    const QString start = temporaryStart(target);
    if (!fileName.startsWith(start) || !fileName.endsWith(TempEnd) ||
        fileName.size() != start.size() + RandomLength + TempEnd.size())
        return false;
    for (const QChar c : QStringView(fileName).mid(start.size(), RandomLength)) {
        if (!(c.isDigit() || (c.unicode() < 128 && c.isLetter())))
            return false;
    }
    return true;
}

QString systemReason(int error) {
#ifdef Q_OS_UNIX
    const char* text = ::strerror(error);
    if (text && std::strncmp(text, "Unknown error", 13) != 0)
        return QString::fromLocal8Bit(text);
#endif
    return QStringLiteral("system error %1").arg(error);
}

#ifdef Q_OS_UNIX

namespace {

QString parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return FileName::fromBytes(path.left(slash));
}

QString leafOf(const QByteArray& path) {
    return FileName::fromBytes(path.mid(path.lastIndexOf('/') + 1));
}

bool isReadOnly(const struct stat& info, const QByteArray& path) {
    // Root may write anything; a file without any write bit was protected on purpose.
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::access(path.constData(), W_OK) != 0;
}

QString kindRefusal(const QString& path, const struct stat& info) {
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is a folder").arg(FileName::shown(path));
    return QStringLiteral("%1 is not a regular file").arg(FileName::shown(path));
}

QString readOnlyRefusal(const QString& path) {
    return QStringLiteral("%1 is read-only; it is left as it is").arg(FileName::shown(path));
}

// Follows symbolic links at the end of the path as the system would when opening it; the last
// name may not exist yet.
QString resolveLinks(const QByteArray& given, QByteArray& resolved) {
    resolved = given;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(resolved.constData(), &info) != 0)
            return errno == ENOENT ? QString()
                                   : cannotWrite(FileName::fromBytes(given), systemReason(errno));
        if (!S_ISLNK(info.st_mode))
            return {};
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(resolved.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return cannotWrite(FileName::fromBytes(given), systemReason(errno));
        target.truncate(qsizetype(n));
        if (target.startsWith('/'))
            resolved = target;
        else
            resolved = FileName::toBytes(parentOf(resolved)) + '/' + target;
    }
    return cannotWrite(FileName::fromBytes(given), systemReason(ELOOP));
}

// The same file or, where it does not exist yet, the same name in the same folder.
QByteArray identity(const QByteArray& path) {
    struct stat info {};
    if (::stat(path.constData(), &info) == 0)
        return QByteArray::number(qulonglong(info.st_dev)) + ':' +
               QByteArray::number(qulonglong(info.st_ino));
    const QByteArray folder = FileName::toBytes(parentOf(path));
    char* real = ::realpath(folder.constData(), nullptr);
    if (!real)
        return "name:" + path;
    QByteArray result = "name:" + QByteArray(real) + '/' + FileName::toBytes(leafOf(path));
    ::free(real);
    return result;
}

// The folder that holds `path`, with every link in it resolved; empty when it cannot be.
QByteArray realFolderOf(const QByteArray& path) {
    char* real = ::realpath(FileName::toBytes(parentOf(path)).constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    ::free(real);
    return result;
}

// Whether `folder` (resolved) is `reserved` or lies inside it, when `reserved` is a folder.
bool isWithin(const QByteArray& folder, const QByteArray& reserved) {
    struct stat info {};
    if (folder.isEmpty() || ::stat(reserved.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    char* real = ::realpath(reserved.constData(), nullptr);
    if (!real)
        return false;
    const QByteArray top(real);
    ::free(real);
    return folder == top || folder.startsWith(top.endsWith('/') ? top : top + '/');
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// A new file at `path` with the bytes on disk; the mode and owner of `like` when it exists.
// Returns an errno, 0 on success. On failure the new file is removed.
int createComplete(const QByteArray& path, const QByteArray& bytes, const QByteArray& like,
                   bool lock, int* keptFd = nullptr) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    if (lock) {
        // The lock tells a cleaner that this one is alive. Until it is taken, another writer's
        // clean-up may have locked and unlinked the new file: then it is given up for a new name.
        struct stat self {};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &self) != 0 || self.st_nlink == 0) {
            ::close(fd);
            return EEXIST;
        }
    }
    int error = 0;
    struct stat old {};
    if (!like.isEmpty() && ::stat(like.constData(), &old) == 0) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            error = errno;
        if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
            (void)::fchown(fd, old.st_uid, old.st_gid); // keep a user's file theirs
    }
    if (error == 0 && !writeAll(fd, bytes))
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (keptFd && error == 0) {
        *keptFd = fd;
        return 0;
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.constData());
    return error;
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(FileName::toBytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd); // the rename is done; some file systems cannot sync a folder
        ::close(fd);
    }
}

QString replace(const QString& shownPath, const QByteArray& target, const QByteArray& bytes) {
    const QString folder = parentOf(target);
    const QString leaf = leafOf(target);
    const QByteArray folderBytes = FileName::toBytes(folder);
    QByteArray temporary;
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temporary = folderBytes + '/' + FileName::toBytes(temporaryName(leaf));
        error = createComplete(temporary, bytes, target, true, &fd);
    }
    if (error != 0)
        return cannotWrite(shownPath, systemReason(error));
    // Its own temporary is locked before it cleans, and stays locked until renamed: a writer
    // beside it never takes it for one a killed process left.
    removeStaleTemporaries(folder, leaf);
    if (::rename(temporary.constData(), target.constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        ::close(fd);
        return cannotWrite(shownPath, systemReason(error));
    }
    (void)::close(fd); // written and synced already; the name is the file's now
    syncFolder(folder);
    return {};
}

} // namespace

QString workspaceRefusal(const QString& path) {
    const QByteArray bytes = FileName::toBytes(path);
    struct stat info {};
    if (::lstat(bytes.constData(), &info) != 0)
        return errno == ENOENT ? QString() : cannotWrite(path, systemReason(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link; the program writes only its own files")
            .arg(FileName::shown(path));
    if (!S_ISREG(info.st_mode))
        return kindRefusal(path, info);
    if (isReadOnly(info, bytes))
        return readOnlyRefusal(path);
    return {};
}

void removeStaleTemporaries(const QString& folder, const QString& target) {
    const QByteArray folderBytes = FileName::toBytes(folder);
    DIR* dir = ::opendir(folderBytes.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!isTemporaryOf(FileName::fromBytes(name), target))
            continue;
        const int fd =
            ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // A running writer holds its temporary locked.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

QString writeComplete(const QString& path, const QByteArray& bytes, const QString& like) {
    const int error =
        createComplete(FileName::toBytes(path), bytes,
                       like.isEmpty() ? QByteArray() : FileName::toBytes(like), false);
    return error == 0 ? QString() : systemReason(error);
}

} // namespace AtomicFile

QString writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (const QString why = AtomicFile::workspaceRefusal(path); !why.isEmpty())
        return why;
    return AtomicFile::replace(path, FileName::toBytes(path), bytes);
}

QString writeUserFile(const QString& path, const QByteArray& bytes, const QStringList& reserved) {
    using namespace AtomicFile;
    QByteArray target;
    if (const QString error = resolveLinks(FileName::toBytes(path), target); !error.isEmpty())
        return error;
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return kindRefusal(path, info);
        if (isReadOnly(info, target))
            return readOnlyRefusal(path);
    }
    const QByteArray self = identity(target);
    const QByteArray within = realFolderOf(target);
    for (const QString& own : reserved) {
        const QByteArray ownBytes = FileName::toBytes(own);
        if (identity(ownBytes) == self || isWithin(within, ownBytes))
            return QStringLiteral("%1 is one of the configuration's own files; choose another name")
                .arg(FileName::shown(path));
    }
    return replace(path, target, bytes);
}

#else // not Q_OS_UNIX: Qt's own replacement, with the same checks as far as Qt can see them

namespace AtomicFile {

QString workspaceRefusal(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return QStringLiteral("%1 is a symbolic link; the program writes only its own files")
            .arg(FileName::shown(path));
    if (!info.exists())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(FileName::shown(path));
    if (!info.isWritable())
        return QStringLiteral("%1 is read-only; it is left as it is").arg(FileName::shown(path));
    return {};
}

void removeStaleTemporaries(const QString&, const QString&) {}

QString writeComplete(const QString& path, const QByteArray& bytes, const QString&) {
    QFile file(path);
    if (!file.open(QIODevice::NewOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.remove();
        return reason;
    }
    return {};
}

} // namespace AtomicFile

namespace {

QString saveWithQt(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("%1: %2").arg(FileName::shown(path), reason);
    }
    if (!file.commit())
        return QStringLiteral("%1: %2").arg(FileName::shown(path), file.errorString());
    return {};
}

} // namespace

QString writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (const QString why = AtomicFile::workspaceRefusal(path); !why.isEmpty())
        return why;
    return saveWithQt(path, bytes);
}

QString writeUserFile(const QString& path, const QByteArray& bytes, const QStringList& reserved) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(FileName::shown(path));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    for (const QString& own : reserved) {
        const QString ownPath = QFileInfo(own).canonicalFilePath();
        const bool within = QFileInfo(own).isDir() && !folder.isEmpty() && !ownPath.isEmpty() &&
                            (folder == ownPath || folder.startsWith(ownPath + QLatin1Char('/')));
        if (within || (!info.canonicalFilePath().isEmpty() && info.canonicalFilePath() == ownPath))
            return QStringLiteral("%1 is one of the configuration's own files; choose another name")
                .arg(FileName::shown(path));
    }
    return saveWithQt(info.isSymLink() ? info.symLinkTarget() : path, bytes);
}

#endif
