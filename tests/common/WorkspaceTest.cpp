#include "common/Workspace.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using Problem = Workspace::Choice::Problem;

// A program folder, a user's data folder and (for an installation) a data folder beside it.
struct Machine {
    TestFolder root;
    QString program() const { return root.file(QStringLiteral("prefix/bin")); }
    QString data() const { return root.file(QStringLiteral("prefix/share/ordano")); }
    QString user() const { return root.file(QStringLiteral("home/.local/share/Ordano")); }
    Machine() { QDir().mkpath(program()); }
    void install() const { QDir().mkpath(data()); }

    // The probe says what the test decides: a test run as root may write anywhere.
    Workspace::Request request(const QStringList& readOnly = {}) const {
        Workspace::Request r;
        r.programFolder = program();
        r.dataFolder = data();
        r.userDataFolder = user();
        r.writable = [readOnly](const QString& folder) {
            return QFileInfo(folder).isDir() && !readOnly.contains(folder);
        };
        return r;
    }
};

} // namespace

// Which folder becomes the workspace, and that it is made ready to use.
TEST(Workspace, ChoiceFollowsTheProgramFolderAndTheCommandLine) {
    struct Row {
        const char* why;
        bool installed;          // the installed data folder exists
        bool programReadOnly;    // the program folder cannot be written
        const char* explicitDir; // --workspace, relative to the test's root; empty: none
        const char* expected;    // "program", "user" or the explicit folder
    };
    const Row rows[] = {
        {"writable program folder: beside the program, as ever", false, false, "", "program"},
        {"read-only program folder: the user's data folder", false, true, "", "user"},
        {"installed, run by a user who may write there (root)", true, false, "", "user"},
        {"installed and read-only", true, true, "", "user"},
        {"--workspace wins over a writable program folder", false, false, "stick/Ordano",
         "stick/Ordano"},
        {"--workspace wins over an installation", true, true, "stick/Ordano", "stick/Ordano"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        Machine machine;
        if (row.installed)
            machine.install();
        Workspace::Request request =
            machine.request(row.programReadOnly ? QStringList{machine.program()} : QStringList{});
        if (*row.explicitDir)
            request.explicitWorkspace = machine.root.file(QLatin1String(row.explicitDir));
        const Workspace::Choice choice = Workspace::choose(request);
        ASSERT_TRUE(choice.ok());
        const QString expected = QLatin1String(row.expected) == QLatin1String("program")
                                     ? machine.program()
                                 : QLatin1String(row.expected) == QLatin1String("user")
                                     ? machine.user()
                                     : machine.root.file(QLatin1String(row.expected));
        EXPECT_EQ(choice.layout.workspace, expected);
        EXPECT_TRUE(QFileInfo(expected).isDir()) << "the chosen folder is created";
        EXPECT_EQ(choice.layout.programFolder, machine.program());
        EXPECT_EQ(choice.layout.besideProgram(), expected == machine.program());
    }
}

// A workspace that cannot be created or written is refused, and named.
TEST(Workspace, UnusableWorkspaceIsRefused) {
    Machine machine;
    const QString file = machine.root.write(QStringLiteral("a file"), "not a folder");
    struct Row {
        const char* why;
        QString explicitDir;
        QStringList readOnly;
        QString refused;
        Problem problem;
    };
    const Row rows[] = {
        {"--workspace below a file",
         file + QStringLiteral("/Ordano"),
         {},
         file + QStringLiteral("/Ordano"),
         Problem::CannotCreate},
        {"--workspace that is a file", file, {}, file, Problem::CannotCreate},
        {"--workspace that cannot be written",
         machine.root.file(QStringLiteral("ro")),
         {machine.root.file(QStringLiteral("ro"))},
         machine.root.file(QStringLiteral("ro")),
         Problem::CannotWrite},
        {"--workspace naming the read-only program folder",
         machine.program(),
         {machine.program()},
         machine.program(),
         Problem::CannotWrite},
        {"the user's data folder cannot be written",
         QString(),
         {machine.program(), machine.user()},
         machine.user(),
         Problem::CannotWrite},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        Workspace::Request request = machine.request(row.readOnly);
        request.explicitWorkspace = row.explicitDir;
        const Workspace::Choice choice = Workspace::choose(request);
        EXPECT_EQ(choice.problem, row.problem);
        EXPECT_EQ(choice.layout.workspace, row.refused);
    }
}

// The user's data folder that cannot be created (its parent is a file) is refused too.
TEST(Workspace, UserDataFolderThatCannotBeCreatedIsRefused) {
    Machine machine;
    const QString file = machine.root.write(QStringLiteral("home"), "a file, not a home");
    Workspace::Request request = machine.request({machine.program()});
    request.userDataFolder = file + QStringLiteral("/.local/share/Ordano");
    const Workspace::Choice choice = Workspace::choose(request);
    EXPECT_EQ(choice.problem, Problem::CannotCreate);
    EXPECT_EQ(choice.layout.workspace, request.userDataFolder);
}

// Asking only which folder it would be creates nothing.
TEST(Workspace, ChoiceWithoutCreatingLeavesTheDiskAlone) {
    Machine machine;
    machine.install();
    Workspace::Request request = machine.request();
    request.create = false;
    EXPECT_EQ(Workspace::choose(request).layout.workspace, machine.user());
    request.explicitWorkspace = machine.root.file(QStringLiteral("elsewhere"));
    EXPECT_EQ(Workspace::choose(request).layout.workspace, request.explicitWorkspace);
    EXPECT_FALSE(QFileInfo::exists(machine.user()));
    EXPECT_FALSE(QFileInfo::exists(request.explicitWorkspace));
}

// The real probe writes a file and takes it away again.
TEST(Workspace, RealProbeLeavesNothingBehind) {
    TestFolder folder;
    EXPECT_TRUE(Workspace::canWriteIn(folder.path()));
    EXPECT_TRUE(QDir(folder.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    EXPECT_FALSE(Workspace::canWriteIn(folder.file(QStringLiteral("missing"))));
    const QString file = folder.write(QStringLiteral("f"), "x");
    EXPECT_FALSE(Workspace::canWriteIn(file));
}

TEST(Workspace, InstalledDataFolderIsBesideTheProgramsFolder) {
    EXPECT_EQ(Workspace::installedDataFolder(QStringLiteral("/usr/bin")),
              QStringLiteral("/usr/share/ordano"));
    EXPECT_EQ(Workspace::installedDataFolder(QStringLiteral("/opt/ordano/bin/")),
              QStringLiteral("/opt/ordano/share/ordano"));
}

// MASTER and the updaters: beside the program first, then the installed data folder; when in
// neither, where they belong.
TEST(Workspace, InstalledFilesAreLookedForBesideTheProgramFirst) {
    struct Row {
        const char* why;
        bool besideProgram;
        bool inData;
        bool installed;
        const char* expectedIn; // "program" or "data"
    };
    const Row rows[] = {
        {"beside the program only", true, false, true, "program"},
        {"in both: the program's own wins", true, true, true, "program"},
        {"in the installed data folder only", false, true, true, "data"},
        {"in neither, installed: belongs in the data folder", false, false, true, "data"},
        {"in neither, not installed: belongs beside the program", false, false, false, "program"},
    };
    for (const char* name : {"MASTER", "Ethernet_Update.exe"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(QStringLiteral("%1: %2")
                             .arg(QLatin1String(name), QLatin1String(row.why))
                             .toStdString());
            Machine machine;
            if (row.installed)
                machine.install();
            const Workspace::Layout layout{machine.program(), machine.data(), machine.user()};
            if (row.besideProgram)
                machine.root.write(QStringLiteral("prefix/bin/") + QLatin1String(name), "x");
            if (row.inData)
                machine.root.write(QStringLiteral("prefix/share/ordano/") + QLatin1String(name),
                                   "x");
            const QString folder = QLatin1String(row.expectedIn) == QLatin1String("program")
                                       ? machine.program()
                                       : machine.data();
            EXPECT_EQ(Workspace::installedPath(layout, QLatin1String(name)),
                      QDir(folder).filePath(QLatin1String(name)));
        }
    }
}

// Language files and flags: the workspace's own folder first, then the shipped ones.
TEST(Workspace, LanguageFoldersPutTheUsersOwnFirst) {
    const Workspace::Layout installed{QStringLiteral("/usr/bin"),
                                      QStringLiteral("/usr/share/ordano"),
                                      QStringLiteral("/home/u/.local/share/Ordano")};
    EXPECT_EQ(Workspace::languageFolders(installed),
              (QStringList{"/home/u/.local/share/Ordano/LANGUAGE", "/usr/bin/LANGUAGE",
                           "/usr/share/ordano/LANGUAGE"}));
    const Workspace::Layout portable{QStringLiteral("/p"), QString(), QStringLiteral("/p/")};
    EXPECT_EQ(Workspace::languageFolders(portable), QStringList{"/p/LANGUAGE"});
}
