// The editor's history: what the tree shows through a whole session of commands, undone and
// redone; where undo stops; the selection each point brings back; positions that no longer
// name a row.
#include "EditorFixture.h"

#include "core/network/NetworkMessages.h"

#include <QFile>
#include <functional>

using Position = NetworkTree::Position;

namespace {

Node node(const char* description, int primary, QStringList variables = {}) {
    Node n{QLatin1String(description), primary, primary * 10, {}};
    for (const QString& v : variables)
        n.variables.append(variableFromPanel(goodVariable(v)));
    return n;
}

const QStringList PastedVariable{"7", "Input Register", "12", "1", "None"};

} // namespace

// Every kind of change, then Import Network, then every kind again; undo all, redo all. At
// each step the tree shows the network OK would write. Undo stops at the import: the file
// already holds the imported network, and the window shows it as saved.
TEST_F(NetworkEditorTest, SessionUndoneAndRedoneShowsWhatOkWouldWrite) {
    TestFolder folder;
    const QString file = folder.file(QStringLiteral("M_Bus.xml"));
    ASSERT_EQ(saveNetwork({node("Heat", 5), node("Water", 6, {"Energy", "Power"})}, file),
              QString());
    const QString other = folder.file(QStringLiteral("other.xml"));
    ASSERT_EQ(saveNetwork({node("Steam", 9, {"Energy", "Power", "Volume"}),
                           node("Air", 10, {"Energy"}), node("Oil", 11)},
                          other),
              QString());
    QByteArray csv;
    {
        const QString third = folder.file(QStringLiteral("third.xml"));
        ASSERT_EQ(saveNetwork({node("Gas", 12, {"Flow"})}, third), QString());
        NetworkEditor source(texts);
        ASSERT_EQ(source.load(third), QString());
        csv = source.exportCsv();
    }
    ASSERT_EQ(editor.load(file), QString());
    expectShownIsSaved("read");

    struct Step {
        const char* name;
        std::function<void()> run;
    };
    const Step beforeImport[] = {
        {"add node", [this] { ASSERT_EQ(addNode("20", "4", "Cold"), 0); }},
        {"modify node",
         [this] {
             editor.select({0, -1});
             editor.nodePanel.description = QStringLiteral("Heat north");
             ASSERT_EQ(editor.applyNode(), 0);
         }},
        {"delete variable",
         [this] {
             editor.select({1, 0});
             editor.deleteSelection();
         }},
    };
    for (const Step& step : beforeImport) {
        step.run();
        expectShownIsSaved(step.name);
    }

    // Import Network finds its file already in place.
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(other, file));
    ASSERT_EQ(editor.importNetwork(file), QString());
    expectShownIsSaved("import network");
    EXPECT_FALSE(editor.undoStack().canUndo()) << "the old file is gone, so is its network";
    EXPECT_FALSE(editor.isChanged());

    const Step afterImport[] = {
        {"add node", [this] { ASSERT_EQ(addNode("20", "4", "Cold"), 0); }},
        {"modify node",
         [this] {
             editor.select({1, -1});
             editor.nodePanel.description = QStringLiteral("Air east");
             ASSERT_EQ(editor.applyNode(), 0);
         }},
        {"add variable", [this] { ASSERT_EQ(addVariable(2, goodVariable("Flow")), 0); }},
        {"modify variable",
         [this] {
             editor.select({0, 1});
             editor.varPanel.description = QStringLiteral("Power in");
             ASSERT_EQ(editor.applyVariable(), 0);
         }},
        {"delete first variable",
         [this] {
             editor.select({0, 0});
             editor.deleteSelection();
         }},
        {"delete middle node",
         [this] {
             editor.select({1, -1});
             editor.deleteSelection();
         }},
        {"paste node",
         [this] {
             editor.select({0, -1});
             ASSERT_EQ(editor.copyNode(), 0);
             ASSERT_EQ(editor.pasteNode("30", "6", PastedVariable + PastedVariable), 0);
         }},
        {"paste variable",
         [this] {
             editor.select({0, 0});
             ASSERT_EQ(editor.copyVariable(), 0);
             editor.select({1, -1});
             ASSERT_EQ(editor.pasteVariable(PastedVariable), 0);
         }},
        {"import CSV", [this, &csv] { ASSERT_EQ(editor.importCsv(csv), QString()); }},
        {"delete all",
         [this] {
             editor.select({});
             editor.deleteSelection();
         }},
    };
    QList<QStringList> states{shown.lines()};
    for (const Step& step : afterImport) {
        step.run();
        expectShownIsSaved(step.name);
        ASSERT_NE(shown.lines(), states.last()) << step.name << " changed nothing";
        states.append(shown.lines());
    }

    for (int i = int(states.size()) - 2; i >= 0; --i) {
        ASSERT_TRUE(editor.undoStack().canUndo());
        editor.undo();
        EXPECT_EQ(shown.lines(), states[i]) << "undo of " << afterImport[i].name;
        expectShownIsSaved(std::string("undo of ") + afterImport[i].name);
    }
    EXPECT_FALSE(editor.undoStack().canUndo());
    EXPECT_FALSE(editor.isChanged()) << "back at the import, which the file holds";
    EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), folder.read(QStringLiteral("other.xml")));

    for (qsizetype i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(editor.undoStack().canRedo());
        editor.redo();
        EXPECT_EQ(shown.lines(), states[i]) << "redo of " << afterImport[i - 1].name;
        expectShownIsSaved(std::string("redo of ") + afterImport[i - 1].name);
    }
    EXPECT_FALSE(editor.undoStack().canRedo());
}

// The selection comes back once the stack stands at its new index, so that what the window
// reads then (the undo texts, the change flag) belongs to the same point of the history.
TEST_F(NetworkEditorTest, SelectionComesBackAtTheStacksNewIndex) {
    addNodes(2);
    editor.select({1, -1});
    editor.nodePanel.description = QStringLiteral("Second");
    ASSERT_EQ(editor.applyNode(), 0);
    editor.select({});
    struct Seen {
        int index;
        Position selection;
        bool changed;
        bool operator==(const Seen&) const = default;
    };
    QList<Seen> seen;
    QObject::connect(&editor, &NetworkEditor::restored, [&] {
        seen.append({editor.undoStack().index(), editor.selection(), editor.isChanged()});
    });
    editor.undo(); // the modify, made with node 2 selected
    editor.undo(); // the second node, added with nothing selected
    editor.redo();
    editor.redo();
    const QList<Seen> expected{
        {2, {1, -1}, true}, {1, {}, true}, {2, {}, true}, {3, {1, -1}, true}};
    EXPECT_EQ(seen, expected);
}

// A position kept from before a change names nothing once its row has gone. Asked at that
// moment (a view answering the removal before the editor moves its selection), the editor
// takes it for no selection: no check passes on it and no command is built from it.
TEST_F(NetworkEditorTest, StaleSelectionNamesNothing) {
    struct Row {
        const char* why;
        Position selected;
        int deleteQuestion;
        int variableLimit;
    };
    const Row rows[] = {
        {"the last node", {2, -1}, NetworkMessages::DeleteAll, NetworkMessages::NodeBeyondList},
        {"the last variable", {0, 1}, NetworkMessages::DeleteNode, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        ASSERT_EQ(editor.load(QString()), QString());
        addNodes(3);
        ASSERT_EQ(addVariable(0), 0);
        ASSERT_EQ(addVariable(0, goodVariable("Power")), 0);
        editor.select(row.selected);
        const int commands = editor.undoStack().count();
        int asked = 0;
        const auto connection =
            QObject::connect(&editor.tree(), &QAbstractItemModel::rowsRemoved, [&] {
                ++asked;
                ASSERT_EQ(editor.selection(), row.selected) << "still the removed row";
                EXPECT_EQ(editor.checkVariableLimit(), row.variableLimit);
                EXPECT_EQ(editor.deleteQuestion(), row.deleteQuestion);
                EXPECT_NE(editor.copyVariable(), 0);
                editor.varPanel = goodVariable("Other");
                EXPECT_EQ(editor.applyVariable(), 0);
                editor.nodePanel.description = QStringLiteral("Other");
                if (editor.nodeMode() == NetworkEditor::Mode::Modify) {
                    EXPECT_EQ(editor.applyNode(), 0);
                }
            });
        editor.deleteSelection();
        QObject::disconnect(connection);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(editor.undoStack().count(), commands + 1) << "the delete only";
        expectShownIsSaved(row.why);
        editor.undo();
        EXPECT_EQ(editor.undoStack().index(), commands);
        expectShownIsSaved(row.why);
    }
}
