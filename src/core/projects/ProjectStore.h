#pragma once

#include <QString>
#include <QStringList>

// Configurations are the folders directly under PROJECTS; there is no catalogue file.
namespace ProjectStore {

enum class CreateResult {
    Created,
    EmptyName,          // text 107
    AlreadyExists,      // text 106
    Refused,            // text 105: the folder cannot be created, or the name would leave PROJECTS
    ForbiddenCharacter, // text 933: see forbiddenCharacter
};

// Position of the first character a configuration name cannot hold, -1 when none: the
// updaters are Windows programs that take the folder by name, so " < > | ? * : and control
// characters are refused, and so is what the settings file cannot store. Separators are left
// to isProjectName.
qsizetype forbiddenCharacter(const QString& name);

// The message for a name with a forbidden character, from text 933 or 934 (which show the
// character as %1); empty when the name has none.
QString forbiddenCharacterMessage(const QString& name, const QString& text);

// A name that stays directly under PROJECTS: not empty, no separator, not absolute, not "."
// or "..". Blanks count as characters like any other.
bool isProjectName(const QString& name);

// Creates the configuration folder (one level) and its empty "bin" folder. The name is used
// exactly as typed. A name that is not a project name is refused: it would put a folder
// outside PROJECTS or inside another configuration. A name taken by a folder is
// AlreadyExists; one taken by anything else (a file) cannot become a configuration: Refused.
CreateResult createProject(const QString& dirProjects, const QString& name);

// Whether the last configuration named in the settings may be reopened: a project name
// without a forbidden character whose folder still exists.
bool canReopen(const QString& dirProjects, const QString& name);

// Language-table index of the message for a failed creation (0 for Created).
int messageIndex(CreateResult result);

// Folder names under `dirProjects`, without hidden or system entries, sorted without regard
// to letter case. Empty when the folder cannot be listed.
QStringList listConfigurations(const QString& dirProjects);

// Index of `snc` in `SL`, compared without regard to letter case; -1 when absent.
int findConfiguration(const QStringList& SL, const QString& snc);

// The name part of `projectDir` below `dirProjects`; empty when none is active.
QString activeName(const QString& dirProjects, const QString& projectDir);

} // namespace ProjectStore
