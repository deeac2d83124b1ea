#include "core/platform/WinePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace WinePaths {

namespace {

struct Drive {
    QChar letter;
    QString root; // canonical folder, without a trailing separator except "/"
};

QList<Drive> drives(const QString& prefixDir) {
    const QDir devices(QDir(prefixDir).filePath(QStringLiteral("dosdevices")));
    if (!devices.exists())
        return {{QLatin1Char('Z'), QStringLiteral("/")}};
    QList<Drive> found;
    const QFileInfoList entries =
        devices.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.size() != 2 || name[1] != QLatin1Char(':') || !name[0].isLetter())
            continue;
        const QString root = entry.canonicalFilePath(); // follows the link; empty if dangling
        if (!root.isEmpty() && QFileInfo(root).isDir())
            found.append({name[0].toUpper(), root});
    }
    return found;
}

// The path with its links resolved as far as it exists, so it compares with the drive roots.
QString canonical(const QString& path) {
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return QDir::cleanPath(path);
        rest = existing.mid(slash) + rest;
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
    const QString resolved = QFileInfo(existing).canonicalFilePath();
    if (resolved.isEmpty())
        return QDir::cleanPath(path);
    return QDir::cleanPath(resolved + rest);
}

bool under(const QString& path, const QString& root) {
    if (root == QStringLiteral("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

QString prefix() {
    const QString set = qEnvironmentVariable("WINEPREFIX");
    if (!set.isEmpty())
        return set;
    return QDir(QDir::homePath()).filePath(QStringLiteral(".wine"));
}

QString windowsPath(const QString& prefixDir, const QString& path) {
    const bool trailing = path.endsWith(QLatin1Char('/')) && path.size() > 1;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString resolved = canonical(absolute);
    const QList<Drive> known = drives(prefixDir);
    const Drive* best = nullptr;
    QString matched;
    for (const QString& candidate : {absolute, resolved}) {
        for (const Drive& drive : known) {
            if (under(candidate, drive.root) && (!best || drive.root.size() > best->root.size())) {
                best = &drive;
                matched = candidate;
            }
        }
    }
    QString windows;
    if (best) {
        const QString rest =
            best->root == QStringLiteral("/") ? matched.mid(1) : matched.mid(best->root.size() + 1);
        windows = QString(best->letter) + QStringLiteral(":\\") + rest;
    } else {
        windows = QStringLiteral("\\\\?\\unix") + absolute;
    }
    windows.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (trailing && !windows.endsWith(QLatin1Char('\\')))
        windows += QLatin1Char('\\');
    return windows;
}

} // namespace WinePaths
