#include "image/Compiler.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const CompiledBanks Banks{QByteArray("\x08\0\0\0\x08\0\0\0", 8), QByteArray(2048, '\x01')};

} // namespace

// A configuration whose bin folder was deleted still gets its images.
TEST(WriteBanks, CreatesMissingBinFolder) {
    TestFolder folder;
    EXPECT_EQ(Write_Banks(folder.path(), Banks), QString());
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), Banks.bank);
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), Banks.bank2);
}

// Older, longer images are replaced whole, not overwritten in place.
TEST(WriteBanks, ReplacesExistingFiles) {
    TestFolder folder;
    folder.write(QStringLiteral("bin/bank.bin"), QByteArray(5000, 'x'));
    folder.write(QStringLiteral("bin/bank2.bin"), QByteArray(3000, 'y'));
    EXPECT_EQ(Write_Banks(folder.path(), Banks), QString());
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), Banks.bank);
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), Banks.bank2);
}

// When the images cannot be written the caller must stop: the device would otherwise be
// updated with stale files.
TEST(WriteBanks, ReportsWhatCouldNotBeWritten) {
    struct Row {
        const char* why;
        const char* blocker; // a file placed in the way (its folders are created too)
        const char* mentioned;
    };
    const Row rows[] = {
        {"bin is a file", "bin", "bin"},
        {"bank.bin is a folder", "bin/bank.bin/x", "bank.bin"},
        {"bank2.bin is a folder", "bin/bank2.bin/x", "bank2.bin"},
    };
    for (const Row& row : rows) {
        TestFolder folder;
        folder.write(QString::fromLatin1(row.blocker), "in the way");
        const QString error = Write_Banks(folder.path(), Banks);
        EXPECT_FALSE(error.isEmpty()) << row.why;
        EXPECT_TRUE(error.contains(QLatin1String(row.mentioned))) << error.toStdString();
    }
    EXPECT_FALSE(Write_Banks(QString(), Banks).isEmpty());
}
