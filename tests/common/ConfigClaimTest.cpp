#include "common/ConfigClaim.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process id that certainly names no process now: a child that has ended and been reaped.
qint64 goneProcess() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

void writeClaimFile(const QString& folder, const QByteArray& bytes) {
    QFile file(ConfigClaim::fileOf(folder));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(ConfigClaim, SecondClaimSeesTheFirstUntilItIsLetGo) {
    TestFolder folder;
    const QString config = QFileInfo(folder.write(QStringLiteral("P/ParGen.xml"), "x")).path();
    auto first = std::make_unique<ConfigClaim>(config);
    EXPECT_FALSE(first->openElsewhere());
    EXPECT_TRUE(QFileInfo::exists(ConfigClaim::fileOf(config)));
    {
        const ConfigClaim second(config);
        ASSERT_TRUE(second.openElsewhere());
        EXPECT_EQ(second.openElsewhere()->process, QCoreApplication::applicationPid());
        EXPECT_EQ(second.openElsewhere()->program, QCoreApplication::applicationName());
        EXPECT_TRUE(second.openElsewhere()->host.isEmpty()) << "this machine goes unnamed";
    }
    EXPECT_TRUE(QFileInfo::exists(ConfigClaim::fileOf(config))) << "the failed one took nothing";
    first.reset();
    EXPECT_FALSE(QFileInfo::exists(ConfigClaim::fileOf(config)));
    EXPECT_FALSE(ConfigClaim(config).openElsewhere());
}

// A copy made while the configuration is open carries the claim file along; the copy is still
// nobody's. A rename keeps the folder, and with it the claim until it is let go.
TEST(ConfigClaim, FollowsTheFolderNotItsName) {
    TestFolder folder;
    const QString config = QFileInfo(folder.write(QStringLiteral("P/ParGen.xml"), "x")).path();
    auto held = std::make_unique<ConfigClaim>(config);
    ASSERT_FALSE(held->openElsewhere());

    const QString copy = folder.file(QStringLiteral("Copy"));
    ASSERT_TRUE(QDir().mkdir(copy));
    const QStringList files =
        QDir(config).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    ASSERT_EQ(files.size(), 2) << files.join(u',').toStdString();
    for (const QString& name : files)
        ASSERT_TRUE(QFile::copy(QDir(config).filePath(name), QDir(copy).filePath(name)));
    EXPECT_FALSE(ConfigClaim(copy).openElsewhere());

    const QString renamed = folder.file(QStringLiteral("Renamed"));
    ASSERT_TRUE(QDir().rename(config, renamed));
    EXPECT_TRUE(ConfigClaim(renamed).openElsewhere());
    held.reset();
    EXPECT_FALSE(ConfigClaim(renamed).openElsewhere()) << "let go where the folder is now";
}

TEST(ConfigClaim, ClaimFilesLeftBehind) {
    const QString here = QCoreApplication::applicationName();
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const qint64 me = QCoreApplication::applicationPid();
    struct Case {
        const char* what;
        QByteArray bytes;
        bool writerLocksIt; // as a window does from the moment it makes the file
        bool stale;
        QString elsewhereHost;
    };
    const Case cases[] = {
        {"its window is gone",
         QByteArray::number(goneProcess()) + '\n' + here.toUtf8() + '\n' + host + '\n',
         false,
         true,
         {}},
        {"held on another machine", QByteArray::number(me) + "\nordano\nsite-laptop\n", false,
         false, QStringLiteral("site-laptop")},
        {"being written this moment", "", true, false, {}},
        {"left empty by a window killed while it wrote it", "", false, true, {}},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const QString config = QFileInfo(folder.write(QStringLiteral("P/M_Bus.xml"), "x")).path();
        writeClaimFile(config, c.bytes);
        QFile writer(ConfigClaim::fileOf(config));
        if (c.writerLocksIt) {
            ASSERT_TRUE(writer.open(QIODevice::ReadOnly));
            ASSERT_EQ(::flock(writer.handle(), LOCK_EX | LOCK_NB), 0);
        }
        const ConfigClaim claim(config);
        EXPECT_EQ(!claim.openElsewhere(), c.stale) << c.what;
        if (claim.openElsewhere()) {
            EXPECT_EQ(claim.openElsewhere()->host, c.elsewhereHost) << c.what;
        }
    }
}

TEST(ConfigClaim, FoldersThatTakeNoClaimAreNobodys) {
    TestFolder folder;
    EXPECT_TRUE(ConfigClaim::fileOf(folder.file(QStringLiteral("missing"))).isEmpty());
    EXPECT_FALSE(ConfigClaim(folder.file(QStringLiteral("missing"))).openElsewhere());
    const QString config = QFileInfo(folder.write(QStringLiteral("P/M_Bus.xml"), "x")).path();
    ASSERT_TRUE(QFile::setPermissions(config, QFile::ReadOwner | QFile::ExeOwner));
    if (QFileInfo(config).isWritable())
        GTEST_SKIP() << "running as root: every folder takes a file";
    EXPECT_FALSE(ConfigClaim(config).openElsewhere());
    QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
