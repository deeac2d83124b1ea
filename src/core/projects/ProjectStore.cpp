#include "core/projects/ProjectStore.h"

#include "common/XmlChars.h"

#include <QDir>

namespace ProjectStore {

bool isProjectName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') &&
           name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !QDir::isAbsolutePath(name);
}

qsizetype forbiddenCharacter(const QString& name) {
    static const QString windowsRefuses = QStringLiteral("\"<>|?*:");
    qsizetype first = XmlChars::firstUnstorable(name);
    for (qsizetype i = 0; i < name.size() && (first < 0 || i < first); ++i) {
        if (name[i].unicode() < 0x20 || windowsRefuses.contains(name[i]))
            return i;
    }
    return first;
}

QString forbiddenCharacterMessage(const QString& name, const QString& text) {
    const qsizetype position = forbiddenCharacter(name);
    if (position < 0)
        return {};
    return text.arg(XmlChars::describe(name, position));
}

CreateResult createProject(const QString& dirProjects, const QString& name) {
    if (name.isEmpty())
        return CreateResult::EmptyName;
    if (!isProjectName(name))
        return CreateResult::Refused;
    if (forbiddenCharacter(name) >= 0)
        return CreateResult::ForbiddenCharacter;
    const QDir projects(dirProjects);
    const QFileInfo existing(projects.filePath(name));
    if (existing.exists())
        return existing.isDir() ? CreateResult::AlreadyExists : CreateResult::Refused;
    if (!projects.mkdir(name))
        return CreateResult::Refused;
    // Without "bin" the configuration still exists; writing the images reports it later.
    QDir().mkpath(QDir(projects.filePath(name)).filePath(QStringLiteral("bin")));
    return CreateResult::Created;
}

bool canReopen(const QString& dirProjects, const QString& name) {
    return isProjectName(name) && forbiddenCharacter(name) < 0 &&
           QFileInfo(QDir(dirProjects).filePath(name)).isDir();
}

int messageIndex(CreateResult result) {
    switch (result) {
    case CreateResult::Created:
        return 0;
    case CreateResult::EmptyName:
        return 107;
    case CreateResult::AlreadyExists:
        return 106;
    case CreateResult::Refused:
        return 105;
    case CreateResult::ForbiddenCharacter:
        return 933;
    }
    return 105;
}

QStringList listConfigurations(const QString& dirProjects) {
    const QDir projects(dirProjects);
    if (dirProjects.isEmpty() || !projects.exists())
        return {};
    // Without QDir::Hidden, names beginning with a dot are left out on Unix.
    return projects.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

int findConfiguration(const QStringList& SL, const QString& snc) {
    for (int i = 0; i < SL.size(); ++i) {
        if (SL[i].toUpper() == snc.toUpper())
            return i;
    }
    return -1;
}

QString activeName(const QString& dirProjects, const QString& projectDir) {
    if (projectDir.isEmpty())
        return {};
    const QString prefix = QDir::cleanPath(dirProjects) + QLatin1Char('/');
    if (projectDir.startsWith(prefix))
        return projectDir.mid(prefix.size());
    return QDir(projectDir).dirName();
}

} // namespace ProjectStore
