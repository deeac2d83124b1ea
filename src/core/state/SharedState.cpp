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

void SharedState::Set_Files() {
    File_ParGen = QDir(Project_Dir).filePath(QLatin1String(ParGenXml::FileName));
    File_MBus = QDir(Project_Dir).filePath(QLatin1String(MBusXml::FileName));
}

void SharedState::Set_Workspace(const QString& programFolder) {
    const QString folder = QDir::cleanPath(programFolder);
    Set_Workspace(Workspace::Layout{folder, QString(), folder});
}

void SharedState::Set_Workspace(const Workspace::Layout& layout) {
    Dir_Program = QDir::cleanPath(layout.programFolder);
    Dir_Workspace = QDir::cleanPath(layout.workspace);
    Dir_Data = layout.dataFolder.isEmpty() ? QString() : QDir::cleanPath(layout.dataFolder);
    const QDir workspace(Dir_Workspace);
    const QString master = QLatin1String(Workspace::MasterFolder);
    if (layout.besideProgram())
        Dir_Master = workspace.filePath(master);
    Dir_Projects = workspace.filePath(QLatin1String(Workspace::ProjectsFolder));
    Dir_Language = workspace.filePath(QLatin1String(Workspace::LanguageFolder));
    for (const QString& folder :
         {layout.besideProgram() ? Dir_Master : QString(), Dir_Projects, Dir_Language}) {
        if (!folder.isEmpty() && !QDir(folder).exists())
            QDir().mkdir(folder);
    }
    if (!layout.besideProgram())
        Dir_Master = Workspace::installedPath(this->layout(), master);
    Language_Folders = Workspace::languageFolders(this->layout());
}

QString SharedState::Updater_Folder(const QString& fileName) const {
    return QFileInfo(Workspace::installedPath(layout(), fileName)).path();
}

void SharedState::Activate_Project(const QString& name) {
    Project_Name = name;
    Project_Dir = name.isEmpty() ? QString() : QDir(Dir_Projects).filePath(name);
    Open_Elsewhere.reset();
    Set_Files();
}

QString SharedState::Read_Only_Text() const {
    if (!Open_Elsewhere)
        return {};
    const ConfigClaim::Holder& holder = *Open_Elsewhere;
    const QString program = holder.program.isEmpty() ? QStringLiteral("Ordano") : holder.program;
    if (holder.host.isEmpty())
        return Lang_Table.text(Txt_OpenElsewhere).arg(program).arg(holder.process);
    return Lang_Table.text(Txt_OpenOnHost).arg(program).arg(holder.process).arg(holder.host);
}

QString SharedState::Read_Only_Notice() const {
    if (!Open_Elsewhere)
        return {};
    return Read_Only_Text() + QLatin1Char('\n') + Lang_Table.text(Txt_LookOnly);
}
