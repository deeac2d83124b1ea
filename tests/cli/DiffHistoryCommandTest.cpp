#include "cli/Commands.h"

#include "core/history/UpdateHistory.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// A configuration folder `name` holding the worked example, with Modbus register `reg`.
QString workedExample(const TestFolder& folder, const QString& name, int reg = 0,
                      const char* meterBaud = "3") {
    QByteArray mbus = readFixture(QStringLiteral("image/worked_example/M_Bus.xml"));
    mbus.replace("Mod_NR=\"0\"", "Mod_NR=\"" + QByteArray::number(reg) + "\"");
    QByteArray parGen = readFixture(QStringLiteral("image/worked_example/ParGen.xml"));
    parGen.replace("<Meter_Baud>3</Meter_Baud>",
                   "<Meter_Baud>" + QByteArray(meterBaud) + "</Meter_Baud>");
    folder.write(name + QStringLiteral("/M_Bus.xml"), mbus);
    folder.write(name + QStringLiteral("/ParGen.xml"), parGen);
    return folder.file(name);
}

} // namespace

TEST(CliDiff, ExitStatusFollowsDiff) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    const QString same = workedExample(folder, QStringLiteral("Same"));
    const QString b = workedExample(folder, QStringLiteral("B"), 41, "5");
    ASSERT_EQ(runCommand(Cli::compile, {b}).status, 0);
    struct Row {
        const char* what;
        QStringList args;
        int status;
        const char* out; // nullptr: not checked
    };
    const Row rows[] = {
        {"the same configuration", {a, same}, 0, "Nothing changes on the device\n"},
        {"two configurations",
         {a, b},
         1,
         "M-Bus baud rate 2400 \u2192 9600\n"
         "Node 1 (Heat meter), variable 1 \"Energy\": Modbus register 0 \u2192 41\n"},
        {"image pairs", {b + "/bin/bank.bin", b + "/bin/bank.bin"}, 0, nullptr},
        {"a folder against an image pair", {a, b + "/bin/bank.bin"}, 1, nullptr},
        {"a missing file", {a, folder.file("nothing/bank.bin")}, 2, ""},
        {"a folder that is no configuration", {a, folder.path()}, 2, ""},
        {"no image", {a, a + "/M_Bus.xml"}, 2, ""},
        {"one argument", {a}, 2, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CapturedRun r = runCommand(Cli::diff, row.args);
        EXPECT_EQ(r.status, row.status) << r.err.toStdString();
        if (row.out) {
            EXPECT_EQ(r.out, QString::fromUtf8(row.out));
        }
        EXPECT_EQ(r.err.isEmpty(), row.status != 2) << r.err.toStdString();
    }
}

TEST(CliDiff, JsonListsKindNodeVariableFieldOldNew) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    const QString b = workedExample(folder, QStringLiteral("B"), 41, "5");
    const CapturedRun r = runCommand(Cli::diff, {QStringLiteral("--json"), a, b});
    EXPECT_EQ(r.status, 1);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    const QJsonArray expected{
        QJsonObject{{"kind", "setting"},
                    {"node", QJsonValue()},
                    {"variable", QJsonValue()},
                    {"field", "mbus_baud"},
                    {"old", "2400"},
                    {"new", "9600"}},
        QJsonObject{{"kind", "variable"},
                    {"node", 1},
                    {"variable", 1},
                    {"field", "modbus_register"},
                    {"old", "0"},
                    {"new", "41"}},
    };
    EXPECT_EQ(document.array(), expected) << r.out.toStdString();

    const CapturedRun same = runCommand(Cli::diff, {a, a, QStringLiteral("--json")});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(QJsonDocument::fromJson(same.out.toUtf8()).array(), QJsonArray());
}

TEST(CliHistory, ListsTheEntriesNewestFirst) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    EXPECT_EQ(runCommand(Cli::history, {a}).out, QStringLiteral("No update yet.\n"));
    ASSERT_EQ(runCommand(Cli::compile, {a}).status, 0);
    UpdateHistory::Record serial;
    serial.path = QStringLiteral("COM3");
    serial.option = 2;
    const QDateTime at(QDate(2026, 12, 10), QTime(15, 0), Qt::UTC);
    auto first = UpdateHistory::create(a, serial, at);
    ASSERT_TRUE(first.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(first.record, UpdateHistory::Outcome::Finished, 0),
              QString());
    serial.option = 1;
    ASSERT_TRUE(UpdateHistory::create(a, serial, at.addSecs(60)).ok());

    const CapturedRun r = runCommand(Cli::history, {a});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(
        lines[0].contains(QStringLiteral("\tCOM3\tFirmware\tThe updater was started; its end "
                                         "was not recorded.\t")));
    EXPECT_TRUE(lines[1].contains(
        QStringLiteral("\tCOM3\tConfiguration\tThe updater finished (exit code 0)\t")));
    EXPECT_EQ(runCommand(Cli::history, {folder.file("none")}).status, 2);
}

// Every value taken from a file is printed so that it cannot forge a column or a line; what
// is not an entry of ours is listed apart.
TEST(CliHistory, ValuesFromFilesCannotForgeLines) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    ASSERT_EQ(runCommand(Cli::compile, {a}).status, 0);
    UpdateHistory::Record forged;
    forged.path = QStringLiteral("COM3\tforged\n2026-01-01 00:00:00\tCOM9\\");
    forged.option = 2;
    ASSERT_TRUE(
        UpdateHistory::create(a, forged, QDateTime(QDate(2026, 12, 10), QTime(15, 0), Qt::UTC))
            .ok());
    folder.write(QStringLiteral("A/history/notes\tand\nmore/x"), "mine");
    const CapturedRun r = runCommand(Cli::history, {a});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral("\tCOM3\\tforged\\n2026-01-01 00:00:00\\tCOM9\\\\\tConfiguration\t")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[0].count(QLatin1Char('\t')), 4);
    EXPECT_EQ(lines[1], QStringLiteral("Not updates of this program (left as they are):"));
    EXPECT_EQ(lines[2], QStringLiteral("\tnotes\\tand\\nmore"));
}

// check and diff say when a configuration's images are not the compile of its files.
TEST(CliDiff, ImagesThatDoNotMatchTheirConfigurationAreSaid) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    ASSERT_EQ(runCommand(Cli::compile, {a}).status, 0);
    EXPECT_FALSE(runCommand(Cli::check, {a}).out.contains(QStringLiteral("bin: ")));
    const QString bank = a + QStringLiteral("/bin/bank.bin");
    EXPECT_EQ(runCommand(Cli::diff, {bank, a}).err, QString());

    workedExample(folder, QStringLiteral("A"), 7);
    const CapturedRun check = runCommand(Cli::check, {a});
    EXPECT_TRUE(check.out.contains(
        QStringLiteral("bin: The images in the bin folder do not match the configuration: "
                       "M_Bus.xml changed after they were compiled.")))
        << check.out.toStdString();
    const CapturedRun diff = runCommand(Cli::diff, {bank, a});
    EXPECT_EQ(diff.status, 1);
    EXPECT_TRUE(diff.err.contains(QStringLiteral("diff: ") + bank +
                                  QStringLiteral(": The images in the bin folder do not match")))
        << diff.err.toStdString();
}

// No output replaces anything under bin/ or history/; a report beside the configuration's
// files stays allowed.
TEST(CliHistory, OutputsStayOutOfTheConfigurationsOwnFolders) {
    TestFolder folder;
    const QString a = workedExample(folder, QStringLiteral("A"));
    ASSERT_EQ(runCommand(Cli::compile, {a}).status, 0);
    UpdateHistory::Record serial;
    serial.path = QStringLiteral("COM3");
    const auto entry =
        UpdateHistory::create(a, serial, QDateTime(QDate(2026, 12, 10), QTime(15, 0), Qt::UTC));
    ASSERT_TRUE(entry.ok());
    const QString record = entry.record.folder + QStringLiteral("/Update.xml");
    const QByteArray kept = folder.read(QStringLiteral("A/history/2026-12-10_15-00-00/Update.xml"));
    for (const QString& output :
         {record, a + QStringLiteral("/history/new.md"), a + QStringLiteral("/bin/new.md")}) {
        SCOPED_TRACE(output.toStdString());
        const CapturedRun report =
            runCommand(Cli::report, {a, QStringLiteral("--format"), QStringLiteral("md"),
                                     QStringLiteral("-o"), output});
        EXPECT_EQ(report.status, 1);
        EXPECT_TRUE(report.err.contains(QStringLiteral("one of the configuration's own files")))
            << report.err.toStdString();
        EXPECT_EQ(runCommand(Cli::exportCsv, {a, output}).status, 1);
    }
    EXPECT_EQ(folder.read(QStringLiteral("A/history/2026-12-10_15-00-00/Update.xml")), kept);
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/history/new.md")));
    EXPECT_EQ(runCommand(Cli::report, {a, QStringLiteral("--format"), QStringLiteral("md"),
                                       QStringLiteral("-o"), a + QStringLiteral("/report.md")})
                  .status,
              0);
}
