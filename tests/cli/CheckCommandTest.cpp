#include "cli/Commands.h"

#include "core/check/ConfigCheck.h"
#include "core/comm/GeneralParameters.h"
#include "core/comm/ParGenRules.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

QString checkFixture(const char* name) {
    return fixturePath(QStringLiteral("check/") + QLatin1String(name));
}

} // namespace

// Values at every edge the windows still accept, hex typed values included: no finding. The
// device takes them all, but three Modbus sources are narrower than their M-Bus fields and
// node 250 has no enabled variable, so the device leaves it out: those are warnings, and they
// keep the exit status.
TEST(CheckCommand, CleanConfigurationIsSilent) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("clean")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              QStringLiteral(
                  "M_Bus.xml: Warning: variable 2 \"Serial\" of the node with primary address 1 "
                  "reads 32 bits from Modbus for an M-Bus field of 1528 bits\n"
                  "M_Bus.xml: Warning: variable 3 \"Volts\" of the node with primary address 1 "
                  "reads 32 bits from Modbus for an M-Bus field of 48 bits\n"
                  "M_Bus.xml: Warning: variable 4 \"No VIFE\" of the node with primary address 1 "
                  "reads 16 bits from Modbus for an M-Bus field of 32 bits\n"
                  "M_Bus.xml: Warning: node with primary address 250 has no enabled variable: "
                  "the gateway will not answer at this address\n"));
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
    QStringList expected = {
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
    // Node 5's eleven variables are copies of one record: warnings after the findings.
    for (int copy = 2; copy <= 11; ++copy)
        expected << QStringLiteral(
                        "M_Bus.xml: Warning: variables 1 \"V1\" and %1 \"V%1\" of the node "
                        "with primary address 5 have the same coding; the M-Bus master "
                        "cannot tell their records apart")
                        .arg(copy);
    // The second node 5 and the filler nodes 10 to 71 have no enabled variable: the images
    // leave them out.
    QList<int> silent = {5};
    for (int primary = 10; primary <= 71; ++primary)
        silent << primary;
    for (int primary : silent)
        expected << QStringLiteral("M_Bus.xml: Warning: node with primary address %1 has no "
                                   "enabled variable: the gateway will not answer at this "
                                   "address")
                        .arg(primary);
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts), expected);
}

// Values the windows and the image compiler read differently: each one with the file's text,
// what the windows would keep and what the image gets. Texts that name the same number
// ("+7", "007") and disabled variables (not in the image) are no finding.
TEST(CheckCommand, ReportsValuesTheWindowsWouldChangeInTheImage) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("disagree")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QString());
    const QString node1 = QStringLiteral("M_Bus.xml: node 1 (primary 1)");
    const QString wide = node1 + QStringLiteral(", variable 3 \"Too wide\": ");
    const QStringList expected = {
        node1 + ": \"Sec_Add\" is \"4294967295\" in the file: the windows keep 0, the image gets "
                "94967295",
        node1 + ", variable 1 \"Minus one\": \"StoNumber\" is \"-1\" in the file: the windows "
                "keep 0, the image gets 4294967295",
        wide + "\"StoNumber\" is \"4294967296\" in the file: the windows keep 0, the image gets 0",
        wide + "\"Scale\" is \"257\" in the file: the windows keep 1, the image gets record code "
               "0x0000",
        wide + "\"Mod_ID\" is \"4294967296\" in the file: the windows keep 1, the image gets 0",
        "M_Bus.xml: node 2 (primary 2), variable 1 \"Plain\": \"VIFE\" is \"300\" in the file: "
        "the windows keep 44, the image gets 44",
        "ParGen.xml: Mod_Ser: \"Mod_Ser\" is \"257\" in the file: the windows keep 0, the image "
        "gets 1",
        "ParGen.xml: Mod_Baud: \"Mod_Baud\" is \"4294967299\" in the file: the windows keep 7, "
        "the image gets 3",
        "ParGen.xml: Ethernet_EN_GAT: \"Ethernet_EN_GAT\" is \"2\" in the file: the windows keep "
        "0, the image gets the gateway",
    };
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts), expected) << run.out.toStdString();
}

// Files the windows cannot read stop the check with the reader's message.
TEST(CheckCommand, UnreadableFilesExitWithTwo) {
    const CapturedRun run = runCommand(Cli::check, {checkFixture("broken")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(run.err,
              QStringLiteral("ParGen.xml: mismatched tag at line 2, column 14\n"
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

// The window, `check` and the compiler read a typed time-out, delay or octet alike: what the
// window accepts, check accepts and the device gets as the number typed; what is no number
// check reports, and the compiler refuses (times) or replaces by its default (octets).
TEST(CheckCommand, AgreesWithTheWindowAndTheCompilerOnTypedNumbers) {
    struct Row {
        const char* text;
        std::optional<qint32> number; // by the window's number rule
    };
    const std::vector<Row> rows = {
        {"100", 100},       {" 100", 100}, {"$64", 100},     {"0x64", 100},    {"x64", 100},
        {"+100", 100},      {" 7", 7},     {"$0A", 10},      {"0", 0},         {"$FF", 255},
        {"-1", -1},         {"256", 256},  {"$FFFF", 65535}, {"65536", 65536}, {"1000 ms", {}},
        {"10.5", {}},       {"abc", {}},   {"", {}},         {"100 ", {}},     {"4294967296", {}},
        {"2147483648", {}}, {"0x", {}},
    };
    struct Field {
        QString GeneralParameters::*field;
        const char* element;
        qint64 high;
        bool bank2; // the octet lands in bank2.bin at 0x02B; the time-out in bank2 at 0x01C
    };
    const Field fields[] = {{&GeneralParameters::modbusTimeout, "Mod_TO", 65535, false},
                            {&GeneralParameters::ethernetIp4, "Ethernet_IP4", 255, true}};
    for (const Row& row : rows) {
        EXPECT_EQ(typedNumber(QString::fromUtf8(row.text)), row.number) << row.text;
        for (const Field& f : fields) {
            const std::string why = std::string(f.element) + " \"" + row.text + "\"";
            TestFolder folder;
            GeneralParameters record;
            record.*(f.field) = QString::fromUtf8(row.text);
            ASSERT_EQ(saveGeneralParameters(record, folder.file(QStringLiteral("ParGen.xml"))),
                      QString());

            const bool windowAccepts = settingsFailures(record).isEmpty();
            EXPECT_EQ(windowAccepts, row.number && *row.number >= 0 && *row.number <= f.high)
                << why;
            const ConfigCheckResult check = checkConfiguration(folder.path(), LanguageTable());
            EXPECT_TRUE(check.errors.isEmpty()) << why;
            EXPECT_EQ(check.findings.isEmpty(), windowAccepts) << why;

            const CompileResult image =
                compileBanksFromFiles(folder.file(QStringLiteral("M_Bus.xml")),
                                      folder.file(QStringLiteral("ParGen.xml")));
            if (!f.bank2 && !row.number) {
                EXPECT_FALSE(image.ok()) << why;
                continue;
            }
            ASSERT_TRUE(image.ok()) << why << ": " << image.error.toStdString();
            if (f.bank2) {
                const quint8 expected = row.number ? quint8(*row.number) : 205;
                EXPECT_EQ(quint8(image.banks.bank2.at(0x02B)), expected) << why;
            } else {
                const quint32 stored = quint8(image.banks.bank2.at(0x01C)) |
                                       quint32(quint8(image.banks.bank2.at(0x01D))) << 8;
                EXPECT_EQ(stored, quint32(quint16(*row.number))) << why;
            }
        }
    }
}

// Every reader of a configuration refuses a file that is not well-formed, as the wrapper
// does, with the file named; `check` reports it instead of a finding.
TEST(CheckCommand, EveryReaderRefusesWhatIsNotWellFormed) {
    for (const char* fixture :
         {"two_roots.xml", "text_before_root.xml", "text_after_root.xml", "after_nul.xml",
          "duplicate_attribute.xml", "invalid_utf8.xml", "undefined_entity.xml", "doctype.xml",
          "nul_in_text.xml", "control_character.xml"}) {
        SCOPED_TRACE(fixture);
        const QString source = QStringLiteral("xml/") + QLatin1String(fixture);
        TestFolder folder;
        const QString parGen = folder.copyFixture(source, QStringLiteral("ParGen.xml"));
        const QString mbus = folder.copyFixture(source, QStringLiteral("M_Bus.xml"));
        const auto namesTheFile = [](const QString& error, const char* file) {
            return error.startsWith(QLatin1String(file) + QStringLiteral(": ")) &&
                   error.contains(QStringLiteral(" at line "));
        };

        const GeneralParametersLoad settings = loadGeneralParameters(parGen);
        EXPECT_TRUE(namesTheFile(settings.error, "ParGen.xml")) << settings.error.toStdString();
        const SelectDeviceRead device = readDeviceModel(parGen);
        EXPECT_EQ(device.error, settings.error);
        const NetworkLoad network = loadNetwork(mbus);
        EXPECT_TRUE(namesTheFile(network.error, "M_Bus.xml")) << network.error.toStdString();
        EXPECT_TRUE(network.nodes.isEmpty());

        const CompileResult onlySettings = compileBanksFromFiles(QString(), parGen);
        EXPECT_EQ(onlySettings.error, settings.error);
        const CompileResult onlyNetwork = compileBanksFromFiles(mbus, QString());
        EXPECT_EQ(onlyNetwork.error, network.error);

        const CapturedRun run = runCommand(Cli::check, {folder.path()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(run.err, settings.error + QLatin1Char('\n') + network.error + QLatin1Char('\n'));
    }
}

// A finding quotes the file's text; a line break in it is shown escaped and forges no line.
TEST(CheckCommand, QuotedTextsCannotForgeLines) {
    TestFolder folder;
    folder.write(QStringLiteral("ParGen.xml"),
                 "<ParGen><Mod_TO>70000&#10;ParGen.xml: forged</Mod_TO></ParGen>");
    // Two records the master cannot tell apart: the warning quotes their descriptions.
    const QByteArray twin = "<Variabile Enable=\"1\" Desc=\"E&#10;M_Bus.xml: forged\" Type=\"0\" "
                            "Fun_Field=\"0\" Dim=\"2\" Mod_ID=\"1\" Mod_TD=\"2\" Mod_NP=\"2\"/>";
    folder.write(QStringLiteral("M_Bus.xml"), "<M-Bus_Network><Nodo ID=\"1\" Sec_Add=\"1\">" +
                                                  twin + twin + "</Nodo></M-Bus_Network>");
    const CapturedRun run = runCommand(Cli::check, {folder.path()});
    EXPECT_EQ(run.status, 1);
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        for (const char* forged : {"ParGen.xml: forged", "M_Bus.xml: forged"})
            EXPECT_FALSE(line.startsWith(QLatin1String(forged))) << line.toStdString();
    EXPECT_TRUE(run.out.startsWith(
        QStringLiteral("ParGen.xml: Mod_TO \"70000\\nParGen.xml: forged\": Error Modbus")))
        << run.out.toStdString();
}
