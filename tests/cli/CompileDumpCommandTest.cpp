#include "cli/Commands.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

void copyWorkedExample(const TestFolder& folder) {
    folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                       QStringLiteral("M_Bus.xml"));
    folder.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                       QStringLiteral("ParGen.xml"));
}

} // namespace

// The command writes both images and says where and how big.
TEST(CliCompile, WritesBothImages) {
    TestFolder folder;
    copyWorkedExample(folder);
    const CapturedRun r = runCommand(Cli::compile, {folder.path()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("bank.bin: 55 bytes"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("bank2.bin: 2048 bytes"))) << r.out.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")).size(), 55);
    EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")).size(), 2048);
}

// A failing compile leaves the images of the last good compile untouched.
TEST(CliCompile, FailureWritesNothing) {
    const std::vector<std::pair<const char*, QByteArray>> rows = {
        {"M_Bus.xml", "<M-Bus_Network><Nodo ID=\"1\"><Variabile Enable=\"1\"/></Nodo>"
                      "</M-Bus_Network>"},
        {"ParGen.xml", "<Par_Gen><Mod_Ser>1</Mod_Ser></Par_Gen>"},
    };
    for (const auto& [file, content] : rows) {
        TestFolder folder;
        copyWorkedExample(folder);
        folder.write(QString::fromLatin1(file), content);
        folder.write(QStringLiteral("bin/bank.bin"), "old image");
        folder.write(QStringLiteral("bin/bank2.bin"), "old block");
        const CapturedRun r = runCommand(Cli::compile, {folder.path()});
        EXPECT_NE(r.status, 0) << file;
        EXPECT_TRUE(r.err.contains(QLatin1String(file))) << r.err.toStdString();
        EXPECT_EQ(folder.read(QStringLiteral("bin/bank.bin")), QByteArray("old image"));
        EXPECT_EQ(folder.read(QStringLiteral("bin/bank2.bin")), QByteArray("old block"));
    }
}

TEST(CliCompile, BadArguments) {
    EXPECT_EQ(runCommand(Cli::compile, {}).status, 2);
    TestFolder folder;
    const CapturedRun r = runCommand(Cli::compile, {folder.file(QStringLiteral("missing"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not a folder")));
    // An unwritable bin: the error reaches the user, the status says so.
    copyWorkedExample(folder);
    folder.write(QStringLiteral("bin"), "a file where the folder belongs");
    const CapturedRun blocked = runCommand(Cli::compile, {folder.path()});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(blocked.err.contains(QStringLiteral("bin"))) << blocked.err.toStdString();
}

// Both images at once, told apart by content; bad files are named and fail the status.
TEST(CliDump, DecodesAndReports) {
    TestFolder folder;
    copyWorkedExample(folder);
    ASSERT_EQ(runCommand(Cli::compile, {folder.path()}).status, 0);
    const QString bank = folder.file(QStringLiteral("bin/bank.bin"));
    const QString bank2 = folder.file(QStringLiteral("bin/bank2.bin"));
    const CapturedRun good = runCommand(Cli::dump, {bank2, bank});
    EXPECT_EQ(good.status, 0) << good.err.toStdString();
    EXPECT_TRUE(good.out.contains(QStringLiteral("bank2.bin (device parameter block)")));
    EXPECT_TRUE(good.out.contains(QStringLiteral("bank.bin (network image), 55 bytes")));

    const QString cut =
        folder.write(QStringLiteral("cut.bin"), folder.read("bin/bank.bin").left(30));
    QByteArray noChecksum(2048, '\0');
    noChecksum[0x100] = 1;
    const QString zeros = folder.write(QStringLiteral("zeros.bin"), noChecksum);
    const QString missing = folder.file(QStringLiteral("missing.bin"));
    struct Row {
        QString path;
        const char* inOut;
    };
    for (const Row& row : {Row{cut, "outside the file"}, Row{zeros, "neither"}, Row{missing, ""}}) {
        const CapturedRun r = runCommand(Cli::dump, {bank, row.path});
        EXPECT_EQ(r.status, 1) << row.path.toStdString();
        EXPECT_TRUE(r.err.contains(row.path)) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QLatin1String(row.inOut))) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("55 bytes"))) << "the good file is still shown";
    }
    EXPECT_EQ(runCommand(Cli::dump, {}).status, 2);
}

// The dump of the worked example, kept as support staff have always read it.
TEST(CliDump, TheWorkedExampleReadsAsItAlwaysHas) {
    TestFolder folder;
    copyWorkedExample(folder);
    ASSERT_EQ(runCommand(Cli::compile, {folder.path()}).status, 0);
    const CapturedRun r = runCommand(Cli::dump, {folder.file(QStringLiteral("bin/bank.bin")),
                                                 folder.file(QStringLiteral("bin/bank2.bin"))});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QString out = r.out;
    out.replace(folder.path(), QStringLiteral("CONFIG"));
    EXPECT_EQ(out, QString::fromUtf8(readFixture(QStringLiteral("image/worked_example.dump"))));
}
