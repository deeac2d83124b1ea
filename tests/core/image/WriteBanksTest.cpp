#include "core/image/BankFiles.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const CompiledBanks Banks{QByteArray("\x08\0\0\0\x08\0\0\0", 8), QByteArray(2048, '\x01'), {}};
const QByteArray OldBank = "old bank";
const QByteArray OldBank2 = "old bank2";

// Everything in the folder, recursively, with its bytes; links are listed, not followed.
QStringList listing(const QString& root) {
    QStringList entries;
    const QDir dir(root);
    for (const QFileInfo& entry : dir.entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isSymLink())
            entries << entry.fileName() + QStringLiteral(" -> link");
        else if (entry.isDir())
            for (const QString& inner : listing(entry.filePath()))
                entries << entry.fileName() + QLatin1Char('/') + inner;
        else {
            QFile file(entry.filePath());
            (void)file.open(QIODevice::ReadOnly);
            entries << entry.fileName() + QLatin1Char('=') + QString::fromLatin1(file.readAll());
        }
    }
    return entries;
}

} // namespace

// A configuration whose bin folder was deleted still gets its images.
TEST(WriteBanks, CreatesMissingBinFolder) {
    TestFolder folder;
    EXPECT_EQ(writeBanks(folder.path(), Banks), QString());
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), Banks.bank);
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), Banks.bank2);
}

// Older, longer images are replaced whole, and nothing else stays in the folder.
TEST(WriteBanks, ReplacesExistingFilesAndLeavesNoTemporary) {
    TestFolder folder;
    folder.write(QStringLiteral("bin/bank.bin"), QByteArray(5000, 'x'));
    folder.write(QStringLiteral("bin/bank2.bin"), QByteArray(3000, 'y'));
    EXPECT_EQ(writeBanks(folder.path(), Banks), QString());
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), Banks.bank);
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), Banks.bank2);
    EXPECT_EQ(QDir(folder.file(QStringLiteral("bin")))
                  .entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"bank.bin", "bank2.bin"}));
}

// A temporary left by a process killed while it wrote goes at the next write; a user's own
// file of a similar name stays.
TEST(WriteBanks, RemovesTemporariesOfAKilledWrite) {
    TestFolder folder;
    folder.write(QStringLiteral("bin/.bank2.bin-a1B2c3.tmp"), "half");
    folder.write(QStringLiteral("bin/bank2.bin.backup"), "mine");
    EXPECT_EQ(writeBanks(folder.path(), Banks), QString());
    EXPECT_EQ(QDir(folder.file(QStringLiteral("bin")))
                  .entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"bank.bin", "bank2.bin", "bank2.bin.backup"}));
    EXPECT_TRUE(isBankTemporary(QStringLiteral(".bank.bin-XyZ123.tmp")));
    EXPECT_FALSE(isBankTemporary(QStringLiteral(".bank.bin-.tmp")));
    EXPECT_FALSE(isBankTemporary(QStringLiteral("bank.bin.tmp")));
}

// When the images cannot be written the caller must stop, and neither image changes: the
// device must never get a new bank.bin beside an old bank2.bin. Nothing outside the
// configuration's bin folder is touched, and no temporary file stays behind.
TEST(WriteBanks, RefusesWithoutTouchingEitherImage) {
    struct Row {
        const char* why;
        std::function<void(const TestFolder& config, const TestFolder& outside)> arrange;
        const char* mentioned;
    };
    auto oldPair = [](const TestFolder& config) {
        config.write(QStringLiteral("bin/bank.bin"), OldBank);
        config.write(QStringLiteral("bin/bank2.bin"), OldBank2);
    };
    const Row rows[] = {
        {"bin is a file",
         [](const TestFolder& config, const TestFolder&) {
             config.write(QStringLiteral("bin"), "in the way");
         },
         "bin"},
        {"read-only bank2.bin",
         [&](const TestFolder& config, const TestFolder&) {
             oldPair(config);
             QFile::setPermissions(config.file(QStringLiteral("bin/bank2.bin")),
                                   QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
         },
         "bank2.bin is read-only"},
        {"bank2.bin is a folder",
         [](const TestFolder& config, const TestFolder&) {
             config.write(QStringLiteral("bin/bank.bin"), OldBank);
             config.write(QStringLiteral("bin/bank2.bin/x"), "in the way");
         },
         "bank2.bin is a folder"},
        {"bank.bin is a folder",
         [](const TestFolder& config, const TestFolder&) {
             config.write(QStringLiteral("bin/bank.bin/x"), "in the way");
             config.write(QStringLiteral("bin/bank2.bin"), OldBank2);
         },
         "bank.bin is a folder"},
        {"bin is a link",
         [](const TestFolder& config, const TestFolder& outside) {
             outside.write(QStringLiteral("bank.bin"), OldBank);
             QFile::link(outside.path(), config.file(QStringLiteral("bin")));
         },
         "bin is a symbolic link"},
        {"bank.bin is a link",
         [](const TestFolder& config, const TestFolder& outside) {
             config.write(QStringLiteral("bin/bank2.bin"), OldBank2);
             QFile::link(outside.write(QStringLiteral("victim"), OldBank),
                         config.file(QStringLiteral("bin/bank.bin")));
         },
         "bank.bin is a symbolic link"},
        {"bank2.bin is a dangling link",
         [&](const TestFolder& config, const TestFolder& outside) {
             config.write(QStringLiteral("bin/bank.bin"), OldBank);
             QFile::link(outside.file(QStringLiteral("new")),
                         config.file(QStringLiteral("bin/bank2.bin")));
         },
         "bank2.bin is a symbolic link"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder config;
        TestFolder outside;
        row.arrange(config, outside);
        const QStringList configBefore = listing(config.path());
        const QStringList outsideBefore = listing(outside.path());
        const QString error = writeBanks(config.path(), Banks);
        EXPECT_TRUE(error.contains(QLatin1String(row.mentioned))) << error.toStdString();
        EXPECT_EQ(listing(config.path()), configBefore);
        EXPECT_EQ(listing(outside.path()), outsideBefore);
    }
    EXPECT_FALSE(writeBanks(QString(), Banks).isEmpty());
}

// The pair takes bin's place in one step; whatever else the user keeps in bin stays there with
// its bytes, and bin keeps its mode. With a folder inside bin, which cannot come along, each
// image is replaced on its own, and the folder stays too.
TEST(WriteBanks, KeepsTheOtherEntriesOfBin) {
    for (const bool withFolder : {false, true}) {
        SCOPED_TRACE(withFolder ? "bin holds a folder" : "bin holds files and a link");
        TestFolder folder;
        folder.write(QStringLiteral("bin/bank.bin"), OldBank);
        folder.write(QStringLiteral("bin/bank2.bin"), OldBank2);
        folder.write(QStringLiteral("bin/notes.txt"), "mine");
        QFile::link(QStringLiteral("notes.txt"), folder.file(QStringLiteral("bin/latest")));
        if (withFolder)
            folder.write(QStringLiteral("bin/old/bank.bin"), "kept by hand");
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        ASSERT_TRUE(QFile::setPermissions(folder.file(QStringLiteral("bin")), mode));
        ASSERT_EQ(writeBanks(folder.path(), Banks), QString());
        EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), Banks.bank);
        EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), Banks.bank2);
        EXPECT_EQ(folder.read(QStringLiteral("bin/notes.txt")), "mine");
        EXPECT_EQ(QFileInfo(folder.file(QStringLiteral("bin/latest"))).symLinkTarget(),
                  folder.file(QStringLiteral("bin/notes.txt")));
        EXPECT_EQ(QFile::permissions(folder.file(QStringLiteral("bin"))), mode);
        QStringList expected{"bin/bank.bin", "bin/bank2.bin", "bin/latest", "bin/notes.txt"};
        if (withFolder)
            expected << "bin/old/bank.bin";
        QStringList found; // nothing else anywhere in the configuration
        for (const QString& entry : listing(folder.path()))
            found << entry.section(QLatin1Char('='), 0, 0).section(QStringLiteral(" -> "), 0, 0);
        EXPECT_EQ(found, expected);
    }
}

// A folder left by a compile killed before or after the exchange goes at the next compile; one
// that a running compile holds, or a user's folder of another name, stays.
TEST(WriteBanks, RemovesFoldersOfAKilledCompile) {
    TestFolder folder;
    folder.write(QStringLiteral(".bin-a1B2c3.tmp/bank.bin"), "half");
    folder.write(QStringLiteral(".bin-HELD00.tmp/bank.bin"), "running");
    folder.write(QStringLiteral("bin.old/bank.bin"), "mine");
    const int fd = ::open(QFile::encodeName(folder.file(QStringLiteral(".bin-HELD00.tmp"))),
                          O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(writeBanks(folder.path(), Banks), QString());
    ::close(fd);
    EXPECT_EQ(QDir(folder.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{".bin-HELD00.tmp", "bin", "bin.old"}));
    EXPECT_TRUE(isBinTemporary(QStringLiteral(".bin-a1B2c3.tmp")));
    EXPECT_FALSE(isBinTemporary(QStringLiteral("bin.old")));
}
