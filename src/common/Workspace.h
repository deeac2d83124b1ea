#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where Ordano keeps its files. Beside the program file when that folder is writable (the
// portable layout stored workspaces rely on); in the user's data folder when the program is
// installed where its user cannot write; or in a folder named on the command line.
namespace Workspace {

inline constexpr const char* MasterFolder = "MASTER";
inline constexpr const char* ProjectsFolder = "PROJECTS";
inline constexpr const char* LanguageFolder = "LANGUAGE";

struct Layout {
    QString programFolder; // holds the program file
    QString dataFolder;    // the installed data folder; need not exist
    QString workspace;     // holds PROJECTS, LANGUAGE and Ordano.xml

    // The workspace is the program folder itself.
    bool besideProgram() const;
};

// Whether a file can be created in `folder`. The real probe creates and removes one; tests
// hand in their own, since a test run as root may write anywhere.
using WritableProbe = std::function<bool(const QString& folder)>;
bool canWriteIn(const QString& folder);

struct Request {
    QString programFolder;
    QString dataFolder;
    QString explicitWorkspace; // --workspace; empty when not given
    QString userDataFolder;    // the per-user data folder
    WritableProbe writable = canWriteIn;
    bool create = true; // false: only say which folder it would be
};

struct Choice {
    enum class Problem { None, CannotCreate, CannotWrite };
    Layout layout;
    Problem problem = Problem::None;
    bool ok() const { return problem == Problem::None; }
};

// The explicit folder when given; else the program folder when it is writable and not part of
// an installation (there is no installed data folder); else the user's data folder. A
// workspace that cannot be created or written is a problem: the program must not start on it.
Choice choose(const Request& request);

// The installed data folder of a program in `programFolder` (<prefix>/share/ordano for
// <prefix>/bin).
QString installedDataFolder(const QString& programFolder);

// The per-user data folder (e.g. ~/.local/share/Ordano); needs the application's name set.
QString userDataFolder();

// `name` (a file or folder that comes with the installation: MASTER, the updaters) beside the
// program, else in the installed data folder. When it is in neither, the place it belongs:
// the installed data folder when there is one, else the program folder.
QString installedPath(const Layout& layout, const QString& name);

// The folders language files and flags are read from, the first holding a name winning: the
// workspace's own, then those of the program folder and the installed data folder.
QStringList languageFolders(const Layout& layout);

} // namespace Workspace
