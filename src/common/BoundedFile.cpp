#include "common/BoundedFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace BoundedFile {

QString tooLarge(const QString& fileName, qint64 size, const Limit& limit) {
    return QStringLiteral("%1: %2 bytes is far more than %3 can hold")
        .arg(fileName)
        .arg(size)
        .arg(QLatin1String(limit.holder));
}

namespace {

QString notRegular(const QString& fileName) {
    return QStringLiteral("%1: not a regular file").arg(fileName);
}

// Opens only a regular file. A FIFO opened for reading would wait for a writer, so the file
// is opened without waiting and looked at before anything is read.
bool openRegular(QFile& file, const QString& path, QString& error) {
    const QString name = QFileInfo(path).fileName();
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(::strerror(errno)));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = notRegular(name);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("%1: %2").arg(name, file.errorString());
        return false;
    }
    return true;
#else
    if (!QFileInfo(path).isFile()) {
        error = QFileInfo::exists(path) ? notRegular(name)
                                        : QStringLiteral("%1: no such file").arg(name);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(name, file.errorString());
        return false;
    }
    return true;
#endif
}

} // namespace

Result read(const QString& path, const Limit& limit) {
    Result result;
    const QString name = QFileInfo(path).fileName();
    QFile file;
    if (!openRegular(file, path, result.error))
        return result;
    const qint64 size = file.size();
    if (size > limit.bytes) {
        result.error = tooLarge(name, size, limit);
        return result;
    }
    // Room for the size found plus one byte, so a file that grew shows; the buffer grows
    // only for such a file and never beyond the limit plus one.
    QByteArray bytes(qsizetype(size + 1), Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            result.error = QStringLiteral("%1: %2").arg(name, file.errorString());
            return result;
        }
        if (n == 0)
            break;
        got += n;
        if (got > limit.bytes) {
            result.error = tooLarge(name, std::max(file.size(), got), limit);
            return result;
        }
        if (got == bytes.size())
            bytes.resize(qsizetype(std::min(2 * got, limit.bytes + 1)));
    }
    bytes.truncate(qsizetype(got));
    result.bytes = std::move(bytes);
    return result;
}

} // namespace BoundedFile
