#include "EditorFixture.h"

#include "support/QtPrinters.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Tab = NetworkEditor::Tab;

TEST_F(NetworkEditorTest, AddNodeWithTheInitialFields) {
    EXPECT_EQ(editor.nodePanel, NodePanel());
    EXPECT_EQ(editor.applyNode(), 0);
    ASSERT_EQ(editor.network().size(), 1);
    EXPECT_EQ(editor.network()[0].primary, 1);
    EXPECT_EQ(editor.network()[0].secondary, 1);
    NetworkTree& tree = editor.tree();
    EXPECT_EQ(tree.rowCount(tree.rootIndex()), 1);
    EXPECT_EQ(tree.data(tree.indexOf({0, -1})).toString(),
              QStringLiteral("Primary Address 1 - Secondary Address 1 - "));
    EXPECT_EQ(tree.data(tree.rootIndex()).toString(), QStringLiteral("M-Bus Network"));
    EXPECT_EQ(editor.selectedNodeIndex(), -1) << "the selection does not change";
    EXPECT_TRUE(editor.isChanged());
}

// checkNodeFields and checkPrimaryAddress in order, against a network holding node 5.
TEST_F(NetworkEditorTest, NodeChecksInOrder) {
    ASSERT_EQ(addNode(QStringLiteral("5")), 0);
    struct Row {
        const char* primary;
        const char* secondary;
        int message;
        int storedPrimary;
    };
    const Row rows[] = {
        {"0", "x", 649, 0},         {"251", "1", 649, 0},       {"", "1", 649, 0},
        {"7 ", "1", 649, 0},        {"1", "100000000", 650, 0}, {"1", "-1", 650, 0},
        {"5", "1", 652, 0},         {"0x1F", "0", 0, 31},       {"  $20", "99999999", 0, 32},
        {"+33", "12345678", 0, 33},
    };
    for (const Row& row : rows) {
        const qsizetype before = editor.network().size();
        EXPECT_EQ(addNode(QLatin1String(row.primary), QLatin1String(row.secondary)), row.message)
            << row.primary << " " << row.secondary;
        if (row.message == 0) {
            ASSERT_EQ(editor.network().size(), before + 1);
            EXPECT_EQ(editor.network().last().primary, row.storedPrimary);
        } else {
            EXPECT_EQ(editor.network().size(), before);
        }
    }
}

// A description M_Bus.xml could not hold is refused when adding and when modifying, and the
// network keeps what it had: nothing is cut or written.
TEST_F(NetworkEditorTest, DescriptionsTheFileCannotHoldAreRefused) {
    const QString bad[] = {QStringLiteral("Heat\vmeter"), QString::fromUtf16(u"En\0ergy", 7),
                           QStringLiteral("x") + QChar(0xFFFF)};
    ASSERT_EQ(addNode(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Boiler")), 0);
    ASSERT_EQ(addVariable(0), 0);
    const Network before = editor.network();
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toUtf8().toHex().toStdString());
        editor.select({});
        EXPECT_EQ(addNode(QStringLiteral("2"), QStringLiteral("1"), text), 930);
        editor.select({0, -1});
        editor.nodePanel.description = text;
        EXPECT_EQ(editor.applyNode(), 930) << "modifying";
        EXPECT_EQ(addVariable(0, goodVariable(text)), 931);
        editor.select({0, 0});
        editor.varPanel.description = text;
        EXPECT_EQ(editor.applyVariable(), 931) << "modifying";
        EXPECT_EQ(editor.network(), before);
    }
    // Tab and line breaks are kept as typed.
    EXPECT_EQ(addVariable(0, goodVariable(QStringLiteral("a\tb\r\nc"))), 0);
}

TEST_F(NetworkEditorTest, SixtyFifthNodeRefusedBeforeItsFields) {
    addNodes(64);
    EXPECT_EQ(addNode(QStringLiteral("0")), 648);
    EXPECT_EQ(editor.network().size(), 64);
}

TEST_F(NetworkEditorTest, ModifyNodeKeepsItsOwnAddressButNotAnothers) {
    addNodes(2);
    EXPECT_EQ(editor.select({0, -1}), Tab::Nodes);
    EXPECT_EQ(editor.nodeButtonText(), QStringLiteral("MODIFY NODE"));
    EXPECT_EQ(editor.nodePanel.primary, QStringLiteral("1"));
    editor.nodePanel.description = QStringLiteral("Heat meter");
    editor.nodePanel.secondary = QStringLiteral("12345678");
    EXPECT_EQ(editor.applyNode(), 0);
    EXPECT_EQ(editor.tree().data(editor.tree().indexOf({0, -1})).toString(),
              QStringLiteral("Primary Address 1 - Secondary Address 12345678 - Heat meter"));
    EXPECT_EQ(editor.network().size(), 2) << "modified, not added";
    editor.nodePanel.primary = QStringLiteral("2");
    EXPECT_EQ(editor.applyNode(), 652);
    EXPECT_EQ(editor.network()[0].primary, 1);

    // With a variable selected the button adds; its own node's address gives 651.
    ASSERT_EQ(addVariable(0), 0);
    EXPECT_EQ(editor.select({0, 0}), Tab::Variables);
    EXPECT_EQ(editor.nodeButtonText(), QStringLiteral("ADD NODE"));
    EXPECT_EQ(editor.nodePanel.primary, QStringLiteral("1")) << "the variable's node shows";
    EXPECT_EQ(editor.applyNode(), 651);
    editor.nodePanel.primary = QStringLiteral("2");
    EXPECT_EQ(editor.applyNode(), 652);
}

// A language change puts the button back in add mode over a selected node; a new node must
// still not take that node's address.
TEST_F(NetworkEditorTest, AddModeOverASelectedNodeStillRefusesItsAddress) {
    addNodes(1);
    editor.select({0, -1});
    editor.resetModes();
    EXPECT_EQ(editor.nodeMode(), NetworkEditor::Mode::Add);
    EXPECT_EQ(editor.applyNode(), 652);
    EXPECT_EQ(editor.network().size(), 1);
}

// checkVariableFields in order; each row breaks one field of a good panel.
TEST_F(NetworkEditorTest, VariableChecksInOrder) {
    addNodes(1);
    struct Row {
        const char* why;
        void (*breakIt)(VariablePanel&);
        int message;
    };
    const Row rows[] = {
        {"slave 0", [](VariablePanel& p) { p.slaveId = "0"; }, 641},
        {"slave 248", [](VariablePanel& p) { p.slaveId = "248"; }, 641},
        {"slave and register", [](VariablePanel& p) { p.slaveId = "", p.modbusRegister = "-1"; },
         641},
        {"register 65536", [](VariablePanel& p) { p.modbusRegister = "65536"; }, 642},
        {"register then points", [](VariablePanel& p) { p.modbusRegister = "x", p.points = "0"; },
         642},
        {"points 125", [](VariablePanel& p) { p.points = "125"; }, 643},
        {"variable length 192", [](VariablePanel& p) { p.dimension = 7, p.length = "192"; }, 644},
        {"variable length empty", [](VariablePanel& p) { p.dimension = 7, p.length = ""; }, 644},
        {"storage 2^32", [](VariablePanel& p) { p.storageNumber = "4294967296"; }, 645},
        {"storage empty", [](VariablePanel& p) { p.storageNumber = ""; }, 645},
        {"storage then tariff", [](VariablePanel& p) { p.storageNumber = "-1", p.tariff = "x"; },
         645},
        {"tariff 1048576", [](VariablePanel& p) { p.tariff = "1048576"; }, 646},
        {"tariff $FFFFF", [](VariablePanel& p) { p.tariff = "$FFFFF"; }, 0},
        {"length 500 not checked", [](VariablePanel& p) { p.dimension = 1, p.length = "500"; }, 0},
        {"variable length 191", [](VariablePanel& p) { p.dimension = 7, p.length = "191"; }, 0},
    };
    for (const Row& row : rows) {
        editor.select({0, -1});
        VariablePanel panel = goodVariable();
        row.breakIt(panel);
        editor.varPanel = panel;
        const qsizetype before = editor.network()[0].variables.size();
        EXPECT_EQ(editor.applyVariable(), row.message) << row.why;
        EXPECT_EQ(editor.network()[0].variables.size(), before + (row.message == 0)) << row.why;
    }
}

TEST_F(NetworkEditorTest, EleventhVariableRefusedBeforeItsFields) {
    addNodes(1);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(addVariable(0), 0) << i;
    VariablePanel bad = goodVariable();
    bad.slaveId.clear();
    EXPECT_EQ(addVariable(0, bad), 647);
    EXPECT_EQ(editor.network()[0].variables.size(), 10);
    EXPECT_EQ(editor.tree().rowCount(editor.tree().indexOf({0, -1})), 10);
}

// What a variable stores from the panel, and what selecting it shows again.
TEST_F(NetworkEditorTest, PanelValuesStoredAndShownAgain) {
    addNodes(1);
    VariablePanel p = goodVariable(QStringLiteral("Top"));
    p.storageNumber = QStringLiteral("4294967295");
    p.tariff = QStringLiteral("0xFFFFF");
    p.dimension = 1;
    p.length = QStringLiteral("500");
    p.slaveId = QStringLiteral("0x10");
    p.vife = 151;
    p.unit = 10;
    ASSERT_EQ(addVariable(0, p), 0);
    const Variable& v = editor.network()[0].variables[0];
    EXPECT_EQ(v.storageNumber, 4294967295u);
    EXPECT_EQ(v.tariff, 1048575);
    EXPECT_EQ(v.length, 244) << "the low eight bits of 500";
    EXPECT_EQ(v.modbusSlave, 16);
    EXPECT_EQ(v.scale, 3);
    EXPECT_EQ(v.vife, 151);
    EXPECT_EQ(v.unit, 10);
    EXPECT_EQ(editor.tree().data(editor.tree().indexOf({0, 0})).toString(),
              QStringLiteral("VAR - Top"));

    EXPECT_EQ(editor.select({0, 0}), Tab::Variables);
    EXPECT_EQ(editor.varButtonText(), QStringLiteral("MODIFY VARIABLE"));
    const VariablePanel& shown = editor.varPanel;
    EXPECT_EQ(shown.storageNumber, QStringLiteral("4294967295"));
    EXPECT_EQ(shown.tariff, QStringLiteral("1048575"));
    EXPECT_EQ(shown.length, QStringLiteral("244"));
    EXPECT_EQ(shown.slaveId, QStringLiteral("16"));
    EXPECT_EQ(shown.scale.selected, 3) << "the stored scale after the rebuild";
    EXPECT_EQ(shown.scale.entries.size(), 8);
    EXPECT_FALSE(shown.lengthEnabled);
}

// Type of data "Bus Address" has no scale list: stored as 255, shown as no selection. Type 19
// follows the VIFE, and its stored scale is selected after that rebuild.
TEST_F(NetworkEditorTest, ScaleFollowsTheStoredTypeAndVife) {
    addNodes(1);
    VariablePanel bus = goodVariable();
    bus.type = 25;
    bus.scale = CodingTables::scaleAfterTypeChange(25, 0);
    ASSERT_EQ(addVariable(0, bus), 0);
    EXPECT_EQ(editor.network()[0].variables[0].scale, 255);

    VariablePanel volts = goodVariable();
    volts.type = 19;
    volts.vife = 38;
    volts.scale = CodingTables::scaleAfterTypeChange(19, 38);
    volts.scale.selected = 12;
    ASSERT_EQ(addVariable(0, volts), 0);

    editor.select({0, 0});
    EXPECT_EQ(editor.varPanel.scale, CodingTables::ScalePanel{});
    editor.select({0, 1});
    EXPECT_TRUE(editor.varPanel.scale.enabled);
    EXPECT_EQ(editor.varPanel.scale.entries.size(), 16);
    EXPECT_EQ(editor.varPanel.scale.selected, 12);
}

// Positions beyond their lists (only an edited file has them) show no selection, and a
// modify press stores -1 in an integer field and 255 in a byte field.
TEST_F(NetworkEditorTest, PositionsOutsideTheListsStoredAsNothingSelected) {
    TestFolder folder;
    const QString path = folder.write(
        QStringLiteral("M_Bus.xml"),
        "<M-Bus_Network><Nodo ID=\"1\" Sec_Add=\"1\" Descrizione=\"\"><Variabile Enable=\"1\" "
        "Desc=\"odd\" Type=\"40\" Fun_Field=\"4\" Dim=\"13\" Unit=\"11\" VIFE=\"152\" "
        "Scale=\"9\" Mod_ID=\"1\" Mod_TD=\"4\" Mod_NR=\"0\" Mod_NP=\"1\" Mod_Swap=\"2\"/>"
        "</Nodo></M-Bus_Network>");
    ASSERT_EQ(editor.load(path), QString());
    editor.select({0, 0});
    const VariablePanel& p = editor.varPanel;
    for (int position : {p.type, p.functionField, p.dimension, p.unit, p.vife, p.modToD, p.modSwap,
                         p.scale.selected})
        EXPECT_EQ(position, -1);
    EXPECT_EQ(editor.applyVariable(), 0);
    const Variable& v = editor.network()[0].variables[0];
    for (qint32 field : {v.dataType, v.function, v.dimension, v.unit, v.modbusType, v.modbusSwap})
        EXPECT_EQ(field, -1);
    EXPECT_EQ(v.vife, 255);
    EXPECT_EQ(v.scale, 255);
}

TEST_F(NetworkEditorTest, SelectingANodeResetsTheVariablePanel) {
    addNodes(1);
    ASSERT_EQ(addVariable(0), 0);
    editor.select({0, 0});
    editor.select({0, -1});
    VariablePanel fresh;
    fresh.enable = true;
    fresh.storageNumber = QStringLiteral("0");
    fresh.tariff = QStringLiteral("0");
    EXPECT_EQ(editor.varPanel, fresh);
    EXPECT_EQ(editor.varButtonText(), QStringLiteral("ADD VARIABLE"));
    EXPECT_EQ(editor.applyVariable(), 641) << "no slave ID yet";
}

// Selection from tree positions, as the tree hands them over.
TEST_F(NetworkEditorTest, SelectionFromTreePositions) {
    addNodes(2);
    ASSERT_EQ(addVariable(1), 0);
    ASSERT_EQ(addVariable(1), 0);
    NetworkTree& tree = editor.tree();
    struct Row {
        QModelIndex index;
        int node;
        int variable;
        Tab tab;
        const char* nodeButton;
        const char* varButton;
    };
    const Row rows[] = {
        {tree.rootIndex(), -1, -1, Tab::Unchanged, "ADD NODE", "ADD VARIABLE"},
        {QModelIndex(), -1, -1, Tab::Unchanged, "ADD NODE", "ADD VARIABLE"},
        {tree.index(1, 0, tree.rootIndex()), 1, -1, Tab::Nodes, "MODIFY NODE", "ADD VARIABLE"},
        {tree.index(1, 0, tree.index(1, 0, tree.rootIndex())), 1, 1, Tab::Variables, "ADD NODE",
         "MODIFY VARIABLE"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(editor.select(tree.positionOf(row.index)), row.tab);
        EXPECT_EQ(editor.selectedNodeIndex(), row.node);
        EXPECT_EQ(editor.selectedVariableIndex(), row.variable);
        EXPECT_EQ(editor.nodeButtonText(), QLatin1String(row.nodeButton));
        EXPECT_EQ(editor.varButtonText(), QLatin1String(row.varButton));
    }
}

// A press that changes nothing (add variable without a node, modify with the same values)
// pushes no command but still counts as a change, until the network next changes.
TEST_F(NetworkEditorTest, PressWithoutSelectionStillMarksAChange) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    addNodes(1);
    ASSERT_EQ(addVariable(0), 0);
    const Network network = editor.network();
    ASSERT_EQ(saveNetwork(network, path), QString());
    struct Row {
        const char* why;
        NetworkTree::Position selected;
        int (NetworkEditor::*press)();
    };
    const Row rows[] = {
        {"add variable without a node", {-1, -1}, &NetworkEditor::applyVariable},
        {"modify node, same values", {0, -1}, &NetworkEditor::applyNode},
        {"modify variable, same values", {0, 0}, &NetworkEditor::applyVariable},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(editor.load(path), QString());
        ASSERT_FALSE(editor.isChanged());
        editor.select(row.selected);
        if (row.selected.node < 0)
            editor.varPanel = goodVariable();
        EXPECT_EQ((editor.*row.press)(), 0) << row.why;
        EXPECT_TRUE(editor.isChanged()) << row.why;
        EXPECT_EQ(editor.network(), network) << row.why;
        EXPECT_EQ(editor.undoStack().count(), 0) << row.why;
        // A real change and its undo bring back what the file holds.
        ASSERT_EQ(addNode(QStringLiteral("9")), 0);
        editor.undo();
        EXPECT_FALSE(editor.isChanged()) << row.why;
    }
}

TEST_F(NetworkEditorTest, DeleteBySelection) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    auto build = [this, &path] {
        editor.load(QString());
        addNodes(3);
        for (int node : {0, 1})
            for (int i = 0; i < 2; ++i)
                ASSERT_EQ(addVariable(node), 0);
        // Read back, so that only the delete counts as a change.
        ASSERT_EQ(saveNetwork(editor.network(), path), QString());
        ASSERT_EQ(editor.load(path), QString());
        ASSERT_FALSE(editor.isChanged());
    };
    struct Row {
        const char* why;
        NetworkTree::Position selected;
        int question;
        QList<int> varsLeft; // per node
        NetworkTree::Position after;
    };
    const Row rows[] = {
        {"nothing", {-1, -1}, 653, {}, {-1, -1}},
        {"first node", {0, -1}, 654, {2, 0}, {0, -1}},
        {"last node", {2, -1}, 654, {2, 2}, {1, -1}},
        {"first variable", {0, 0}, 655, {1, 2, 0}, {0, 0}},
        {"last variable", {1, 1}, 655, {2, 1, 0}, {1, 0}},
    };
    for (const Row& row : rows) {
        build();
        editor.select(row.selected);
        EXPECT_EQ(editor.deleteQuestion(), row.question) << row.why;
        editor.deleteSelection();
        QList<int> left;
        for (const Node& n : editor.network())
            left << int(n.variables.size());
        EXPECT_EQ(left, row.varsLeft) << row.why;
        EXPECT_EQ(editor.tree().rowCount(editor.tree().rootIndex()), row.varsLeft.size());
        EXPECT_EQ(
            (NetworkTree::Position{editor.selectedNodeIndex(), editor.selectedVariableIndex()}),
            row.after)
            << row.why;
        EXPECT_TRUE(editor.isChanged()) << row.why;
    }
    // Removing a node's only variable selects the node.
    build();
    editor.select({0, 1});
    editor.deleteSelection();
    editor.select({0, 0});
    editor.deleteSelection();
    EXPECT_EQ((NetworkTree::Position{editor.selectedNodeIndex(), editor.selectedVariableIndex()}),
              (NetworkTree::Position{0, -1}));
}

// Indexes kept by a view stay right when an earlier node goes.
TEST_F(NetworkEditorTest, TreeIndexesSurviveRemovingAnEarlierNode) {
    addNodes(3);
    ASSERT_EQ(addVariable(2), 0);
    NetworkTree& tree = editor.tree();
    const QPersistentModelIndex variable = tree.indexOf({2, 0});
    editor.select({0, -1});
    editor.deleteSelection();
    ASSERT_TRUE(variable.isValid());
    EXPECT_EQ(tree.positionOf(variable), (NetworkTree::Position{1, 0}));
    EXPECT_EQ(tree.parent(variable), tree.indexOf({1, -1}));
}

TEST_F(NetworkEditorTest, ShowReadsTheFileAndAFailedReadGuardsIt) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    EXPECT_EQ(editor.load(path), QString()) << "no file: an empty network";
    EXPECT_FALSE(editor.unreadFileAtRisk());

    folder.write(QStringLiteral("M_Bus.xml"),
                 "<M-Bus_Network><Nodo ID=\"1\"><Variabile Type=\"0\" Dim=\"2\"/></Nodo>"
                 "</M-Bus_Network>");
    addNodes(1);
    const QString error = editor.load(path);
    EXPECT_TRUE(error.contains(QStringLiteral("M_Bus.xml"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Fun_Field"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("node 1, variable 1"))) << error.toStdString();
    EXPECT_TRUE(editor.network().isEmpty());
    EXPECT_TRUE(editor.unreadFileAtRisk());
    EXPECT_FALSE(editor.isChanged());
}

TEST_F(NetworkEditorTest, OkWritesAndReleasesOrKeepsEverythingOnFailure) {
    TestFolder folder;
    addNodes(2);
    ASSERT_EQ(addVariable(1), 0);
    const Network network = editor.network();
    const QString blocked = folder.write(QStringLiteral("blocked"), "a file, not a folder");
    const QString error = editor.save(blocked + QStringLiteral("/M_Bus.xml"));
    EXPECT_TRUE(error.startsWith(blocked + QStringLiteral("/M_Bus.xml: "))) << error.toStdString();
    EXPECT_EQ(editor.network(), network);

    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    EXPECT_EQ(editor.save(path), QString());
    EXPECT_TRUE(editor.network().isEmpty()) << "released after the write";
    EXPECT_EQ(loadNetwork(path).nodes, network);
}

// A file the system wrote comes out byte for byte the same after opening and confirming.
TEST_F(NetworkEditorTest, UnchangedNetworkWritesTheSameBytes) {
    TestFolder folder;
    const QString path =
        folder.copyFixture(QStringLiteral("mbus/network.xml"), QStringLiteral("M_Bus.xml"));
    const QByteArray before = folder.read(QStringLiteral("M_Bus.xml"));
    ASSERT_EQ(editor.load(path), QString());
    EXPECT_EQ(editor.save(path), QString());
    EXPECT_EQ(folder.read(QStringLiteral("M_Bus.xml")), before);
}

TEST(DropDownWidth, WidensOnlyWhenTheBoxIsNarrow) {
    // Widest entry 100 + 12 + 30 = 142.
    EXPECT_EQ(dropDownWidth({40, 100}, 160, 17, 8), std::nullopt) << "160 - 17 >= 142";
    EXPECT_EQ(dropDownWidth({40, 100}, 158, 17, 8), 142);
    EXPECT_EQ(dropDownWidth(QList<int>(9, 100), 100, 17, 8), 142 + 17) << "the list scrolls";
    EXPECT_EQ(dropDownWidth(QList<int>(8, 100), 100, 17, 8), 142);
}

// The largest network comes in as one reset of the tree, never row by row.
TEST_F(NetworkEditorTest, FullNetworkShowsInOneReset) {
    Network full;
    for (int n = 0; n < 64; ++n) {
        Node node{QStringLiteral("Node %1").arg(n), n + 1, n, {}};
        for (int v = 0; v < 10; ++v)
            node.variables.append(Variable{.description = QString::number(v), .dimension = 2});
        full.append(node);
    }
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    ASSERT_EQ(saveNetwork(full, path), QString());
    NetworkTree& tree = editor.tree();
    const QSignalSpy resets(&tree, &QAbstractItemModel::modelReset);
    const QSignalSpy inserts(&tree, &QAbstractItemModel::rowsInserted);
    ASSERT_EQ(editor.load(path), QString());
    EXPECT_EQ(resets.size(), 1);
    EXPECT_EQ(inserts.size(), 0);
    ASSERT_EQ(tree.rowCount(tree.rootIndex()), 64);
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(tree.rowCount(tree.indexOf({n, -1})), 10) << n;
    EXPECT_EQ(tree.positionOf(tree.index(9, 0, tree.indexOf({63, -1}))),
              (NetworkTree::Position{63, 9}));
    // At the limits the node and variable checks come before any field.
    EXPECT_EQ(addNode(QStringLiteral("200")), 648);
    editor.select({63, -1});
    EXPECT_EQ(editor.applyVariable(), 647);
}

// Every command of the editor, then its undo and its redo: undo gives back the network and
// the bytes OK wrote before it, redo the network and the bytes of the change.
TEST_F(NetworkEditorTest, EveryCommandUndoesAndRedoesToTheSameBytes) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    const QString written = folder.file(QStringLiteral("written.xml"));
    const QString other = folder.file(QStringLiteral("other.xml"));
    Network network{{QStringLiteral("Heat"), 5, 12345678, {}}, {QStringLiteral("Water"), 6, 0, {}}};
    for (const char* description : {"Energy", "Power"})
        network[0].variables.append(variableFromPanel(goodVariable(QLatin1String(description))));
    ASSERT_EQ(saveNetwork(network, path), QString());
    ASSERT_EQ(saveNetwork({{QStringLiteral("Gas"), 9, 1, {}}}, other), QString());
    const QByteArray fileBytes = folder.read(QStringLiteral("M_Bus.xml"));
    const QStringList pasteValues{"7", "Input Register", "12", "1", "None"};

    struct Row {
        const char* command; // as Undo and Redo name it
        std::function<int(NetworkEditor&)> run;
    };
    const Row rows[] = {
        {"Add node",
         [](NetworkEditor& e) {
             e.nodePanel = {QStringLiteral("Gas"), QStringLiteral("7"), QStringLiteral("0")};
             return e.applyNode();
         }},
        {"Modify node",
         [](NetworkEditor& e) {
             e.select({1, -1});
             e.nodePanel.primary = QStringLiteral("8");
             return e.applyNode();
         }},
        {"Delete node",
         [](NetworkEditor& e) {
             e.select({0, -1});
             e.deleteSelection();
             return 0;
         }},
        {"Add variable",
         [](NetworkEditor& e) {
             e.select({1, -1});
             e.varPanel = goodVariable(QStringLiteral("Volume"));
             return e.applyVariable();
         }},
        {"Modify variable",
         [](NetworkEditor& e) {
             e.select({0, 1});
             e.varPanel.slaveId = QStringLiteral("200");
             e.varPanel.description = QStringLiteral("Power in");
             return e.applyVariable();
         }},
        {"Delete variable",
         [](NetworkEditor& e) {
             e.select({0, 0});
             e.deleteSelection();
             return 0;
         }},
        {"Delete the whole network",
         [](NetworkEditor& e) {
             e.select({});
             e.deleteSelection();
             return 0;
         }},
        {"Paste Node",
         [](NetworkEditor& e) {
             e.select({0, -1});
             e.copyNode();
             return e.pasteNode(
                 QStringLiteral("20"), QStringLiteral("3"),
                 {"1", "Coil Status", "3", "1", "None", "2", "Input Status", "4", "1", "Type 1"});
         }},
        {"Paste Variable",
         [&pasteValues](NetworkEditor& e) {
             e.select({0, 0});
             e.copyVariable();
             e.select({1, -1});
             return e.pasteVariable(pasteValues);
         }},
        {"Import CSV",
         [&other, this](NetworkEditor& e) {
             NetworkEditor source(texts);
             source.load(other);
             return e.importCsv(source.exportCsv()).size();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        ASSERT_EQ(editor.load(path), QString());
        const QStringList before = shown.lines();
        ASSERT_EQ(row.run(editor), 0);
        const Network changed = editor.network();
        ASSERT_NE(changed, network);
        ASSERT_EQ(editor.undoStack().count(), 1) << "one command";
        EXPECT_EQ(editor.undoStack().undoText(), QLatin1String(row.command));
        EXPECT_TRUE(editor.isChanged());
        expectShownIsSaved("after the command");
        const QStringList after = shown.lines();

        editor.undo();
        EXPECT_EQ(editor.network(), network);
        EXPECT_FALSE(editor.isChanged());
        // Every row back in its place, with its own label, as the view shows it.
        EXPECT_EQ(shown.lines(), before);
        expectShownIsSaved("after the undo");
        // The tree shows the list it was given back.
        EXPECT_EQ(editor.tree().rowCount(editor.tree().rootIndex()), network.size());
        EXPECT_EQ(editor.tree().rowCount(editor.tree().indexOf({0, -1})),
                  network[0].variables.size());
        ASSERT_EQ(editor.save(written), QString());
        EXPECT_EQ(folder.read(QStringLiteral("written.xml")), fileBytes);

        ASSERT_EQ(editor.load(path), QString());
        ASSERT_EQ(row.run(editor), 0);
        editor.undo();
        editor.redo();
        EXPECT_EQ(editor.network(), changed);
        EXPECT_TRUE(editor.isChanged());
        EXPECT_EQ(shown.lines(), after);
        expectShownIsSaved("after the redo");
        ASSERT_EQ(editor.save(written), QString());
        const QString expected = folder.file(QStringLiteral("expected.xml"));
        ASSERT_EQ(saveNetwork(changed, expected), QString());
        EXPECT_EQ(folder.read(QStringLiteral("written.xml")),
                  folder.read(QStringLiteral("expected.xml")));
    }
}

// After an undo or a redo the selection and the panels are the ones of that moment.
TEST_F(NetworkEditorTest, UndoBringsBackTheSelectionAndItsPanels) {
    addNodes(2);
    ASSERT_EQ(addVariable(1, goodVariable(QStringLiteral("Energy"))), 0);
    ASSERT_EQ(addVariable(1, goodVariable(QStringLiteral("Power"))), 0);
    QList<NetworkEditor::Tab> tabs;
    QObject::connect(&editor, &NetworkEditor::restored,
                     [&tabs](NetworkEditor::Tab tab) { tabs << tab; });
    editor.select({1, 0});
    editor.deleteSelection();
    ASSERT_EQ(editor.selection(), (NetworkTree::Position{1, 0}));
    EXPECT_EQ(editor.varPanel.description, QStringLiteral("Power"));

    editor.select({});
    editor.undo();
    EXPECT_EQ(editor.selection(), (NetworkTree::Position{1, 0}));
    EXPECT_EQ(editor.varPanel.description, QStringLiteral("Energy"));
    EXPECT_EQ(editor.varMode(), NetworkEditor::Mode::Modify);
    editor.redo();
    EXPECT_EQ(editor.selection(), (NetworkTree::Position{1, 0}));
    EXPECT_EQ(editor.varPanel.description, QStringLiteral("Power"));
    EXPECT_EQ(tabs, (QList<NetworkEditor::Tab>{NetworkEditor::Tab::Variables,
                                               NetworkEditor::Tab::Variables}));
}
