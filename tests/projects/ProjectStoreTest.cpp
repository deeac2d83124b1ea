#include "projects/ProjectStore.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

using ProjectStore::CreateResult;

TEST(ProjectStore, CreatesAFolderWithAnEmptyBinOrSaysWhy) {
    TestFolder folder;
    const QString projects = folder.file(QStringLiteral("PROJECTS"));
    QDir().mkpath(projects);
    QDir().mkpath(projects + QStringLiteral("/Existing"));
    folder.write(QStringLiteral("PROJECTS/notes.txt"), "a file, not a configuration");
    struct Case {
        const char* why;
        QString name;
        CreateResult result;
        int message;
    };
    const Case cases[] = {
        {"a plain name", QStringLiteral("Plant 1"), CreateResult::Created, 0},
        {"blanks are kept", QStringLiteral(" spaced "), CreateResult::Created, 0},
        {"empty", QString(), CreateResult::EmptyName, 107},
        {"exists", QStringLiteral("Existing"), CreateResult::AlreadyExists, 106},
        // A separator would nest a configuration inside another or leave PROJECTS.
        {"separator into an existing folder", QStringLiteral("Existing/inner"),
         CreateResult::Refused, 105},
        {"backslash", QStringLiteral("a\\b"), CreateResult::Refused, 105},
        {"parent", QStringLiteral(".."), CreateResult::Refused, 105},
        {"self", QStringLiteral("."), CreateResult::Refused, 105},
        {"escape", QStringLiteral("../outside"), CreateResult::Refused, 105},
        {"absolute", folder.file(QStringLiteral("absolute")), CreateResult::Refused, 105},
        // A file of that name is no directory that exists: the name cannot be created.
        {"a file of that name", QStringLiteral("notes.txt"), CreateResult::Refused, 105},
        {"only blanks", QStringLiteral("   "), CreateResult::Created, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ProjectStore::Create_Project(projects, c.name), c.result);
        EXPECT_EQ(ProjectStore::messageIndex(c.result), c.message);
    }
    EXPECT_TRUE(QDir(projects + QStringLiteral("/Plant 1/bin")).exists());
    EXPECT_TRUE(QDir(projects + QStringLiteral("/ spaced /bin")).exists());
    EXPECT_FALSE(QDir(projects + QStringLiteral("/Existing/inner")).exists());
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("outside"))).exists());
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("absolute"))).exists());
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/notes.txt")),
              QByteArray("a file, not a configuration"));
    // A missing PROJECTS folder cannot take a configuration.
    EXPECT_EQ(
        ProjectStore::Create_Project(folder.file(QStringLiteral("nowhere")), QStringLiteral("x")),
        CreateResult::Refused);
}

TEST(ProjectStore, ListsVisibleFoldersSortedWithoutRegardToCase) {
    TestFolder folder;
    for (const char* path : {"P/beta/x", "P/Alpha/x", "P/gamma/x", "P/.hidden/x", "P/file.txt"})
        folder.write(QString::fromLatin1(path), "");
    const QString projects = folder.file(QStringLiteral("P"));
    const QStringList list = ProjectStore::Load_Existing_Configuration(projects);
    EXPECT_EQ(list, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"),
                                 QStringLiteral("gamma")}));
    EXPECT_TRUE(
        ProjectStore::Load_Existing_Configuration(folder.file(QStringLiteral("none"))).isEmpty());

    EXPECT_EQ(ProjectStore::Search_Open_Conf(list, QStringLiteral("BETA")), 1);
    EXPECT_EQ(ProjectStore::Search_Open_Conf(list, QStringLiteral("delta")), -1);
    EXPECT_EQ(ProjectStore::Search_Open_Conf(list, QString()), -1);

    EXPECT_EQ(ProjectStore::activeName(projects, projects + QStringLiteral("/beta")),
              QStringLiteral("beta"));
    EXPECT_EQ(ProjectStore::activeName(projects, QString()), QString());
}

// Reopening at start-up takes the name rule of creation, so a hand-edited settings file
// cannot make a folder outside PROJECTS (or PROJECTS itself) the active configuration.
TEST(ProjectStore, ReopensOnlyAProjectNameWhoseFolderExists) {
    TestFolder folder;
    folder.write(QStringLiteral("elsewhere/bin/x"), "");
    folder.write(QStringLiteral("PROJECTS/Plant/bin/x"), "");
    folder.write(QStringLiteral("PROJECTS/   /bin/x"), "");
    folder.write(QStringLiteral("PROJECTS/notes.txt"), "");
    const QString projects = folder.file(QStringLiteral("PROJECTS"));
    struct Case {
        const char* why;
        QString name;
        bool reopened;
    };
    const Case cases[] = {
        {"its folder exists", QStringLiteral("Plant"), true},
        {"only blanks, folder exists", QStringLiteral("   "), true},
        {"folder gone", QStringLiteral("Gone"), false},
        {"empty", QString(), false},
        {"a file", QStringLiteral("notes.txt"), false},
        {"parent path", QStringLiteral("../elsewhere"), false},
        {"deep parent path",
         QStringLiteral("../../") + QDir(folder.path()).dirName() + QStringLiteral("/elsewhere"),
         false},
        {"absolute path", folder.file(QStringLiteral("elsewhere")), false},
        {"PROJECTS itself", QStringLiteral("."), false},
        {"the program folder", QStringLiteral(".."), false},
        {"inside another", QStringLiteral("Plant/bin"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ProjectStore::canReopen(projects, c.name), c.reopened);
    }
}
