// Paths for a Windows program under wine, from a wine prefix made of its drive links only.
#include "core/platform/WinePaths.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A prefix as wine sets it up: c: is drive_c in the prefix, z: the root; d: a data folder.
struct Prefix {
    TestFolder folder;
    QString prefix = folder.file(QStringLiteral("wine"));
    QString data = folder.file(QStringLiteral("data"));
    Prefix() {
        QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
        QDir().mkpath(prefix + QStringLiteral("/drive_c/users"));
        QDir().mkpath(data + QStringLiteral("/Plant A/bin"));
        QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
        QFile::link(QStringLiteral("/"), prefix + QStringLiteral("/dosdevices/z:"));
        QFile::link(data, prefix + QStringLiteral("/dosdevices/d:"));
        QFile::link(folder.file(QStringLiteral("gone")),
                    prefix + QStringLiteral("/dosdevices/e:"));         // dangling: never used
        QFile::link(data, prefix + QStringLiteral("/dosdevices/com1")); // not a drive
    }
    static QString windows(QString path) { return path.replace(QLatin1Char('/'), u'\\'); }
};

} // namespace

TEST(WinePaths, TheClosestDriveWinsAndTheRestTakesBackslashes) {
    Prefix p;
    struct Row {
        const char* why;
        QString path;
        QString expected;
    };
    const Row rows[] = {
        {"inside drive_c", p.prefix + QStringLiteral("/drive_c/users/x.sim"),
         QStringLiteral(R"(C:\users\x.sim)")},
        {"a drive of its own", p.data + QStringLiteral("/Plant A/bin/bank.bin"),
         QStringLiteral(R"(D:\Plant A\bin\bank.bin)")},
        {"a folder keeps its trailing separator", p.data + QStringLiteral("/Plant A/bin/"),
         QStringLiteral(R"(D:\Plant A\bin\)")},
        {"a drive's own folder", p.data, QStringLiteral(R"(D:\)")},
        {"anything else through the root", p.folder.file(QStringLiteral("MASTER/sim48213.sim")),
         QStringLiteral("Z:") +
             Prefix::windows(p.folder.file(QStringLiteral("MASTER/sim48213.sim")))},
        {"a file not there yet", p.data + QStringLiteral("/new/bank2.bin"),
         QStringLiteral(R"(D:\new\bank2.bin)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(WinePaths::windowsPath(p.prefix, row.path), row.expected);
    }
}

// A link on the way resolves as wine resolves it.
TEST(WinePaths, LinksInThePathAreFollowed) {
    Prefix p;
    const QString link = p.folder.file(QStringLiteral("shortcut"));
    ASSERT_TRUE(QFile::link(p.data, link));
    EXPECT_EQ(WinePaths::windowsPath(p.prefix, link + QStringLiteral("/Plant A/bin/")),
              QStringLiteral(R"(D:\Plant A\bin\)"));
}

TEST(WinePaths, PrefixWithoutLinksOrWithoutTheRootDrive) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("PROJECTS/P/bin/bank.bin"));
    // Not set up yet: wine will link z: to the root, so that is the form.
    EXPECT_EQ(WinePaths::windowsPath(folder.file(QStringLiteral("fresh")), path),
              QStringLiteral("Z:") + Prefix::windows(path));
    // z: removed by hand: no drive reaches the path; wine's own form for that.
    const QString prefix = folder.file(QStringLiteral("noroot"));
    QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
    EXPECT_EQ(WinePaths::windowsPath(prefix, path),
              QStringLiteral(R"(\\?\unix)") + Prefix::windows(path));
}
