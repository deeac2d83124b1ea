#include "common/AtomicFile.h"

#include "support/FailingWrites.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray OldBytes = "the old bytes, kept byte for byte";
const QByteArray NewBytes(300, 'n');

QByteArray readBytes(const QByteArray& path) {
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "(missing)";
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

using Writer = std::function<QString(const QString& path, const QByteArray& bytes)>;

const Writer Workspace = [](const QString& path, const QByteArray& bytes) {
    return writeFileAtomically(path, bytes);
};
const Writer UserNamed = [](const QString& path, const QByteArray& bytes) {
    return writeUserFile(path, bytes);
};

} // namespace

// Names whose bytes are not UTF-8 survive the way through a QString and back, and show as
// \xHH in messages.
TEST(FileName, KeepsEveryByteOfAName) {
    const QByteArray cases[] = {
        "plain.csv",
        "caf\xc3\xa9.csv",        // valid UTF-8
        "out\xff.csv",            // a byte that never starts UTF-8
        "latin1 \xe9t\xe9.csv",   // Windows-1252 text
        "over\xc0\xaf.csv",       // an overlong slash
        "surrogate\xed\xa0\x80",  // an encoded surrogate
        "cut \xe2\x82",           // a sequence cut short
        "emoji \xf0\x9f\x98\x80", // four bytes
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(FileName::toBytes(FileName::fromBytes(bytes)), bytes);
    }
    EXPECT_EQ(FileName::fromBytes("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(FileName::shown(FileName::fromBytes("/tmp/out\xff.csv")),
              QStringLiteral("/tmp/out\\xFF.csv"));
}

// A new name that is not UTF-8 is created under its own bytes, not under a replacement
// character.
TEST(AtomicFile, WritesUnderTheNamesOwnBytes) {
    TestFolder folder;
    const QByteArray name = QFile::encodeName(folder.path()) + "/out\xff.csv";
    ASSERT_EQ(writeUserFile(FileName::fromBytes(name), NewBytes), QString());
    EXPECT_EQ(readBytes(name), NewBytes);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("out\ufffd.csv"))));
    ::unlink(name.constData()); // a name the temporary folder's own cleanup cannot spell
}

// The new file keeps the old one's mode; a new file gets the usual mode for new files.
TEST(AtomicFile, KeepsTheModeOfTheFileItReplaces) {
    TestFolder folder;
    const QString path = folder.write(QStringLiteral("kept.xml"), OldBytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_EQ(writeFileAtomically(path, NewBytes), QString());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(folder.read(QStringLiteral("kept.xml")), NewBytes);

    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = folder.file(QStringLiteral("fresh.xml"));
    ASSERT_EQ(writeFileAtomically(fresh, NewBytes), QString());
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666u & ~mask);
}

// What stands at the target decides: files of the workspace are never reached through a link
// and never replace anything but a writable regular file; a file the user names may be
// reached through a link, as a shell redirection would. Every refusal names the path, and
// leaves everything as it was.
TEST(AtomicFile, RefusesWhatMayNotBeReplaced) {
    struct Row {
        const char* why;
        const Writer* writer;
        // Makes what stands at `target`; `outside` is another folder.
        std::function<void(const QString& target, const TestFolder& outside)> arrange;
        const char* refusal; // nullptr: written
    };
    const auto link = [](const QString& to) {
        return [to](const QString& target, const TestFolder& outside) {
            outside.write(QStringLiteral("victim"), OldBytes);
            ASSERT_TRUE(QFile::link(outside.file(to), target));
        };
    };
    const auto fifo = [](const QString& target, const TestFolder&) {
        ASSERT_TRUE(makeFifo(target));
    };
    const auto folder = [](const QString& target, const TestFolder&) {
        ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/inside")));
    };
    const auto readOnly = [](const QString& target, const TestFolder&) {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(OldBytes);
        file.close();
        ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    };
    const Row rows[] = {
        {"workspace: link", &Workspace, link(QStringLiteral("victim")), "is a symbolic link"},
        {"workspace: dangling link", &Workspace, link(QStringLiteral("new")), "is a symbolic link"},
        {"workspace: FIFO", &Workspace, fifo, "is not a regular file"},
        {"workspace: folder", &Workspace, folder, "is a folder"},
        {"workspace: read-only", &Workspace, readOnly, "is read-only"},
        {"user: link", &UserNamed, link(QStringLiteral("victim")), nullptr},
        {"user: FIFO", &UserNamed, fifo, "is not a regular file"},
        {"user: link to a FIFO", &UserNamed,
         [](const QString& target, const TestFolder& outside) {
             ASSERT_TRUE(makeFifo(outside.file(QStringLiteral("pipe"))));
             ASSERT_TRUE(QFile::link(outside.file(QStringLiteral("pipe")), target));
         },
         "is not a regular file"},
        {"user: device", &UserNamed,
         [](const QString& target, const TestFolder&) {
             ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), target));
         },
         "is not a regular file"},
        {"user: folder", &UserNamed, folder, "is a folder"},
        {"user: read-only", &UserNamed, readOnly, "is read-only"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder here;
        TestFolder outside;
        const QString target = here.file(QStringLiteral("target.xml"));
        row.arrange(target, outside);
        const QStringList hereBefore = folderListing(here.path());
        const QStringList outsideBefore = folderListing(outside.path());
        const QString error = (*row.writer)(target, NewBytes);
        if (row.refusal) {
            EXPECT_TRUE(error.contains(target)) << error.toStdString();
            EXPECT_TRUE(error.contains(QLatin1String(row.refusal))) << error.toStdString();
            EXPECT_EQ(folderListing(here.path()), hereBefore);
            EXPECT_EQ(folderListing(outside.path()), outsideBefore);
        } else {
            // Followed: the link stays a link, the file it leads to is replaced.
            EXPECT_EQ(error, QString());
            EXPECT_TRUE(QFileInfo(target).isSymLink());
            EXPECT_EQ(outside.read(QStringLiteral("victim")), NewBytes);
            EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden),
                      QStringList{QStringLiteral("victim")});
        }
    }
}

// A file the user names may not be one of the configuration's own, by whatever name.
TEST(AtomicFile, RefusesAReservedFileByAnyName) {
    TestFolder folder;
    const QString own = folder.write(QStringLiteral("cfg/M_Bus.xml"), OldBytes);
    const QString missingOwn = folder.file(QStringLiteral("cfg/ParGen.xml"));
    const QStringList reserved{own, missingOwn};
    QFile::link(own, folder.file(QStringLiteral("link.csv")));
    ASSERT_EQ(::link(QFile::encodeName(own).constData(),
                     QFile::encodeName(folder.file(QStringLiteral("hard.csv"))).constData()),
              0);
    for (const QString& name : {own, folder.file(QStringLiteral("cfg/../cfg/M_Bus.xml")),
                                folder.file(QStringLiteral("link.csv")),
                                folder.file(QStringLiteral("hard.csv")), missingOwn}) {
        SCOPED_TRACE(name.toStdString());
        const QString error = writeUserFile(name, NewBytes, reserved);
        EXPECT_TRUE(error.contains(QStringLiteral("one of the configuration's own files")))
            << error.toStdString();
        EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), OldBytes);
        EXPECT_FALSE(QFile::exists(missingOwn));
    }
    EXPECT_EQ(writeUserFile(folder.file(QStringLiteral("cfg/export.csv")), NewBytes, reserved),
              QString());
}

// A folder among the reserved names reserves all inside it (bin/, history/), by any name that
// leads there; a file beside it stays allowed.
TEST(AtomicFile, RefusesAnythingInsideAReservedFolder) {
    TestFolder folder;
    folder.write(QStringLiteral("cfg/history/2026-12-10_15-00-00/Update.xml"), OldBytes);
    const QStringList reserved{folder.file(QStringLiteral("cfg/history")),
                               folder.file(QStringLiteral("cfg/bin"))};
    ASSERT_TRUE(QFile::link(folder.file(QStringLiteral("cfg/history/2026-12-10_15-00-00")),
                            folder.file(QStringLiteral("entry"))));
    for (const QString& name :
         {folder.file(QStringLiteral("cfg/history/2026-12-10_15-00-00/Update.xml")),
          folder.file(QStringLiteral("cfg/history/new.md")),
          folder.file(QStringLiteral("entry/M_Bus.xml"))}) {
        SCOPED_TRACE(name.toStdString());
        const QString error = writeUserFile(name, NewBytes, reserved);
        EXPECT_TRUE(error.contains(QStringLiteral("one of the configuration's own files")))
            << error.toStdString();
    }
    EXPECT_EQ(folder.read(QStringLiteral("cfg/history/2026-12-10_15-00-00/Update.xml")), OldBytes);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("cfg/history/new.md"))));
    EXPECT_EQ(writeUserFile(folder.file(QStringLiteral("cfg/report.md")), NewBytes, reserved),
              QString());
}

// A relative link is read from the link's own folder, as the system reads it, whatever the
// working folder is.
TEST(AtomicFile, ARelativeLinkLeadsFromItsOwnFolder) {
    TestFolder folder;
    folder.write(QStringLiteral("out/target.csv"), OldBytes);
    folder.write(QStringLiteral("cwd/target.csv"), OldBytes);
    folder.write(QStringLiteral("cwd/out/target.csv"), OldBytes);
    ASSERT_TRUE(
        QFile::link(QStringLiteral("target.csv"), folder.file(QStringLiteral("out/link.csv"))));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.file(QStringLiteral("cwd"))));
    const QString error = writeUserFile(folder.file(QStringLiteral("out/link.csv")), NewBytes);
    QDir::setCurrent(before);
    EXPECT_EQ(error, QString());
    EXPECT_EQ(folder.read(QStringLiteral("out/target.csv")), NewBytes);
    EXPECT_TRUE(QFileInfo(folder.file(QStringLiteral("out/link.csv"))).isSymLink());
    EXPECT_EQ(folder.read(QStringLiteral("cwd/target.csv")), OldBytes);
    EXPECT_EQ(folder.read(QStringLiteral("cwd/out/target.csv")), OldBytes);
}

// A write that fails part-way (the file-size limit) or cannot start (a folder that takes no
// new file) leaves the old file byte for byte and no temporary, and says which file and why.
TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
    for (const Writer* writer : {&Workspace, &UserNamed}) {
        TestFolder folder;
        const QString path = folder.write(QStringLiteral("data/file.xml"), OldBytes);
        const ChildResult limited = runWithFileSizeLimit(64, [&](QString& text) {
            text = (*writer)(path, NewBytes);
            return text.isEmpty() ? 0 : 1;
        });
        EXPECT_TRUE(limited.exited);
        EXPECT_EQ(limited.status, 1);
        EXPECT_TRUE(limited.text.contains(path)) << limited.text.toStdString();
        EXPECT_TRUE(limited.text.contains(QStringLiteral("File too large")))
            << limited.text.toStdString();
        EXPECT_EQ(QDir(folder.file(QStringLiteral("data")))
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("file.xml")});
        EXPECT_EQ(folder.read(QStringLiteral("data/file.xml")), OldBytes);

        const ReadOnlyFolder readOnly(folder.file(QStringLiteral("data")));
        if (!readOnly.refusesNewFiles())
            continue;
        const QString error = (*writer)(path, NewBytes);
        EXPECT_TRUE(error.startsWith(path + QStringLiteral(": "))) << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("Unknown error")));
        EXPECT_EQ(folder.read(QStringLiteral("data/file.xml")), OldBytes);
    }
}

// A temporary that a killed writer left goes at the next write of the same file; one that a
// running writer holds stays, and so do the user's own files of similar names.
TEST(AtomicFile, RemovesTheTemporariesOfAKilledWrite) {
    TestFolder folder;
    folder.write(QStringLiteral("out.md"), OldBytes);
    folder.write(QStringLiteral(".out.md-a1B2c3.tmp"), "half");
    const QString held = folder.write(QStringLiteral(".out.md-HELD00.tmp"), "running");
    folder.write(QStringLiteral(".out.md-toolong.tmp"), "mine");
    folder.write(QStringLiteral(".other.md-a1B2c3.tmp"), "another file's");
    const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(writeUserFile(folder.file(QStringLiteral("out.md")), NewBytes), QString());
    ::close(fd);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{".other.md-a1B2c3.tmp", ".out.md-HELD00.tmp", ".out.md-toolong.tmp",
                           "out.md"}));
    EXPECT_TRUE(
        AtomicFile::isTemporaryOf(QStringLiteral(".out.md-a1B2c3.tmp"), QStringLiteral("out.md")));
    EXPECT_FALSE(
        AtomicFile::isTemporaryOf(QStringLiteral("out.md.a1B2c3"), QStringLiteral("out.md")));
}
