#pragma once

#include "lang/LangTable.h"
#include "state/StoredSettings.h"

#include <QString>

// The one shared state of the process, owned by the shell and handed to every window.
// The stored settings are a base so that every window reads them by their own names.
struct SharedState : StoredSettings {
    QString Dir_Program;
    QString Dir_Master;
    QString Dir_Projects;
    QString Dir_Language;

    // Both empty exactly when no configuration is active.
    QString Project_Name;
    QString Project_Dir;
    QString File_ParGen;
    QString File_MBus;

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

    // File_ParGen and File_MBus follow Project_Dir.
    void Set_Files();

    // Sets Dir_Program and the three workspace folders beneath it, creating the missing ones
    // (MASTER, PROJECTS, LANGUAGE, in that order; failures are left to later operations).
    void Set_Workspace(const QString& programFolder);

    // Makes `name` the active configuration (an empty name makes none active), then Set_Files.
    void Activate_Project(const QString& name);
};
