#include "common/Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace Workspace {

namespace {

QString clean(const QString& folder) {
    return folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
}

bool sameFolder(const QString& a, const QString& b) {
    return clean(a) == clean(b);
}

} // namespace

bool Layout::besideProgram() const {
    return sameFolder(workspace, programFolder);
}

bool canWriteIn(const QString& folder) {
    // Permission bits do not tell: a read-only mount, an immutable folder or an ACL refuse
    // too. Only a real file tells.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".ordano-probe-XXXXXX")));
    return probe.open();
}

Choice choose(const Request& request) {
    Choice choice;
    choice.layout.programFolder = clean(request.programFolder);
    choice.layout.dataFolder = clean(request.dataFolder);
    // An installed program keeps nothing beside itself, even for a user (root) who could
    // write there.
    const bool installed =
        !choice.layout.dataFolder.isEmpty() && QFileInfo(choice.layout.dataFolder).isDir();
    if (request.explicitWorkspace.isEmpty() && !installed &&
        request.writable(choice.layout.programFolder)) {
        choice.layout.workspace = choice.layout.programFolder;
        return choice;
    }
    const QString folder = clean(request.explicitWorkspace.isEmpty() ? request.userDataFolder
                                                                     : request.explicitWorkspace);
    choice.layout.workspace = folder;
    if (!request.create) {
        // Nothing is made, but what could never be a workspace (a file, a FIFO, a device, a
        // link that leads nowhere or in a loop) is refused as the configurator refuses it.
        const QFileInfo info(folder);
        if ((info.exists() || info.isSymLink()) && !info.isDir())
            choice.problem = Choice::Problem::CannotCreate;
        return choice;
    }
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        choice.problem = Choice::Problem::CannotCreate;
    else if (!request.writable(folder))
        choice.problem = Choice::Problem::CannotWrite;
    return choice;
}

QString installedDataFolder(const QString& programFolder) {
    return clean(QDir(programFolder).filePath(QStringLiteral(ORDANO_DATA_FROM_BIN)));
}

QString userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString installedPath(const Layout& layout, const QString& name) {
    for (const QString& folder : {layout.programFolder, layout.dataFolder}) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    const bool installed = !layout.dataFolder.isEmpty() && QFileInfo(layout.dataFolder).isDir();
    return QDir(installed ? layout.dataFolder : layout.programFolder).filePath(name);
}

QStringList languageFolders(const Layout& layout) {
    QStringList folders;
    for (const QString& base : {layout.workspace, layout.programFolder, layout.dataFolder}) {
        if (base.isEmpty())
            continue;
        const QString folder = QDir(clean(base)).filePath(QLatin1String(LanguageFolder));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

} // namespace Workspace
