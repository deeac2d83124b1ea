#include "core/state/SharedState.h"

#include "core/comm/ParGenXml.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int Txt_OpenElsewhere = 532;
constexpr int Txt_OpenOnHost = 533;
constexpr int Txt_LookOnly = 534;
} // namespace

void SharedState::setFiles() {
    parGenFile = QDir(projectDir).filePath(QLatin1String(ParGenXml::FileName));
    networkFile = QDir(projectDir).filePath(QLatin1String(MBusXml::FileName));
}

void SharedState::setWorkspace(const QString& programFolder) {
    const QString folder = QDir::cleanPath(programFolder);
    setWorkspace(Workspace::Layout{folder, QString(), folder});
}

void SharedState::setWorkspace(const Workspace::Layout& layout) {
    programDir = QDir::cleanPath(layout.programFolder);
    workspaceDir = QDir::cleanPath(layout.workspace);
    dataDir = layout.dataFolder.isEmpty() ? QString() : QDir::cleanPath(layout.dataFolder);
    const QDir workspace(workspaceDir);
    const QString master = QLatin1String(Workspace::MasterFolder);
    if (layout.besideProgram())
        masterDir = workspace.filePath(master);
    projectsDir = workspace.filePath(QLatin1String(Workspace::ProjectsFolder));
    languageDir = workspace.filePath(QLatin1String(Workspace::LanguageFolder));
    for (const QString& folder :
         {layout.besideProgram() ? masterDir : QString(), projectsDir, languageDir}) {
        if (!folder.isEmpty() && !QDir(folder).exists())
            QDir().mkdir(folder);
    }
    if (!layout.besideProgram())
        masterDir = Workspace::installedPath(this->layout(), master);
    languageFolders = Workspace::languageFolders(this->layout());
}

QString SharedState::updaterFolder(const QString& fileName) const {
    return QFileInfo(Workspace::installedPath(layout(), fileName)).path();
}

void SharedState::activateProject(const QString& name) {
    projectName = name;
    projectDir = name.isEmpty() ? QString() : QDir(projectsDir).filePath(name);
    openElsewhere.reset();
    setFiles();
}

QString SharedState::readOnlyText() const {
    if (!openElsewhere)
        return {};
    const ConfigClaim::Holder& holder = *openElsewhere;
    const QString program = holder.program.isEmpty() ? QStringLiteral("Ordano") : holder.program;
    if (holder.host.isEmpty())
        return texts.text(Txt_OpenElsewhere).arg(program).arg(holder.process);
    return texts.text(Txt_OpenOnHost).arg(program).arg(holder.process).arg(holder.host);
}

QString SharedState::readOnlyNotice() const {
    if (!openElsewhere)
        return {};
    return readOnlyText() + QLatin1Char('\n') + texts.text(Txt_LookOnly);
}
