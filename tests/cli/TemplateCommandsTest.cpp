#include "cli/Commands.h"

#include "core/network/Network.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QByteArray variableBytes(const QByteArray& file, int primary) {
    const QByteArray start = QByteArray("<Nodo ID=\"") + QByteArray::number(primary) + '"';
    const qsizetype node = file.indexOf(start);
    if (node < 0)
        return {};
    const qsizetype first = file.indexOf('>', node) + 1;
    return file.mid(first, file.indexOf("</Nodo>", first) - first);
}

class TemplateCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        // An installed program: the shipped examples sit in the installed data folder.
        program = root.file(QStringLiteral("prefix/bin"));
        QDir().mkpath(program);
        const QString shipped = root.file(QStringLiteral("prefix/share/ordano/TEMPLATES"));
        QDir().mkpath(shipped);
        for (const QString& name :
             QDir(QStringLiteral(ORDANO_TEMPLATE_SOURCES)).entryList(QDir::Files))
            QFile::copy(QStringLiteral(ORDANO_TEMPLATE_SOURCES "/") + name,
                        QDir(shipped).filePath(name));
        workspace = root.file(QStringLiteral("site"));
        root.copyFixture(QStringLiteral("templates/site_a.xml"),
                         QStringLiteral("site/PROJECTS/A/M_Bus.xml"));
        QDir().mkpath(root.file(QStringLiteral("site/PROJECTS/B")));
    }

    CapturedRun run(QStringList args, bool withWorkspace = true) {
        if (withWorkspace)
            args << QStringLiteral("--workspace") << workspace;
        Workspace::Request defaults;
        defaults.programFolder = program;
        defaults.dataFolder = root.file(QStringLiteral("prefix/share/ordano"));
        defaults.userDataFolder = root.file(QStringLiteral("home/Ordano"));
        return captureRun([&](QTextStream& out, QTextStream& err) {
            return Cli::templates(args, defaults, out, err);
        });
    }

    TestFolder root;
    QString program;
    QString workspace;
};

} // namespace

// save, export, import and apply from the command line: the variables arrive byte for byte.
TEST_F(TemplateCommandsTest, RoundTripThroughTheCommands) {
    const QString exported = root.file(QStringLiteral("meter.xml"));
    const struct {
        QStringList args;
        int status;
    } steps[] = {
        {{"save", "A", "4", "Heat"}, 0},
        {{"export", "Heat", exported}, 0},
        {{"import", exported}, 0},
        {{"apply", "B", "meter", "--primary", "17", "--secondary", "3"}, 0},
        {{"apply", root.file("site/PROJECTS/B"), "Heat", "--primary", "18", "--secondary", "4"}, 0},
    };
    for (const auto& step : steps) {
        const CapturedRun result = run(step.args);
        EXPECT_EQ(result.status, step.status) << step.args.join(u' ').toStdString() << '\n'
                                              << result.err.toStdString();
    }
    const QByteArray original = variableBytes(root.read("site/PROJECTS/A/M_Bus.xml"), 4);
    const QByteArray applied = root.read("site/PROJECTS/B/M_Bus.xml");
    ASSERT_FALSE(original.isEmpty());
    EXPECT_EQ(variableBytes(applied, 17), original);
    EXPECT_EQ(variableBytes(applied, 18), original);
    EXPECT_EQ(root.read("site/TEMPLATES/meter.xml"), root.read("site/TEMPLATES/Heat.xml"));
}

// Exit 2 for a command line that cannot be run, 1 for a refusal with its message, 0 otherwise;
// a refusal changes nothing.
TEST_F(TemplateCommandsTest, ExitCodes) {
    ASSERT_EQ(run({"save", "A", "4", "Heat"}).status, 0);
    const QByteArray networkB = root.read("site/PROJECTS/A/M_Bus.xml");
    const struct {
        QStringList args;
        int status;
        const char* says;
    } rows[] = {
        {{}, 2, "Usage"},
        {{"frob"}, 2, "Usage"},
        {{"list", "extra"}, 2, "Usage"},
        {{"save", "A", "4"}, 2, "Usage"},
        {{"save", "A", "4", "X", "--json"}, 2, "Usage"},
        {{"apply", "A", "Heat", "--primary", "9"}, 2, "Usage"},
        {{"apply", "A", "Heat", "--secondary", "9", "--primary"}, 2, "Usage"},
        {{"export", "Heat", "--force", "x"}, 2, "Usage"},
        {{"save", "Nowhere", "4", "X"}, 2, "is not a configuration"},
        {{"save", "A", "4", "Heat"}, 1, "already exists"},
        {{"save", "A", "4", "a:b"}, 1, "cannot hold \":\""},
        {{"save", "A", "5", "X"}, 1, "no node at primary address 5"},
        {{"import", root.file("site/PROJECTS/A/M_Bus.xml"), "Y"}, 1, "holds exactly one node"},
        {{"import", root.file("missing.xml")}, 1, "is not a template"},
        {{"apply", "A", "Heat", "--primary", "1", "--secondary", "2"},
         1,
         "ID Node is already used"},
        {{"apply", "A", "Heat", "--primary", "251", "--secondary", "2"},
         1,
         "Primary Address must be between 1 and 250"},
        {{"apply", "A", "Nope", "--primary", "9", "--secondary", "2"}, 1, "no template \"Nope\""},
        {{"export", "Nope", root.file("x.xml")}, 1, "no template"},
    };
    for (const auto& row : rows) {
        const CapturedRun result = run(row.args);
        const std::string trace = row.args.join(u' ').toStdString();
        EXPECT_EQ(result.status, row.status) << trace << '\n' << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QLatin1String(row.says))) << trace << '\n'
                                                                  << result.err.toStdString();
    }
    EXPECT_EQ(root.read("site/PROJECTS/A/M_Bus.xml"), networkB);
    EXPECT_FALSE(QFileInfo::exists(root.file("site/PROJECTS/B/M_Bus.xml")));
    EXPECT_FALSE(QFileInfo::exists(root.file("x.xml")));
}

// A workspace without templates gets the shipped examples; the default workspace is the
// configurator's (here the per-user one of an installed program).
TEST_F(TemplateCommandsTest, ListsTheShippedExamplesAsJson) {
    const CapturedRun listed = run({"list", "--json"}, false);
    ASSERT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.err, QString());
    const QJsonArray entries = QJsonDocument::fromJson(listed.out.toUtf8()).array();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].toObject().value("name").toString(),
              QStringLiteral("Generic electricity meter"));
    EXPECT_EQ(entries[0].toObject().value("variables").toInt(), 2);
    EXPECT_EQ(entries[1].toObject().value("name").toString(), QStringLiteral("Generic heat meter"));
    EXPECT_EQ(entries[1].toObject().value("variables").toInt(), 4);
    EXPECT_TRUE(QFileInfo::exists(root.file("home/Ordano/TEMPLATES/Generic heat meter.xml")));

    root.write("site/TEMPLATES/Broken.xml", "<M-Bus_Network>");
    const CapturedRun text = run({"list"});
    EXPECT_EQ(text.status, 1) << "a template that cannot be read is reported";
    EXPECT_TRUE(text.err.contains(QStringLiteral("Broken.xml"))) << text.err.toStdString();
    EXPECT_EQ(text.out, QString()) << "the folder existed: nothing was copied into it";
}
