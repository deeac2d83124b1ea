#include "core/templates/MeterTemplates.h"

#include "core/editor/NetworkEditor.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

namespace T = Templates::Text;

// The variables of node `primary` exactly as M_Bus.xml holds them.
QByteArray variableBytes(const QByteArray& file, int primary) {
    const QByteArray start = QByteArray("<Nodo ID=\"") + QByteArray::number(primary) + '"';
    const qsizetype node = file.indexOf(start);
    if (node < 0)
        return {};
    const qsizetype first = file.indexOf('>', node) + 1;
    return file.mid(first, file.indexOf("</Nodo>", first) - first);
}

QByteArray templateFile(const QByteArray& node) {
    return "<M-Bus_Network>" + node + "</M-Bus_Network><!--SW_VERSION = 2.005-->";
}

QByteArray variableElement(const QByteArray& extra = {}) {
    return "<Variabile Enable=\"1\" Desc=\"E\" Type=\"0\" Fun_Field=\"0\" Dim=\"2\" Scale=\"3\" "
           "Mod_ID=\"1\" Mod_TD=\"2\" Mod_NR=\"0\" Mod_NP=\"2\" " +
           extra + "/>";
}

class MeterTemplatesTest : public testing::Test {
protected:
    QString folder() const { return folder_.file(QStringLiteral("TEMPLATES")); }
    QString write(const QString& relative, const QByteArray& bytes) const {
        return folder_.write(relative, bytes);
    }

    TestFolder folder_;
    LanguageTable texts;
};

} // namespace

// Save, export, import and apply keep every variable byte for byte: the network file's own
// writer makes the template, and the editor's command puts it back.
TEST_F(MeterTemplatesTest, RoundTripKeepsTheVariablesByteForByte) {
    const QString source = folder_.copyFixture(QStringLiteral("templates/site_a.xml"),
                                               QStringLiteral("PROJECTS/A/M_Bus.xml"));
    const NetworkLoad site = loadNetwork(source);
    ASSERT_TRUE(site.ok()) << site.error.toStdString();
    const Node& meter = site.nodes[1];

    ASSERT_EQ(Templates::save(folder(), QStringLiteral("Meter è"), meter, texts), QString());
    const QString exported = folder_.file(QStringLiteral("shared/Meter.xml"));
    QDir().mkpath(QFileInfo(exported).path());
    ASSERT_EQ(Templates::exportTo(folder(), QStringLiteral("Meter è"), exported, texts), QString());
    const QString otherFolder = folder_.file(QStringLiteral("other/TEMPLATES"));
    ASSERT_EQ(Templates::importFrom(otherFolder, exported, Templates::importName(exported), texts),
              QString());
    const QByteArray stored = folder_.read(QStringLiteral("TEMPLATES/Meter è.xml"));
    EXPECT_EQ(folder_.read(QStringLiteral("shared/Meter.xml")), stored);
    EXPECT_EQ(folder_.read(QStringLiteral("other/TEMPLATES/Meter.xml")), stored);
    EXPECT_FALSE(stored.contains(" ID=")) << "a template keeps no address";
    EXPECT_FALSE(stored.contains("Sec_Add="));

    const Templates::Read read = Templates::load(otherFolder, QStringLiteral("Meter"), texts);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    const QString target = folder_.file(QStringLiteral("PROJECTS/B/M_Bus.xml"));
    QDir().mkpath(QFileInfo(target).path());
    NetworkEditor editor(texts);
    ASSERT_EQ(editor.load(target), QString());
    ASSERT_EQ(
        editor.newNodeFromTemplate(read.node, QStringLiteral("0x20"), QStringLiteral("87654321")),
        0);
    ASSERT_EQ(editor.save(target), QString());

    const QByteArray original =
        variableBytes(folder_.read(QStringLiteral("PROJECTS/A/M_Bus.xml")), meter.primary);
    ASSERT_FALSE(original.isEmpty());
    EXPECT_EQ(variableBytes(folder_.read(QStringLiteral("PROJECTS/B/M_Bus.xml")), 32), original);
    const Network applied = loadNetwork(target).nodes;
    ASSERT_EQ(applied.size(), 1);
    EXPECT_EQ(applied[0].secondary, 87654321);
    EXPECT_EQ(applied[0].description, meter.description);
    EXPECT_EQ(applied[0].variables, meter.variables);
}

// The two shipped examples are templates, and a workspace without a templates folder gets
// them; one that has the folder (even emptied by its user) is left alone.
TEST_F(MeterTemplatesTest, ShippedExamplesSeedANewWorkspaceOnce) {
    const QString shipped = QStringLiteral(ORDANO_TEMPLATE_SOURCES);
    const QStringList names = Templates::names(shipped);
    EXPECT_EQ(names, QStringList({QStringLiteral("Generic electricity meter"),
                                  QStringLiteral("Generic heat meter")}));
    EXPECT_EQ(Templates::seed(folder(), shipped, texts), QStringList());
    EXPECT_EQ(Templates::names(folder()), names);
    for (const QString& name : names) {
        const Templates::Read read = Templates::load(folder(), name, texts);
        ASSERT_TRUE(read.ok()) << read.error.toStdString();
        EXPECT_FALSE(read.node.variables.isEmpty());
        // Stored as the writer writes, so the shipped file reads back to the same bytes.
        QFile file(Templates::pathOf(shipped, name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(Templates::templateBytes(read.node), file.readAll()) << name.toStdString();
    }
    const Templates::Read electricity =
        Templates::load(folder(), QStringLiteral("Generic electricity meter"), texts);
    for (const Variable& v : electricity.node.variables) {
        EXPECT_EQ(v.modbusType, 3) << "input registers";
        EXPECT_EQ(v.dimension, 6) << "32-bit real";
        EXPECT_EQ(v.modbusSwap, 1) << "word swap";
    }
    for (const Variable& v :
         Templates::load(folder(), QStringLiteral("Generic heat meter"), texts).node.variables)
        EXPECT_EQ(v.modbusType, 2) << "holding registers";

    ASSERT_EQ(Templates::remove(folder(), names[0], texts), QString());
    ASSERT_EQ(Templates::remove(folder(), names[1], texts), QString());
    EXPECT_EQ(Templates::seed(folder(), shipped, texts), QStringList());
    EXPECT_EQ(Templates::names(folder()), QStringList());
}

// Every refusal names its cause, and nothing is written when one applies.
TEST_F(MeterTemplatesTest, RefusalsAsATable) {
    Node node;
    node.description = QStringLiteral("Meter");
    node.variables.append(Templates::readBytes(templateFile("<Nodo Descrizione=\"M\">" +
                                                            variableElement() + "</Nodo>"),
                                               QStringLiteral("x"), texts)
                              .node.variables.value(0));
    ASSERT_EQ(Templates::save(folder(), QStringLiteral("Taken"), node, texts), QString());
    ASSERT_EQ(Templates::save(folder(), QStringLiteral("Other"), node, texts), QString());
    const QByteArray before = folder_.read(QStringLiteral("TEMPLATES/Taken.xml"));

    const QString badName = texts.text(T::BadName);
    const auto notTemplate = [&](const char* file, const QString& why) {
        return texts.text(T::NotTemplate)
            .arg(folder_.file(QStringLiteral("in/") + QLatin1String(file)), why);
    };
    const auto importing = [&](const char* file, const QByteArray& bytes) {
        return [=, this] {
            const QString path = write(QStringLiteral("in/") + QLatin1String(file), bytes);
            return Templates::importFrom(folder(), path, QStringLiteral("New"), texts);
        };
    };
    const QString own = write(QStringLiteral("PROJECTS/A/M_Bus.xml"), "<M-Bus_Network/>");
    QByteArray eleven;
    for (int i = 0; i < 11; ++i)
        eleven += variableElement();

    const struct {
        const char* what;
        std::function<QString()> act;
        QString expected;
    } cases[] = {
        {"a name in use", [&] { return Templates::rename(folder(), "Other", "Taken", texts); },
         texts.text(T::NameInUse).arg(QStringLiteral("Taken"))},
        {"an empty name", [&] { return Templates::save(folder(), "", node, texts); }, badName},
        {"a separator", [&] { return Templates::save(folder(), "a/b", node, texts); }, badName},
        {"a backslash", [&] { return Templates::save(folder(), "a\\b", node, texts); }, badName},
        {"dot dot", [&] { return Templates::save(folder(), "..", node, texts); }, badName},
        {"a hidden name", [&] { return Templates::save(folder(), ".x", node, texts); }, badName},
        {"a colon", [&] { return Templates::rename(folder(), "Taken", "a:b", texts); },
         texts.text(T::ForbiddenCharacter).arg(QStringLiteral("\":\""))},
        {"not well-formed", importing("a.xml", "<M-Bus_Network><Nodo>"),
         notTemplate("a.xml", QString())},
        {"a network of two nodes",
         importing("b.xml", templateFile("<Nodo Descrizione=\"a\"/><Nodo Descrizione=\"b\"/>")),
         notTemplate("b.xml", texts.text(T::NodeCount).arg(2))},
        {"no node", importing("c.xml", templateFile("")),
         notTemplate("c.xml", texts.text(T::NodeCount).arg(0))},
        {"a node with addresses",
         importing("d.xml", templateFile("<Nodo ID=\"3\" Descrizione=\"a\"/>")),
         notTemplate("d.xml", texts.text(T::HasAddresses))},
        {"a variable without its coding",
         importing("e.xml", templateFile("<Nodo Descrizione=\"a\"><Variabile Type=\"1\"/></Nodo>")),
         notTemplate("e.xml", QString())},
        {"the variable limit",
         importing("f.xml", templateFile("<Nodo Descrizione=\"a\">" + eleven + "</Nodo>")),
         notTemplate("f.xml", texts.text(647))},
        {"a slave ID out of range",
         importing(
             "g.xml",
             templateFile("<Nodo Descrizione=\"a\">" +
                          QByteArray(variableElement()).replace("Mod_ID=\"1\"", "Mod_ID=\"248\"") +
                          "</Nodo>")),
         notTemplate("g.xml", texts.text(T::VariableRule).arg(1).arg(texts.text(641)))},
        {"a position beyond its list",
         importing("h.xml", templateFile("<Nodo Descrizione=\"a\">" +
                                         variableElement("Mod_Swap=\"2\"") + "</Nodo>")),
         notTemplate("h.xml", texts.text(T::OutOfList).arg(1).arg("Mod_Swap").arg(2))},
        {"a configuration's own file",
         [&] { return Templates::exportTo(folder(), "Taken", own, texts, {own}); },
         texts.text(T::NotWritten).arg(QString())},
        {"a missing template", [&] { return Templates::remove(folder(), "Nope", texts); },
         texts.text(T::NoSuchTemplate).arg(QStringLiteral("Nope"))},
    };
    for (const auto& c : cases) {
        const QString got = c.act();
        if (c.expected.endsWith(QStringLiteral(": "))) // the reader's own words follow
            EXPECT_TRUE(got.startsWith(c.expected)) << c.what << ": " << got.toStdString();
        else
            EXPECT_EQ(got, c.expected) << c.what;
    }
    EXPECT_EQ(Templates::names(folder()), QStringList({"Other", "Taken"}));
    EXPECT_EQ(folder_.read(QStringLiteral("TEMPLATES/Taken.xml")), before);
    EXPECT_EQ(folder_.read(QStringLiteral("PROJECTS/A/M_Bus.xml")), "<M-Bus_Network/>");
}

// A FIFO in place of a template is refused at once, never waited on.
TEST_F(MeterTemplatesTest, AFifoIsNoTemplate) {
    QDir().mkpath(folder());
    const QString fifo = Templates::pathOf(folder(), QStringLiteral("Pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const Templates::Read read = Templates::load(folder(), QStringLiteral("Pipe"), texts);
    EXPECT_FALSE(read.ok());
    EXPECT_TRUE(read.error.startsWith(texts.text(T::NotTemplate).arg(fifo, QString())))
        << read.error.toStdString();
}

// The editor's checks, in the editor's order, before anything changes.
TEST_F(MeterTemplatesTest, NewNodeFromTemplateIsCheckedAsByHand) {
    const QString network = folder_.copyFixture(QStringLiteral("templates/site_a.xml"),
                                                QStringLiteral("PROJECTS/A/M_Bus.xml"));
    NetworkEditor editor(texts);
    ASSERT_EQ(editor.load(network), QString());
    const Network shown = editor.network();
    Node templ = shown[1];
    Node eleven = templ;
    while (eleven.variables.size() < 11)
        eleven.variables.append(templ.variables.first());
    Node badRegister = templ;
    badRegister.variables.last().modbusRegister = 65536;

    const struct {
        const char* what;
        Node node;
        const char* primary;
        const char* secondary;
        int message;
    } cases[] = {
        {"primary 0", templ, "0", "1", 649},
        {"primary not a number", templ, "7 ", "1", 649},
        {"secondary too large", templ, "7", "100000000", 650},
        {"an address in use", templ, "1", "1", 652},
        {"the variable limit", eleven, "7", "1", 647},
        {"a register beyond 65535", badRegister, "7", "1", 642},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(editor.newNodeFromTemplate(c.node, QLatin1String(c.primary),
                                             QLatin1String(c.secondary)),
                  c.message)
            << c.what;
        EXPECT_EQ(editor.network(), shown) << c.what;
    }
    EXPECT_FALSE(editor.undoStack().canUndo());

    while (editor.network().size() < 64)
        ASSERT_EQ(editor.newNodeFromTemplate(
                      templ, QString::number(Templates::nextFreePrimary(editor.network())),
                      QStringLiteral("1")),
                  0);
    EXPECT_EQ(editor.newNodeFromTemplate(templ, QStringLiteral("0"), QStringLiteral("1")), 648)
        << "the node limit comes first";
}

// One command: undo takes the whole node away, redo brings it back.
TEST_F(MeterTemplatesTest, UndoOfNewNodeFromTemplate) {
    const QString network = folder_.copyFixture(QStringLiteral("templates/site_a.xml"),
                                                QStringLiteral("PROJECTS/A/M_Bus.xml"));
    NetworkEditor editor(texts);
    ASSERT_EQ(editor.load(network), QString());
    const Network before = editor.network();
    editor.select({0, 0});
    const Node templ =
        Templates::readBytes(Templates::templateBytes(before[1]), QStringLiteral("t"), texts).node;
    ASSERT_EQ(editor.newNodeFromTemplate(templ, QStringLiteral("9"), QStringLiteral("5")), 0);
    ASSERT_EQ(editor.network().size(), before.size() + 1);
    Node expected = templ;
    expected.primary = 9;
    expected.secondary = 5;
    EXPECT_EQ(editor.network().last(), expected);
    EXPECT_TRUE(editor.isChanged());
    EXPECT_EQ(editor.undoStack().undoText(), texts.text(T::NewFromTemplate));
    EXPECT_EQ(editor.undoStack().count(), 1);

    editor.undo();
    EXPECT_EQ(editor.network(), before);
    EXPECT_FALSE(editor.isChanged());
    EXPECT_EQ(editor.selection(), (NetworkTree::Position{0, 0}));
    editor.redo();
    EXPECT_EQ(editor.network().last(), expected);
}

TEST_F(MeterTemplatesTest, NextFreePrimaryAddress) {
    Network nodes;
    EXPECT_EQ(Templates::nextFreePrimary(nodes), 1);
    for (int primary : {1, 2, 4})
        nodes.append(Node{QString(), primary, 0, {}});
    EXPECT_EQ(Templates::nextFreePrimary(nodes), 3);
    nodes.clear();
    for (int primary = 250; primary >= 1; --primary)
        nodes.append(Node{QString(), primary, 0, {}});
    EXPECT_EQ(Templates::nextFreePrimary(nodes), 0);
}

// Rename keeps the bytes; a new letter case of the same name is a rename, not a clash.
TEST_F(MeterTemplatesTest, RenameKeepsTheTemplate) {
    Node node;
    node.description = QStringLiteral("Meter");
    ASSERT_EQ(Templates::save(folder(), QStringLiteral("a"), node, texts), QString());
    const QByteArray bytes = folder_.read(QStringLiteral("TEMPLATES/a.xml"));
    ASSERT_EQ(Templates::rename(folder(), QStringLiteral("a"), QStringLiteral("A"), texts),
              QString());
    EXPECT_EQ(Templates::names(folder()), QStringList({QStringLiteral("A")}));
    ASSERT_EQ(Templates::rename(folder(), QStringLiteral("A"), QStringLiteral("b c"), texts),
              QString());
    EXPECT_EQ(Templates::names(folder()), QStringList({QStringLiteral("b c")}));
    EXPECT_EQ(folder_.read(QStringLiteral("TEMPLATES/b c.xml")), bytes);
}
