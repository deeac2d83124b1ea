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
