#pragma once

#include "common/ConfigClaim.h"
#include "common/Workspace.h"
#include "core/lang/LanguageTable.h"
#include "core/state/StoredSettings.h"

#include <QString>

// The one shared state of the process, owned by the shell and handed to every window.
// The stored settings are a base so that every window reads them by their own names.
struct SharedState : StoredSettings {
    QString programDir;
    QString masterDir;
    QString projectsDir;
    QString languageDir;
    // Holds PROJECTS, LANGUAGE and Ordano.xml: programDir, unless the program is installed
    // where its user cannot write or another folder was chosen at start.
    QString workspaceDir;
    // The installed data folder; empty for a program that only runs from its own folder.
    QString dataDir;
    // Where language files and flags are read from, the first holding a name winning: the
    // user's own languageDir, then the shipped ones.
    QStringList languageFolders;

    // Both empty exactly when no configuration is active.
    QString projectName;
    QString projectDir;
    QString parGenFile;
    QString networkFile;
    // Set while the active configuration is open in another Ordano window: this one may look
    // but not write. activateProject clears it; the main window claims what it activates.
    std::optional<ConfigClaim::Holder> openElsewhere;

    // Kept for the run only, never stored.
    int lastUpdateOption = 0;
    bool lastReadBack = false;

    // The product's identity, fixed for the build.
    QString productCaption =
        QStringLiteral("Nelvari - Configurator KT48213 - Modbus Master / M-Bus Slave ");
    QString productCode = QStringLiteral("KT48213");
    QString productDescription = QStringLiteral("Modbus Master / M-Bus Slave - Converter");

    LanguageTable texts;

    bool hasProject() const { return !projectDir.isEmpty(); }
    bool readOnly() const { return openElsewhere.has_value(); }
    // Where the active configuration is open, in the current language; empty when not elsewhere.
    QString readOnlyText() const;
    // The same with what the user may do about it, for the windows that refuse to write.
    QString readOnlyNotice() const;

    // parGenFile and networkFile follow projectDir.
    void setFiles();

    // Sets programDir and the three workspace folders beneath it, creating the missing ones
    // (MASTER, PROJECTS, LANGUAGE, in that order; failures are left to later operations).
    void setWorkspace(const QString& programFolder);
    // The same for a chosen layout. MASTER is created only in a workspace beside the program;
    // elsewhere it is looked for beside the program, then in the installed data folder.
    void setWorkspace(const Workspace::Layout& layout);
    Workspace::Layout layout() const { return {programDir, dataDir, workspaceDir}; }

    // The folder of an updater program (by its file name): beside the program, else the
    // installed data folder; where it belongs when it is in neither.
    QString updaterFolder(const QString& fileName) const;

    // Makes `name` the active configuration (an empty name makes none active), then setFiles.
    void activateProject(const QString& name);
};
