#include "cli/Arguments.h"

#include "common/AtomicFile.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Cli {

QString argumentFromBytes(const QByteArray& word) {
    const QString text = QFile::decodeName(word);
#ifdef Q_OS_LINUX
    if (QFile::encodeName(text) != word) {
        // O_PATH opens without reading anything: a FIFO does not block, a folder is fine.
        const int fd = ::open(word.constData(), O_PATH | O_CLOEXEC);
        if (fd >= 0)
            return QStringLiteral("/proc/self/fd/%1").arg(fd);
        return FileName::fromBytes(word);
    }
#endif
    return text;
}

QStringList commandArguments(int argc, char* argv[]) {
#ifdef Q_OS_LINUX
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words.append(argumentFromBytes(QByteArray(argv[i])));
    return words;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
#endif
}

} // namespace Cli
