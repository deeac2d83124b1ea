#include "state/SharedState.h"

#include "comm/ParGenXml.h"
#include "mbus/NetworkXml.h"

#include <QDir>

void SharedState::Set_Files() {
    File_ParGen = QDir(Project_Dir).filePath(QLatin1String(ParGenXml::FileName));
    File_MBus = QDir(Project_Dir).filePath(QLatin1String(MBusXml::FileName));
}

void SharedState::Set_Workspace(const QString& programFolder) {
    Dir_Program = QDir::cleanPath(programFolder);
    const QDir program(Dir_Program);
    Dir_Master = program.filePath(QStringLiteral("MASTER"));
    Dir_Projects = program.filePath(QStringLiteral("PROJECTS"));
    Dir_Language = program.filePath(QStringLiteral("LANGUAGE"));
    for (const QString& folder : {Dir_Master, Dir_Projects, Dir_Language}) {
        if (!QDir(folder).exists())
            QDir().mkdir(folder);
    }
}

void SharedState::Activate_Project(const QString& name) {
    Project_Name = name;
    Project_Dir = name.isEmpty() ? QString() : QDir(Dir_Projects).filePath(name);
    Set_Files();
}
