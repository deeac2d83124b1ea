#include "cli/Commands.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString checkFixture(const char* name) {
    return fixturePath(QStringLiteral("check/") + QLatin1String(name));
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
        "ParGen.xml: Mod_TO \"70000\": Error Modbus Master!! TimeOut must be between 0 and 65535 "
        "milliseconds",
        "ParGen.xml: Ethernet_IP1 \"256\": Error Ethernet!! IP Address 1 must be between 0 and 255",
        "ParGen.xml: Ethernet_IP3 \"\": Error Ethernet!! IP Address 3 must be between 0 and 255",
        "ParGen.xml: Ethernet_SM4 \"-1\": Error Ethernet!! SubNet Mask 4 must be between 0 and 255",
        "ParGen.xml: Ethernet_GAT3 \"abc\": Error Ethernet!! GATEWAY IP 3 must be between 0 and "
        "255",
        "ParGen.xml: Meter_Baud: 8 is not a position of its list (0..7)",
        "ParGen.xml: Meter_Par: -1 is not a position of its list (0..2)",
        "ParGen.xml: Mod_Baud: 9 is not a position of its list (0..7)",
        "ParGen.xml: Mod_Par: 3 is not a position of its list (0..2)",
        "ParGen.xml: Mod_Protocol: 5 is not a position of its list (0..4)",
        "M_Bus.xml: 65 nodes: Error!! Max number of nodes M-Bus reached",
        node1 + ": Error!! M-Bus Node Primary Address must be between 1 and 250",
        node1 + ": Error!! M-Bus Node Secondary Address must be between 0 and 99999999",
        energy + "Error!! ModBus Slave ID must be between 1 and 247",
        energy + "Error!! ModBus Register must be between 0 and 65535",
        energy + "Error!! ModBus Number of Points must be between 1 and 124",
        energy + "Error!! Length (Variable Len) must be between 0 and 191",
        energy + "Error!! Tariff must be between 0x00000 and 0xFFFFF",
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
        "M_Bus.xml: node 2 (primary 5), 11 variables: Error!! Max number of Variables reached",
        "M_Bus.xml: node 3 (primary 5): Error!! ID Node is already used",
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
