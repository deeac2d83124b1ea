#include "cli/Commands.h"

#include "lang/LangTable.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString checkFixture(const char* name) {
    return fixturePath(QStringLiteral("check/") + QLatin1String(name));
}

QString text(int index) {
    return LangTable().text(index);
}

} // namespace

// Values at every edge the windows still accept, hex typed values included: nothing to say.
TEST(CheckCommand, CleanConfigurationIsSilent) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("clean")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QStringLiteral("no problems found\n"));
    EXPECT_EQ(run.err, QString());
}

// A configuration never confirmed has no files: the windows start from their defaults.
TEST(CheckCommand, AbsentFilesAreNoProblem) {
    TestFolder folder;
    EXPECT_EQ(runCommand(Cli::check, {folder.path()}).status, 0);
}

// One finding of every kind, each with its place and the window's own message.
TEST(CheckCommand, ReportsEveryKindOfProblem) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("problems")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QString());
    const QString node1 = QStringLiteral("M_Bus.xml: node 1 (primary 0)");
    const QString energy = node1 + QStringLiteral(", variable 1 \"Energy\": ");
    const QString lists = node1 + QStringLiteral(", variable 2 \"Lists\": ");
    const QStringList expected = {
        "ParGen.xml: Mod_TO \"70000\": " + text(446),
        "ParGen.xml: Ethernet_IP1 \"256\": " + text(448),
        "ParGen.xml: Ethernet_IP3 \"\": " + text(450),
        "ParGen.xml: Ethernet_SM4 \"-1\": " + text(455),
        "ParGen.xml: Ethernet_GAT3 \"abc\": " + text(458),
        "ParGen.xml: Meter_Baud: 8 is not a position of its list (0..7)",
        "ParGen.xml: Meter_Par: -1 is not a position of its list (0..2)",
        "ParGen.xml: Mod_Baud: 9 is not a position of its list (0..7)",
        "ParGen.xml: Mod_Par: 3 is not a position of its list (0..2)",
        "ParGen.xml: Mod_Protocol: 5 is not a position of its list (0..4)",
        "M_Bus.xml: 65 nodes: " + text(648),
        node1 + ": " + text(649),
        node1 + ": " + text(650),
        energy + text(641),
        energy + text(642),
        energy + text(643),
        energy + text(644),
        energy + text(646),
        lists + "\"Type\" is 26, not a position of its list (0..25)",
        lists + "\"Fun_Field\" is 4, not a position of its list (0..3)",
        lists + "\"Dim\" is 13, not a position of its list (0..12)",
        lists + "\"Unit\" is 11, not a position of its list (0..10)",
        lists + "\"VIFE\" is 152, not a position of its list (0..151)",
        lists + "\"Mod_TD\" is 4, not a position of its list (0..3)",
        lists + "\"Mod_Swap\" is 2, not a position of its list (0..1)",
        lists + "\"Scale\" is 0, but type 26 has no scale list (255 expected)",
        node1 + ", variable 3 \"Scale high\": \"Scale\" is 8, not a position of the scale list "
                "of type 0 (0..7)",
        node1 + ", variable 4 \"Scale none\": \"Scale\" is 0, but type 21 has no scale list "
                "(255 expected)",
        node1 + ", variable 5 \"Scale missing\": \"Scale\" is 255, not a position of the scale "
                "list of type 0 (0..7)",
        node1 + ", variable 6 \"Volts\": \"Scale\" is 16, not a position of the scale list of "
                "type 19 with VIFE 38 (0..15)",
        "M_Bus.xml: node 2 (primary 5), 11 variables: " + text(647),
        "M_Bus.xml: node 3 (primary 5): " + text(652),
    };
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts), expected);
}

// Files the windows cannot read stop the check with the reader's message.
TEST(CheckCommand, UnreadableFilesExitWithTwo) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("broken")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(run.err,
              QStringLiteral("ParGen.xml: Start-end tags mismatch at line 2, column 14\n"
                             "M_Bus.xml: node 1, variable 1: attribute \"Dim\" is missing or not "
                             "an integer\n"));
}

TEST(CheckCommand, WrongArgumentsExitWithTwo) {
    TestFolder folder;
    for (const QStringList& args : {QStringList{}, QStringList{folder.path(), folder.path()},
                                    QStringList{folder.file(QStringLiteral("missing"))}}) {
        const CapturedRun run = runCommand(Cli::check, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, QString());
        EXPECT_FALSE(run.err.isEmpty());
    }
}
