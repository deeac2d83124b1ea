#include "core/projects/ProjectStore.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
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
        EXPECT_EQ(ProjectStore::createProject(projects, c.name), c.result);
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
        ProjectStore::createProject(folder.file(QStringLiteral("nowhere")), QStringLiteral("x")),
        CreateResult::Refused);
}

// The updaters are Windows programs: a name Windows would refuse as a file name, or one the
// settings file cannot store, is refused before anything is created, naming the character.
TEST(ProjectStore, NamesWindowsRefusesAreRefusedAtCreation) {
    TestFolder folder;
    const QString projects = folder.file(QStringLiteral("PROJECTS"));
    QDir().mkpath(projects);
    struct Case {
        QString name;
        qsizetype position; // -1: allowed
        const char* shown;
    };
    const Case cases[] = {
        {QStringLiteral(R"(plant" -x "evil)"), 5, "'\"'"},
        {QStringLiteral("a<b"), 1, "\"<\""},
        {QStringLiteral("a>b"), 1, "\">\""},
        {QStringLiteral("a|b"), 1, "\"|\""},
        {QStringLiteral("why?"), 3, "\"?\""},
        {QStringLiteral("all*"), 3, "\"*\""},
        {QStringLiteral("C:x"), 1, "\":\""},
        {QStringLiteral("tab\there"), 3, "U+0009"},
        {QStringLiteral("line\nbreak"), 4, "U+000A"},
        {QStringLiteral("bell\a"), 4, "U+0007"},
        {QStringLiteral("x") + QChar(0xFFFF), 1, "U+FFFF"},
        {QString(QChar(0xDC00)), 0, "U+DC00"},
        {QStringLiteral("Plant #2 (north) & co.; 50%"), -1, ""},
        {QString::fromUtf8("Caf\xC3\xA8 \xF0\x9F\x94\xA5"), -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toUtf8().toHex().toStdString());
        EXPECT_EQ(ProjectStore::forbiddenCharacter(c.name), c.position);
        const CreateResult result = ProjectStore::createProject(projects, c.name);
        EXPECT_EQ(result,
                  c.position < 0 ? CreateResult::Created : CreateResult::ForbiddenCharacter);
        EXPECT_EQ(QFileInfo::exists(QDir(projects).filePath(c.name)), c.position < 0);
        EXPECT_EQ(ProjectStore::forbiddenCharacterMessage(c.name, QStringLiteral("holds %1")),
                  c.position < 0 ? QString() : QStringLiteral("holds ") + QLatin1String(c.shown));
    }
    EXPECT_EQ(ProjectStore::messageIndex(CreateResult::ForbiddenCharacter), 933);
    // Such a folder made outside the program is never reopened at start-up.
    QDir().mkpath(QDir(projects).filePath(QStringLiteral("why?")));
    EXPECT_FALSE(ProjectStore::canReopen(projects, QStringLiteral("why?")));
}

TEST(ProjectStore, ListsVisibleFoldersSortedWithoutRegardToCase) {
    TestFolder folder;
    for (const char* path : {"P/beta/x", "P/Alpha/x", "P/gamma/x", "P/.hidden/x", "P/file.txt"})
        folder.write(QString::fromLatin1(path), "");
    const QString projects = folder.file(QStringLiteral("P"));
    const QStringList list = ProjectStore::listConfigurations(projects);
    EXPECT_EQ(list, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"),
                                 QStringLiteral("gamma")}));
    EXPECT_TRUE(ProjectStore::listConfigurations(folder.file(QStringLiteral("none"))).isEmpty());

    EXPECT_EQ(ProjectStore::findConfiguration(list, QStringLiteral("BETA")), 1);
    EXPECT_EQ(ProjectStore::findConfiguration(list, QStringLiteral("delta")), -1);
    EXPECT_EQ(ProjectStore::findConfiguration(list, QString()), -1);

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
