#include "core/image/CompileConfiguration.h"

#include "core/image/BankFiles.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QByteArray OldBank = "old bank";
const QByteArray OldBank2 = "old bank2";

// A configuration holding the worked example's files and the images of an earlier compile.
QString configuration(const TestFolder& folder) {
    folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                       QStringLiteral("Plant/M_Bus.xml"));
    folder.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                       QStringLiteral("Plant/ParGen.xml"));
    folder.write(QStringLiteral("Plant/bin/bank.bin"), OldBank);
    folder.write(QStringLiteral("Plant/bin/bank2.bin"), OldBank2);
    return folder.file(QStringLiteral("Plant"));
}

} // namespace

// The compile writes exactly what the compiler makes of the configuration's own two files.
TEST(CompileConfiguration, WritesTheImagesOfTheConfigurationsFiles) {
    TestFolder folder;
    const QString dir = configuration(folder);
    const CompileResult expected =
        compileBanksFromFiles(folder.file(QStringLiteral("Plant/M_Bus.xml")),
                              folder.file(QStringLiteral("Plant/ParGen.xml")));
    ASSERT_TRUE(expected.ok());
    const CompiledConfiguration result = compileConfiguration(dir);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.banks.bank, expected.banks.bank);
    EXPECT_EQ(result.banks.bank2, expected.banks.bank2);
    EXPECT_EQ(folder.read(QStringLiteral("Plant/bin/bank.bin")), expected.banks.bank);
    EXPECT_EQ(folder.read(QStringLiteral("Plant/bin/bank2.bin")), expected.banks.bank2);
}

// A compile that fails, or images that cannot be written, leave the old images byte for byte
// and say why.
TEST(CompileConfiguration, AFailureAtEitherStepKeepsTheOldImages) {
    struct Row {
        const char* why;
        const char* mentioned;
    };
    const Row rows[] = {
        {"M_Bus.xml is not well-formed", "M_Bus.xml"},
        {"bin is a link out of the configuration", "bin"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder folder;
        const QString dir = configuration(folder);
        TestFolder outside;
        if (QByteArray(row.mentioned) == "bin") {
            outside.write(QStringLiteral("bank.bin"), OldBank);
            outside.write(QStringLiteral("bank2.bin"), OldBank2);
            QFile::remove(folder.file(QStringLiteral("Plant/bin/bank.bin")));
            QFile::remove(folder.file(QStringLiteral("Plant/bin/bank2.bin")));
            ASSERT_TRUE(QDir(folder.file(QStringLiteral("Plant"))).rmdir(QStringLiteral("bin")));
            ASSERT_TRUE(QFile::link(outside.path(), folder.file(QStringLiteral("Plant/bin"))));
        } else {
            folder.write(QStringLiteral("Plant/M_Bus.xml"), "<M-Bus_Network><Nodo");
        }
        const CompiledConfiguration result = compileConfiguration(dir);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.contains(QLatin1String(row.mentioned)))
            << result.error.toStdString();
        EXPECT_TRUE(result.banks.bank.isEmpty());
        EXPECT_EQ(folder.read(QStringLiteral("Plant/bin/bank.bin")), OldBank);
        EXPECT_EQ(folder.read(QStringLiteral("Plant/bin/bank2.bin")), OldBank2);
    }
}
