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

namespace {

QString tooLargeReason(qint64 size, const Limit& limit) {
    return QStringLiteral("%1 bytes is far more than %2 can hold")
        .arg(size)
        .arg(QLatin1String(limit.holder));
}

} // namespace

QString tooLarge(const QString& fileName, qint64 size, const Limit& limit) {
    return fileName + QStringLiteral(": ") + tooLargeReason(size, limit);
}

namespace {

// Opens only a regular file. A FIFO opened for reading would wait for a writer, so the file
// is opened without waiting and looked at before anything is read.
bool openRegular(QFile& file, const QString& path, QString& error) {
    const QString notRegular = QStringLiteral("not a regular file");
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = QString::fromLocal8Bit(::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = notRegular;
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = file.errorString();
        return false;
    }
    return true;
#else
    if (!QFileInfo(path).isFile()) {
        error = QFileInfo::exists(path) ? notRegular : QStringLiteral("no such file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    return true;
#endif
}

} // namespace

Result read(const QString& path, const Limit& limit) {
    Result result;
    const auto failed = [&result, &path](const QString& reason) {
        result.reason = reason;
        result.error = QFileInfo(path).fileName() + QStringLiteral(": ") + reason;
        return result;
    };
    QFile file;
    QString reason;
    if (!openRegular(file, path, reason))
        return failed(reason);
    const qint64 size = file.size();
    if (size > limit.bytes)
        return failed(tooLargeReason(size, limit));
    // Room for the size found plus one byte, so a file that grew shows; the buffer grows
    // only for such a file and never beyond the limit plus one.
    QByteArray bytes(qsizetype(size + 1), Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0)
            return failed(file.errorString());
        if (n == 0)
            break;
        got += n;
        if (got > limit.bytes)
            return failed(tooLargeReason(std::max(file.size(), got), limit));
        if (got == bytes.size())
            bytes.resize(qsizetype(std::min(2 * got, limit.bytes + 1)));
    }
    bytes.truncate(qsizetype(got));
    result.bytes = std::move(bytes);
    return result;
}

} // namespace BoundedFile
