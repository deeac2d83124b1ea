#include "cli/Commands.h"
#include "common/AtomicFile.h"
#include "common/ConfigClaim.h"
#include "core/lang/LanguageSet.h"
#include "core/report/Exports.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The worked example's network in "cfg", and the spreadsheet the tests write beside it.
struct WorkedExample {
    TestFolder folder;
    const QString config = folder.file(QStringLiteral("cfg"));
    const QString csv = folder.file(QStringLiteral("net.csv"));

    WorkedExample() {
        folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                           QStringLiteral("cfg/M_Bus.xml"));
    }
    QByteArray network() const { return folder.read(QStringLiteral("cfg/M_Bus.xml")); }
    // The network exported, with `from` replaced by `to` in the spreadsheet.
    void exportEdited(const char* from, const char* to) const {
        ASSERT_EQ(runCommand(Cli::exportCsv, {config, csv}).status, 0);
        QByteArray edited = folder.read(QStringLiteral("net.csv"));
        edited.replace(from, to);
        folder.write(QStringLiteral("net.csv"), edited);
    }
};

} // namespace

// The installer's loop: export, edit a register in a spreadsheet with ";" separators,
// import. Only the edited value changes in M_Bus.xml.
TEST(ExchangeCommands, ExportEditImport) {
    const WorkedExample example;
    const TestFolder& folder = example.folder;
    const QString& config = example.config;
    const QString& csv = example.csv;
    const QByteArray before = example.network();

    const CapturedRun exported = runCommand(Cli::exportCsv, {config, csv});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    const CapturedRun same = runCommand(Cli::importCsv, {config, csv});
    ASSERT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), before);

    QByteArray edited = folder.read(QStringLiteral("net.csv"));
    edited.replace("\",\"", "\";\"");
    edited.replace("\"Holding Register\";\"0\"", "\"Holding Register\";\"$100\"");
    folder.write(QStringLiteral("net.csv"), edited);
    const CapturedRun imported = runCommand(Cli::importCsv, {config, csv});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    QByteArray expected = before;
    expected.replace("Mod_NR=\"0\"", "Mod_NR=\"256\"");
    EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), expected);
}

// A colleague's file from the Italian windows (Italian column names and Modbus words, ";"
// between fields) is taken by the command line, which speaks English; and the command line
// writes the same file when asked for Italian.
TEST(ExchangeCommands, ImportsAFileOfTheItalianWindows) {
    const WorkedExample example;
    const TestFolder& folder = example.folder;
    const QString& config = example.config;
    const QByteArray before = example.network();
    const auto italian =
        LanguageSet::loadNamed(QStringLiteral("Italiano"), Cli::shippedLanguageFolders());
    ASSERT_TRUE(italian);
    const QString windows = folder.file(QStringLiteral("finestre.csv"));
    ASSERT_EQ(Exports::writeCsv(loadNetwork(config + QStringLiteral("/M_Bus.xml")).nodes, *italian,
                                config, windows),
              QString());
    const QByteArray italianFile = folder.read(QStringLiteral("finestre.csv"));
    ASSERT_TRUE(italianFile.contains("\"Registro holding\";")) << italianFile.toStdString();

    folder.write(QStringLiteral("cfg/M_Bus.xml"), "<M_Bus/>");
    const CapturedRun imported = runCommand(Cli::importCsv, {config, windows});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), before);

    const QString cli = folder.file(QStringLiteral("cli.csv"));
    const CapturedRun exported = runCommand(
        Cli::exportCsv, {config, cli, QStringLiteral("--language"), QStringLiteral("Italiano")});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("cli.csv")), italianFile);

    const CapturedRun unknown = runCommand(
        Cli::exportCsv, {config, cli, QStringLiteral("--language"), QStringLiteral("Klingon")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(
        unknown.err.startsWith(QStringLiteral("export-csv: no language file Klingon.lng\n")))
        << unknown.err.toStdString();
}

// A refused spreadsheet changes nothing and says where.
TEST(ExchangeCommands, RefusedImportLeavesTheNetwork) {
    const WorkedExample example;
    const QByteArray before = example.network();
    example.exportEdited("\"Holding Register\",\"0\"", "\"Holding Register\",\"70000\"");

    const CapturedRun refused = runCommand(Cli::importCsv, {example.config, example.csv});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, QStringLiteral("import-csv: %1: Line 2, column 17 (Modbus Register): "
                                          "Error!! ModBus Register must be between 0 and 65535\n")
                               .arg(example.csv));
    EXPECT_EQ(example.network(), before);
}

// Warnings are printed but, alone, keep the exit status of a clean configuration.
TEST(ExchangeCommands, CheckPrintsWarningsWithoutFailing) {
    const CapturedRun checked =
        runCommand(Cli::check, {fixturePath(QStringLiteral("check/warnings"))});
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.out, QStringLiteral("M_Bus.xml: Warning: the nodes with primary address 1 "
                                          "and 2 have the same secondary address 7\n"));
}

// Each format lands in the named file; a wrong word is a usage error.
TEST(ExchangeCommands, ReportFormats) {
    TestFolder folder;
    folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                       QStringLiteral("Plant/M_Bus.xml"));
    const QString config = folder.file(QStringLiteral("Plant"));
    struct Case {
        const char* format;
        QByteArray start;
    };
    const Case cases[] = {
        {"md", "# Installation report: Plant\n"}, {"html", "<!DOCTYPE html>"}, {"pdf", "%PDF-"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const QString output = folder.file(QStringLiteral("report.") + QLatin1String(c.format));
        const CapturedRun r =
            runCommand(Cli::report, {config, QStringLiteral("--format"), QLatin1String(c.format),
                                     QStringLiteral("-o"), output});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith(c.start));
    }
    EXPECT_EQ(runCommand(Cli::report, {config, QStringLiteral("--format"), QStringLiteral("doc"),
                                       QStringLiteral("-o"), folder.file(QStringLiteral("r"))})
                  .status,
              2);
    EXPECT_TRUE(Cli::needsGui({QStringLiteral("report"), config, QStringLiteral("--format"),
                               QStringLiteral("pdf"), QStringLiteral("-o"), QStringLiteral("x")}));
    EXPECT_FALSE(Cli::needsGui({QStringLiteral("check"), config}));
}

// A configuration shown in an Ordano window is that window's: an import under it would be
// written over at the window's next OK. A claim whose window is gone stops nobody.
TEST(ExchangeCommands, ImportRefusedWhileAWindowHasTheConfigurationOpen) {
    const WorkedExample example;
    const TestFolder& folder = example.folder;
    const QString& config = example.config;
    const QString& csv = example.csv;
    example.exportEdited("\"Holding Register\",\"0\"", "\"Holding Register\",\"7\"");
    const QByteArray before = example.network();
    {
        const ConfigClaim window(config);
        ASSERT_FALSE(window.openElsewhere());
        const CapturedRun refused = runCommand(Cli::importCsv, {config, csv});
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.err.startsWith(
            QStringLiteral("import-csv: %1 is open in ").arg(FileName::shown(config))))
            << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(
            QStringLiteral("(process %1)").arg(QCoreApplication::applicationPid())))
            << refused.err.toStdString();
        EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), before);
    }
    // The claim file of a window that was killed: a real one, naming a process that has ended.
    QByteArray contents;
    {
        const ConfigClaim window(config);
        QFile held(ConfigClaim::fileOf(config));
        ASSERT_TRUE(held.open(QIODevice::ReadOnly));
        contents = held.readAll();
    }
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    contents.replace(0, contents.indexOf('\n'), QByteArray::number(endedPid));
    folder.write(QStringLiteral("cfg/") + QFileInfo(ConfigClaim::fileOf(config)).fileName(),
                 contents);
    ASSERT_TRUE(QFileInfo::exists(ConfigClaim::fileOf(config)));
    const CapturedRun imported = runCommand(Cli::importCsv, {config, csv});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_NE(folder.read(QStringLiteral("cfg/M_Bus.xml")), before);
}
