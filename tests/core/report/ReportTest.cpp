#include "core/report/InstallationReport.h"

#include "core/history/UpdateHistory.h"
#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "render/ReportPdf.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace InstallationReport;

namespace {

const QDateTime ReportDate(QDate(2026, 3, 14), QTime(9, 30));

// The worked example copied into a configuration folder named like a real one.
QString workedExample(const TestFolder& folder) {
    folder.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                       QStringLiteral("Plant North/ParGen.xml"));
    folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                       QStringLiteral("Plant North/M_Bus.xml"));
    return folder.file(QStringLiteral("Plant North"));
}

void setTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

QString runTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

// What the integrator receives for the worked example, word for word.
TEST(InstallationReport, WorkedExampleMatchesTheExpectedDocument) {
    TestFolder folder;
    const QString config = workedExample(folder);
    ASSERT_EQ(writeBanks(config, compileBanksFromFiles(config + QStringLiteral("/M_Bus.xml"),
                                                       config + QStringLiteral("/ParGen.xml"))
                                     .banks),
              QString());
    Gathered gathered = gather(config, ReportDate, QStringLiteral("2.005"));
    ASSERT_TRUE(gathered.ok()) << gathered.error.toStdString();
    EXPECT_FALSE(gathered.input.imagesMissing);
    EXPECT_FALSE(gathered.input.imagesStale);
    const QString markdown = toMarkdown(build(gathered.input, LanguageTable()));
    EXPECT_EQ(markdown, QString::fromUtf8(readFixture(QStringLiteral("report/worked_example.md"))));
}

// Images that are not the compile of the files as they are, or none at all, are said at the
// top: a device must not get a network the report does not describe. Dates play no part:
// only the fingerprints compile recorded.
TEST(InstallationReport, ImagesNotCompiledFromTheConfigurationAreReported) {
    TestFolder folder;
    const QString config = workedExample(folder);
    EXPECT_TRUE(gather(config, ReportDate, {}).input.imagesMissing);

    ASSERT_EQ(writeBanks(config, compileBanksFromFiles(config + QStringLiteral("/M_Bus.xml"),
                                                       config + QStringLiteral("/ParGen.xml"))
                                     .banks),
              QString());
    // Newer dates on the same bytes are no change.
    const QDateTime compiled = QDateTime::currentDateTime().addSecs(-60);
    setTime(bankPath(config), compiled);
    setTime(bank2Path(config), compiled);
    setTime(config + QStringLiteral("/M_Bus.xml"), compiled.addSecs(10));
    EXPECT_FALSE(gather(config, ReportDate, {}).input.imagesStale);
    for (const char* file : {"ParGen.xml", "M_Bus.xml"}) {
        SCOPED_TRACE(file);
        const QString path = config + QLatin1Char('/') + QLatin1String(file);
        QFile edit(path);
        ASSERT_TRUE(edit.open(QIODevice::ReadOnly));
        const QByteArray bytes = edit.readAll();
        edit.close();
        folder.write(QStringLiteral("Plant North/") + QLatin1String(file), bytes + "\n");
        // Even with a date older than the images'.
        setTime(path, compiled.addSecs(-10));
        const Gathered g = gather(config, ReportDate, {});
        EXPECT_TRUE(g.input.imagesStale);
        EXPECT_EQ(g.input.images.changed, QStringList{QLatin1String(file)});
        EXPECT_TRUE(toMarkdown(build(g.input, LanguageTable()))
                        .contains(QStringLiteral("> **The images in the bin folder do not match "
                                                 "the configuration: ")));
        folder.write(QStringLiteral("Plant North/") + QLatin1String(file), bytes);
    }
    EXPECT_FALSE(gather(config, ReportDate, {}).input.imagesStale);
}

// Disabled variables are marked and take no record number; cells that would break a table
// (pipes, line breaks, markup) are escaped in both formats; warnings close the document.
TEST(InstallationReport, RecordsDisabledVariablesAndEscaping) {
    Input input;
    input.configurationName = QStringLiteral("<Plant> & co");
    input.date = ReportDate;
    Node node;
    node.primary = 4;
    node.description = QStringLiteral("Pump | room\nwest");
    Variable v;
    v.enabled = true;
    v.description = QStringLiteral("Flow");
    v.dimension = 2;
    v.modbusSlave = 1;
    v.modbusType = 2;
    v.modbusCount = 1; // 16 bits for a 32-bit field: a warning
    Variable off = v;
    off.enabled = false;
    off.description = QStringLiteral("Spare");
    Variable last = v;
    last.description = QStringLiteral("Volume");
    last.dataType = 2;
    last.modbusCount = 2;
    node.variables = {v, off, last};
    input.nodes = {node};

    const Document document = build(input, LanguageTable());
    const QString markdown = toMarkdown(document);
    EXPECT_TRUE(markdown.contains(QStringLiteral("| 1 | Flow |")));
    EXPECT_TRUE(markdown.contains(QStringLiteral("| disabled | Spare |")));
    EXPECT_TRUE(markdown.contains(QStringLiteral("| 2 | Volume |")));
    EXPECT_TRUE(markdown.contains(QStringLiteral("- **Description:** Pump \\| room west")));
    EXPECT_TRUE(markdown.contains(QStringLiteral(
        "## Warnings\n\n- Warning: variable 1 \"Flow\" of the node with primary address 4 reads "
        "16 bits")));
    const QString html = toHtml(document);
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;Plant&gt; &amp; co")));
    EXPECT_FALSE(html.contains(QStringLiteral("<Plant>")));
    EXPECT_TRUE(html.contains(QStringLiteral("Pump | room<br>west")));
}

// Descriptions and names are text in Markdown: entities, emphasis, code, links, autolinks and
// raw HTML come out escaped; in HTML the title is escaped in both places it appears.
TEST(InstallationReport, MarkupInTextsStaysText) {
    struct Row {
        const char* description;
        const char* markdown;
    };
    const Row rows[] = {
        {"&amp;", "\\&amp;"},
        {"*b* and _i_", "\\*b\\* and \\_i\\_"},
        {"[l](javascript:alert(1))", "\\[l\\](javascript:alert(1))"},
        {"<script>x</script>", "\\<script\\>x\\</script\\>"},
        {"`code` ~~s~~ #1 a\\b", "\\`code\\` \\~\\~s\\~\\~ \\#1 a\\\\b"},
        {"<https://x.test>", "\\<https://x.test\\>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        Input input;
        input.configurationName = QString::fromUtf8(row.description);
        input.date = ReportDate;
        Node node;
        node.primary = 1;
        node.description = QString::fromUtf8(row.description);
        Variable v;
        v.description = QString::fromUtf8(row.description);
        node.variables = {v};
        input.nodes = {node};
        const Document document = build(input, LanguageTable());
        const QString markdown = toMarkdown(document);
        const QString escaped = QString::fromUtf8(row.markdown);
        EXPECT_TRUE(markdown.startsWith(QStringLiteral("# Installation report: ") + escaped))
            << markdown.toStdString();
        EXPECT_TRUE(markdown.contains(QStringLiteral("- **Description:** ") + escaped + "\n"));
        EXPECT_TRUE(markdown.contains(QStringLiteral("| disabled | ") + escaped + " |"));
        const QString html = toHtml(document);
        const QString htmlText = QString::fromUtf8(row.description).toHtmlEscaped();
        EXPECT_TRUE(
            html.contains(QStringLiteral("<title>Installation report: ") + htmlText + "</title>"));
        EXPECT_TRUE(html.contains(QStringLiteral("<h1>Installation report: ") + htmlText));
        EXPECT_FALSE(html.contains(QStringLiteral("<script>")));
    }
}

// The PDF is opened by a real reader: its pages and its words.
TEST(InstallationReport, PdfHasThePagesAndTheText) {
    TestFolder folder;
    const QString config = workedExample(folder);
    const Gathered gathered = gather(config, ReportDate, QStringLiteral("2.005"));
    ASSERT_TRUE(gathered.ok());
    const QString pdf = folder.file(QStringLiteral("report.pdf"));
    ASSERT_EQ(writeReportPdf(build(gathered.input, LanguageTable()), pdf), QString());

    // The summary, the settings and the network on the first page; the history on the second.
    EXPECT_TRUE(runTool(QStringLiteral("pdfinfo"), {pdf})
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    // A cell's words may wrap onto two lines.
    const QString text =
        runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
    for (const char* words :
         {"Installation report: Plant North", "RX48213-B2 (Ethernet Update)", "Heat meter",
          "Energy (Wh)", "Holding Register", "1, on the device: 1", "register 1 (40001)"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(words))) << words;
}

// The report tells what the next update changes against the last one sent, and every update
// kept, newest first.
TEST(InstallationReport, ChangesSinceTheLastUpdateAndPastUpdates) {
    TestFolder folder;
    const QString config = workedExample(folder);
    auto compile = [&config] {
        ASSERT_EQ(writeBanks(config, compileBanksFromFiles(config + QStringLiteral("/M_Bus.xml"),
                                                           config + QStringLiteral("/ParGen.xml"))
                                         .banks),
                  QString());
    };
    compile();
    UpdateHistory::Record sent;
    sent.formType = 1;
    sent.path = QStringLiteral("127.0.0.1");
    sent.option = 0;
    auto created =
        UpdateHistory::create(config, sent, QDateTime(QDate(2026, 3, 13), QTime(8, 0), Qt::UTC));
    ASSERT_TRUE(created.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(created.record, UpdateHistory::Outcome::Finished, 0),
              QString());
    QByteArray mbus = folder.read(QStringLiteral("Plant North/M_Bus.xml"));
    folder.write(QStringLiteral("Plant North/M_Bus.xml"),
                 mbus.replace("Mod_NR=\"0\"", "Mod_NR=\"7\""));
    compile();

    const Gathered gathered = gather(config, ReportDate, QStringLiteral("2.005"));
    ASSERT_TRUE(gathered.ok());
    const QString markdown = toMarkdown(build(gathered.input, LanguageTable()));
    const QString changes = QStringLiteral("## Changes since the last update");
    ASSERT_TRUE(markdown.contains(changes)) << markdown.toStdString();
    const QString tail = markdown.mid(markdown.indexOf(changes));
    EXPECT_TRUE(tail.contains(
        QStringLiteral("Node 1 (Heat meter), variable 1 \"Energy\": Modbus register 0 \u2192 7")))
        << tail.toStdString();
    EXPECT_TRUE(tail.contains(QStringLiteral("## Past updates")));
    // The first page names the last update and how it ended.
    const QString head = markdown.left(markdown.indexOf(QStringLiteral("## ")));
    EXPECT_TRUE(head.contains(QRegularExpression(
        QStringLiteral("- \\*\\*Last update:\\*\\* 2026-03-1[34] \\d\\d:\\d\\d:\\d\\d, "
                       "The updater finished \\(exit code 0\\)\\n"))))
        << head.toStdString();
    EXPECT_TRUE(tail.contains(QStringLiteral("| Date | Path | Update option | Outcome |")))
        << tail.toStdString();
    EXPECT_TRUE(tail.contains(QStringLiteral(
        "| 127.0.0.1 | Firmware + Configuration | The updater finished (exit code 0) |")))
        << tail.toStdString();
}

// The first page sums the network up: nodes and those the device holds, variables and the
// enabled ones, the addresses as runs, the Modbus slaves read, and the images' state; in the
// language asked for, with a dash where there is nothing.
TEST(InstallationReport, FirstPageSummary) {
    Input input;
    input.configurationName = QStringLiteral("Plant");
    input.date = ReportDate;
    Variable on;
    on.enabled = true;
    on.modbusSlave = 4;
    Variable off = on;
    off.enabled = false;
    off.modbusSlave = 9; // not read: not counted among the slaves
    for (int primary : {13, 1, 2, 3, 7, 12}) {
        Node node;
        node.primary = primary;
        node.variables = primary == 12 ? QList<Variable>{off} : QList<Variable>{on, on};
        if (primary == 2)
            node.variables[1].modbusSlave = 5;
        input.nodes.append(node);
    }
    input.imagesStale = true;
    const auto facts = [](const Document& d) {
        QStringList lines;
        for (const auto& [label, value] : d.facts)
            lines << label + QStringLiteral(": ") + value;
        return lines;
    };
    EXPECT_EQ(facts(build(input, LanguageTable())).mid(3),
              (QStringList{QStringLiteral("Nodes: 6, on the device: 5"),
                           QStringLiteral("Variables: 11, enabled: 10"),
                           QStringLiteral("Primary addresses: 1\u20133, 7, 12\u201313"),
                           QStringLiteral("Modbus slaves: 4\u20135"),
                           QStringLiteral("Device images: not the compile of the configuration: "
                                          "compile again")}));

    LanguageTable italian;
    ASSERT_TRUE(italian.loadFile(QStringLiteral(ORDANO_LANGUAGE_DIR "/Italiano.lng")));
    Input empty;
    empty.imagesMissing = true;
    EXPECT_EQ(facts(build(empty, italian)).mid(3),
              (QStringList{QStringLiteral("Nodi: 0, nel dispositivo: 0"),
                           QStringLiteral("Variabili: 0, abilitate: 0"),
                           QStringLiteral("Indirizzi primari: \u2014"),
                           QStringLiteral("Slave Modbus: \u2014"),
                           QStringLiteral("Immagini del dispositivo: non compilate")}));
}
