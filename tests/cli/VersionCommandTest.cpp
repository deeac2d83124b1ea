#include "cli/Commands.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

// The version and the workspace the configurator beside ordano-cli would use; nothing is made.
TEST(VersionCommand, NamesTheWorkspaceInUse) {
    TestFolder root;
    const QString program = root.file(QStringLiteral("prefix/bin"));
    const QString data = root.file(QStringLiteral("prefix/share/ordano"));
    const QString user = root.file(QStringLiteral("home/Ordano"));
    const QString stick = root.file(QStringLiteral("stick"));
    QDir().mkpath(program);
    struct Row {
        const char* why;
        bool installed;
        QStringList args;
        QString workspace;
    };
    const Row rows[] = {
        {"portable", false, {}, program},
        {"installed", true, {}, user},
        {"named", true, {QStringLiteral("--workspace"), stick}, stick},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        if (row.installed)
            QDir().mkpath(data);
        Workspace::Request defaults;
        defaults.programFolder = program;
        defaults.dataFolder = data;
        defaults.userDataFolder = user;
        const CapturedRun run = captureRun([&](QTextStream& out, QTextStream& err) {
            return Cli::version(row.args, defaults, out, err);
        });
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, QStringLiteral("ordano-cli 2.005\nWorkspace: ") + row.workspace +
                               QLatin1Char('\n'));
        EXPECT_EQ(run.err, QString());
    }
    EXPECT_FALSE(QFileInfo::exists(user));
    EXPECT_FALSE(QFileInfo::exists(stick));
    EXPECT_FALSE(QFileInfo::exists(QDir(program).filePath(QStringLiteral("PROJECTS"))));

    const CapturedRun wrong = captureRun([&](QTextStream& out, QTextStream& err) {
        return Cli::version({QStringLiteral("--workspace")}, Workspace::Request{}, out, err);
    });
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err, QStringLiteral("Usage: ordano-cli --version [--workspace DIR]\n"));
}

// Only a folder (or a name where one can be made) is a workspace, as the configurator takes it.
TEST(VersionCommand, RefusesAWorkspaceThatIsNoFolder) {
    TestFolder root;
    root.write(QStringLiteral("file"), "x");
    ASSERT_TRUE(QFile::link(root.file(QStringLiteral("loop")), root.file(QStringLiteral("loop"))));
    ASSERT_TRUE(QFile::link(root.file(QStringLiteral("nowhere/deeper")),
                            root.file(QStringLiteral("dangling"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.file(QStringLiteral("fifo"))).constData(), 0600), 0);
    for (const QString& workspace :
         {root.file(QStringLiteral("file")), root.file(QStringLiteral("fifo")),
          QStringLiteral("/dev/null"), root.file(QStringLiteral("loop")),
          root.file(QStringLiteral("dangling"))}) {
        SCOPED_TRACE(workspace.toStdString());
        const CapturedRun run = captureRun([&](QTextStream& out, QTextStream& err) {
            return Cli::version({QStringLiteral("--workspace"), workspace}, Workspace::Request{},
                                out, err);
        });
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(run.err, QStringLiteral("ordano-cli: The workspace folder cannot be created: ") +
                               workspace + QLatin1Char('\n'));
    }
}
