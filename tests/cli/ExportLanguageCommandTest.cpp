#include "cli/Commands.h"
#include "core/lang/LanguageTable.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

CapturedRun runExport(const QStringList& args) {
    return runCommand(Cli::exportLanguage, args);
}

TEST(ExportLanguageCommand, WritesTheDefaults) {
    TestFolder folder;
    const CapturedRun run = runExport({folder.file("English.lng")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    EXPECT_EQ(run.out,
              QStringLiteral("Wrote ") + folder.file("English.lng") + QStringLiteral("\n"));
    // A translator's starting file: UTF-8 with its mark, Windows line ends, English texts.
    const QByteArray written = folder.read("English.lng");
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF; Ordano language file\r\n"
                                   "; Texts from: English defaults\r\n"));
    EXPECT_TRUE(written.contains("\r\nSTR0 = Begin\r\n"));
    EXPECT_TRUE(written.contains("\r\nSTR836 = Device Not Found!\r\n"));
}

TEST(ExportLanguageCommand, OverLoadsTheTranslationAsTheProgramDoes) {
    TestFolder folder;
    const QString old = folder.copyFixture("lang/italiano_old.lng", "old.lng");
    const CapturedRun run = runExport({"--over", old, folder.file("Italiano.lng")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    LanguageTable expected;
    expected.loadFile(old);
    LanguageTable written;
    ASSERT_TRUE(written.loadFile(folder.file("Italiano.lng")));
    for (int i = 0; i < written.size(); ++i)
        ASSERT_EQ(written.text(i), expected.text(i)) << "index " << i;
    EXPECT_EQ(written.text(836), QStringLiteral("Dispositivo non trovato!"));
    EXPECT_EQ(written.text(837), QStringLiteral("Error!!! Check the Ip Address"));
}

struct FailureCase {
    const char* why;
    QStringList args; // "@" stands for the test folder
    int status;
};

void PrintTo(const FailureCase& row, std::ostream* os) {
    *os << row.why;
}

class ExportLanguageFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(ExportLanguageFailureTest, OneLineOnErrAndNoFile) {
    TestFolder folder;
    QStringList args = GetParam().args;
    for (QString& arg : args)
        arg.replace(u'@', folder.path());
    const CapturedRun run = runExport(args);
    EXPECT_EQ(run.status, GetParam().status) << GetParam().why;
    EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.file("out.lng")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ExportLanguageFailureTest,
    testing::Values(FailureCase{"no output file", {}, 2},
                    FailureCase{"--over without its file", {"--over"}, 2},
                    FailureCase{"--over but no output file", {"--over", "@/x.lng"}, 2},
                    FailureCase{"two output files", {"@/out.lng", "@/b.lng"}, 2},
                    FailureCase{"unknown option", {"--utf16", "@/out.lng"}, 2},
                    FailureCase{"unreadable translation", {"--over", "@/none.lng", "@/out.lng"}, 1},
                    FailureCase{"output folder missing", {"@/no/such/out.lng"}, 1}));

} // namespace
