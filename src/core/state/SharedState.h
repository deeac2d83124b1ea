#pragma once

#include "common/ConfigClaim.h"
#include "common/Workspace.h"
#include "core/lang/LangTable.h"
#include "core/state/StoredSettings.h"

#include <QString>

// The one shared state of the process, owned by the shell and handed to every window.
// The stored settings are a base so that every window reads them by their own names.
struct SharedState : StoredSettings {
    QString Dir_Program;
    QString Dir_Master;
    QString Dir_Projects;
    QString Dir_Language;
    // Holds PROJECTS, LANGUAGE and Ordano.xml: Dir_Program, unless the program is installed
    // where its user cannot write or another folder was chosen at start.
    QString Dir_Workspace;
    // The installed data folder; empty for a program that only runs from its own folder.
    QString Dir_Data;
    // Where language files and flags are read from, the first holding a name winning: the
    // user's own Dir_Language, then the shipped ones.
    QStringList Language_Folders;

    // Both empty exactly when no configuration is active.
    QString Project_Name;
    QString Project_Dir;
    QString File_ParGen;
    QString File_MBus;
    // Set while the active configuration is open in another Ordano window: this one may look
    // but not write. Activate_Project clears it; the main window claims what it activates.
    std::optional<ConfigClaim::Holder> Open_Elsewhere;

    // Kept for the run only, never stored.
    int Last_Update_Option = 0;
    bool Last_Read_Back = false;

    // The product's identity, fixed for the build.
    QString SW_Caption =
        QStringLiteral("Nelvari - Configurator KT48213 - Modbus Master / M-Bus Slave ");
    QString SW_Code = QStringLiteral("KT48213");
    QString SW_Desc = QStringLiteral("Modbus Master / M-Bus Slave - Converter");

    LangTable Lang_Table;

    bool hasProject() const { return !Project_Dir.isEmpty(); }
    bool readOnly() const { return Open_Elsewhere.has_value(); }
    // Where the active configuration is open, in the current language; empty when not elsewhere.
    QString Read_Only_Text() const;
    // The same with what the user may do about it, for the windows that refuse to write.
    QString Read_Only_Notice() const;

    // File_ParGen and File_MBus follow Project_Dir.
    void Set_Files();

    // Sets Dir_Program and the three workspace folders beneath it, creating the missing ones
    // (MASTER, PROJECTS, LANGUAGE, in that order; failures are left to later operations).
    void Set_Workspace(const QString& programFolder);
    // The same for a chosen layout. MASTER is created only in a workspace beside the program;
    // elsewhere it is looked for beside the program, then in the installed data folder.
    void Set_Workspace(const Workspace::Layout& layout);
    Workspace::Layout layout() const { return {Dir_Program, Dir_Data, Dir_Workspace}; }

    // The folder of an updater program (by its file name): beside the program, else the
    // installed data folder; where it belongs when it is in neither.
    QString Updater_Folder(const QString& fileName) const;

    // Makes `name` the active configuration (an empty name makes none active), then Set_Files.
    void Activate_Project(const QString& name);
};
