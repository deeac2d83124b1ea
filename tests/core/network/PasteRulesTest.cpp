#include "core/network/PasteRules.h"

#include "core/editor/NetworkEditor.h"
#include "core/lang/LanguageTable.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using namespace PasteRules;

namespace {

Variable variable(const char* description, qint32 slaveId, qint32 modbusRegister) {
    Variable v;
    v.enabled = true;
    v.description = QString::fromUtf8(description);
    v.dataType = 19;
    v.function = 2;
    v.dimension = 7;
    v.unit = 3;
    v.storageNumber = 4294967295u;
    v.tariff = 1048575;
    v.vife = 38;
    v.length = 191;
    v.scale = 15;
    v.modbusSlave = slaveId;
    v.modbusType = 2;
    v.modbusRegister = modbusRegister;
    v.modbusCount = 2;
    v.modbusSwap = 1;
    return v;
}

Node node(const char* description, qint32 primary, int variables) {
    Node n;
    n.description = QString::fromUtf8(description);
    n.primary = primary;
    n.secondary = 12345678;
    for (int i = 0; i < variables; ++i)
        n.variables.append(
            variable(QByteArray("V").append(char('a' + i)).constData(), 1 + i, 100 * i));
    return n;
}

// The plant the tests copy from: a node of three variables and one without any.
Network plant() {
    return {node("Heat meter", 5, 3), node("Empty", 6, 0)};
}

// Column 2 of a grid as first filled.
QStringList valuesOf(const QList<GridRow>& rows) {
    QStringList values;
    for (const GridRow& row : rows)
        values << row.value;
    return values;
}

const QString Holding = QStringLiteral("Holding Register");
const QString Type1 = QStringLiteral("Type 1");

} // namespace

TEST(CopyBuffers, CopyVariableNeedsAVariable) {
    struct Row {
        const char* selection;
        int nodeIndex;
        int variableIndex;
        int message;
    };
    const Row rows[] = {
        {"nothing or the root", -1, -1, 658},
        {"a node position beyond the list", 2, 0, 658},
        {"a node alone", 0, -1, 657},
        {"a variable position beyond its node", 0, 3, 657},
        {"a variable of a node without any", 1, 0, 657},
        {"a variable", 0, 1, 0},
    };
    const Network nodes = plant();
    for (const Row& row : rows) {
        CopyBuffers buffers;
        EXPECT_EQ(buffers.copyVariable(nodes, row.nodeIndex, row.variableIndex), row.message)
            << row.selection;
        EXPECT_EQ(buffers.canPasteVariable(), row.message == 0) << row.selection;
        EXPECT_FALSE(buffers.canPasteNode()) << row.selection;
    }
    CopyBuffers buffers;
    buffers.copyVariable(nodes, 0, 1);
    EXPECT_EQ(*buffers.copiedVariable(), nodes[0].variables[1]) << "every field";
    buffers.copyVariable(nodes, 0, 2);
    EXPECT_EQ(*buffers.copiedVariable(), nodes[0].variables[2]) << "a later copy overwrites";
}

TEST(CopyBuffers, CopyNodeTakesTheNodeOfTheSelection) {
    const Network nodes = plant();
    CopyBuffers buffers;
    EXPECT_EQ(buffers.copyNode(nodes, -1), 659);
    EXPECT_EQ(buffers.copyNode(nodes, 2), 660);
    EXPECT_FALSE(buffers.canPasteNode());
    // With a variable selected selectedNodeIndex is its node's position: the whole node is copied.
    EXPECT_EQ(buffers.copyNode(nodes, 0), 0);
    EXPECT_EQ(*buffers.copiedNode(), nodes[0]);
    EXPECT_TRUE(buffers.canPasteNode());
    EXPECT_FALSE(buffers.canPasteVariable());
    // A later copy drops the variables held before.
    EXPECT_EQ(buffers.copyNode(nodes, 1), 0);
    EXPECT_EQ(*buffers.copiedNode(), nodes[1]);
    EXPECT_TRUE(buffers.copiedNode()->variables.isEmpty());
}

// The buffers hold copies: the network they came from may change or go (another
// configuration), and pasting never empties them.
TEST(CopyBuffers, OutliveTheirNetworkAndEveryPaste) {
    const LanguageTable table;
    CopyBuffers buffers;
    {
        Network first = plant();
        buffers.copyNode(first, 0);
        buffers.copyVariable(first, 0, 2);
        first[0].variables.clear();
        first[0].description = QStringLiteral("changed");
    }
    Network other{node("Other plant", 5, 0)};
    const Node copied = *buffers.copiedNode();
    EXPECT_EQ(copied.description, QStringLiteral("Heat meter"));
    ASSERT_EQ(copied.variables.size(), 3);
    const QStringList values = valuesOf(nodeRows(table, copied));
    other.append(pastedNode(table, copied, QStringLiteral("7"), QStringLiteral("0"), values));
    other.append(pastedNode(table, copied, QStringLiteral("8"), QStringLiteral("0"), values));
    other[0].variables.append(
        pastedVariable(table, *buffers.copiedVariable(),
                       valuesOf(variableRows(table, *buffers.copiedVariable()))));
    EXPECT_EQ(other.size(), 3);
    EXPECT_EQ(other[1].variables, copied.variables) << "unchanged values paste the same variables";
    EXPECT_EQ(*buffers.copiedNode(), copied);
    EXPECT_TRUE(buffers.canPasteVariable());
}

TEST(PasteRules, PastesRefusedBeforeTheDialog) {
    const Network nodes = plant();
    CopyBuffers empty;
    EXPECT_EQ(pasteVariableRefusal(empty, nodes, 0), 662);
    EXPECT_EQ(pasteVariableRefusal(empty, nodes, -1), 662) << "the buffer is looked at first";
    EXPECT_EQ(pasteNodeRefusal(empty), 664);
    CopyBuffers full;
    full.copyVariable(nodes, 0, 0);
    full.copyNode(nodes, 0);
    EXPECT_EQ(pasteVariableRefusal(full, nodes, -1), 663);
    EXPECT_EQ(pasteVariableRefusal(full, nodes, 1), 0) << "a node without variables";
    EXPECT_EQ(pasteNodeRefusal(full), 0) << "no selection needed";
}

// A node of three variables: 15 rows below the header, block 1 light green, the lists
// chosen by row position alone.
TEST(PasteRules, NodeGridHasOneBlockOfFiveRowsPerVariable) {
    const LanguageTable table;
    const QList<GridRow> rows = nodeRows(table, plant()[0]);
    ASSERT_EQ(rows.size(), 15);
    const QStringList names{"Slave ID", "Type of Data", "Modbus Register", "Number of Points",
                            "Swap"};
    for (int r = 1; r <= 15; ++r) {
        const GridRow& row = rows[r - 1];
        const int k = (r - 1) / 5;
        SCOPED_TRACE(testing::Message() << "row " << r);
        EXPECT_EQ(blockOfRow(r), k);
        EXPECT_EQ(row.name,
                  names[(r - 1) % 5] + QStringLiteral(" - Var V") + QChar(QLatin1Char('a' + k)));
        EXPECT_EQ(row.copied, row.value);
        EXPECT_TRUE(row.editable);
        EXPECT_EQ(row.shaded, k == 1);
        EXPECT_EQ(editorOfCell(r, 0), CellEditor::None);
        EXPECT_EQ(editorOfCell(r, 1), CellEditor::None);
    }
    EXPECT_EQ(valuesOf(rows).mid(10, 5),
              (QStringList{"3", Holding, "200", "2", Type1})); // block 2: V c
    const CellEditor column2[] = {CellEditor::Text, CellEditor::TypeOfDataList, CellEditor::Text,
                                  CellEditor::Text, CellEditor::SwapList};
    for (int r = 1; r <= 15; ++r)
        EXPECT_EQ(editorOfCell(r, 2), column2[(r - 1) % 5]) << "row " << r;
    EXPECT_EQ(editorOfCell(0, 2), CellEditor::None) << "the header";
    EXPECT_EQ(headerTexts(table),
              (QStringList{"Name of Parameter", "Value of Copied Variable", "New Value"}));
}

TEST(PasteRules, NodeWithoutVariablesHasOneEmptyReadOnlyRow) {
    const LanguageTable table;
    const QList<GridRow> rows = nodeRows(table, plant()[1]);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], (GridRow{QString(), QString(), QString(), false, false}));
}

TEST(PasteRules, VariableGridIsOneWhiteBlockWithPlainNames) {
    const LanguageTable table;
    Variable copied = variable("Energy", 17, 40000);
    copied.modbusType = 3;
    copied.modbusSwap = 0;
    const QList<GridRow> rows = variableRows(table, copied);
    ASSERT_EQ(rows.size(), 5);
    const QStringList names{"Slave ID", "Type of Data", "Modbus Register", "Number of Points",
                            "Swap"};
    const QStringList values{"17", "Input Register", "40000", "2", "None"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rows[i], (GridRow{names[i], values[i], values[i], true, false})) << i;
}

// okClicked's order: addresses, the free primary address, then block by block.
TEST(PasteRules, NodeDialogChecksInOrder) {
    const LanguageTable table;
    const Network nodes = plant();
    const QStringList good = valuesOf(nodeRows(table, nodes[0]));
    auto with = [&good](std::initializer_list<std::pair<int, const char*>> changes) {
        QStringList values = good;
        for (const auto& [row, value] : changes)
            values[row - 1] = QString::fromLatin1(value);
        return values;
    };
    struct Row {
        const char* why;
        const char* primary;
        const char* secondary;
        QStringList values;
        int message;
    };
    const Row rows[] = {
        {"the primary address unchanged", "5", "12345678", good, 651},
        {"the address of the other node", "6", "1", good, 651},
        {"a free address", "7", "12345678", good, 0},
        {"secondary address 0", "7", "0", good, 0},
        {"hexadecimal", "0xFA", "$5F5E0FF", good, 0},
        {"primary 0", "0", "0", good, 649},
        {"primary 251", "251", "0", good, 649},
        {"primary not a number", "7 ", "0", good, 649},
        {"secondary beyond eight digits", "7", "100000000", good, 650},
        {"secondary empty", "7", "", good, 650},
        {"addresses before the grid", "0", "0", with({{13, "65536"}}), 649},
        {"bad register in block 2 (row 13)", "7", "0", with({{13, "65536"}}), 642},
        {"slave ID 0 in block 1", "7", "0", with({{6, "0"}}), 641},
        {"slave ID 248", "7", "0", with({{1, "248"}}), 641},
        {"124 points is the most", "7", "0", with({{9, "124"}}), 0},
        {"125 points", "7", "0", with({{9, "125"}}), 643},
        {"an earlier block first", "7", "0", with({{4, "0x"}, {13, "65536"}}), 643},
        {"a block's rows in order", "7", "0", with({{3, "-1"}, {1, "x"}}), 641},
        {"no variables: one empty row", "7", "0", QStringList{QString()}, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nodeDialogFailure(nodes, QString::fromLatin1(row.primary),
                                    QString::fromLatin1(row.secondary), row.values),
                  row.message)
            << row.why;
    }
}

TEST(PasteRules, VariableDialogChecksInOrder) {
    struct Row {
        QStringList values;
        int message;
    };
    const Row rows[] = {
        {{"1", Holding, "0", "1", Type1}, 0},       {{"247", Holding, "65535", "124", Type1}, 0},
        {{"0", Holding, "65536", "0", Type1}, 641}, {{"1", Holding, "-1", "0", Type1}, 642},
        {{"1", Holding, "0", "0", Type1}, 643},     {{"", Holding, "0", "1", Type1}, 641},
    };
    for (const Row& row : rows)
        EXPECT_EQ(variableDialogFailure(row.values), row.message)
            << row.values.join(',').toStdString();
}

// The grid's typed cells hold numbers only, so a character M_Bus.xml cannot hold is refused
// with the message that names its cell; the list cells store positions, never their text.
TEST(PasteRules, CharactersTheFileCannotHoldNeverPass) {
    const QString bad[] = {QStringLiteral("1\x01"), QStringLiteral("\v1"),
                           QStringLiteral("1") + QChar(0xFFFE), QString::fromUtf16(u"1\0", 2)};
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toUtf8().toHex().toStdString());
        EXPECT_EQ(variableDialogFailure({text, Holding, "0", "1", Type1}), 641);
        EXPECT_EQ(variableDialogFailure({"1", Holding, text, "1", Type1}), 642);
        EXPECT_EQ(variableDialogFailure({"1", Holding, "0", text, Type1}), 643);
        EXPECT_EQ(nodeAddressFailure(text, "0"), 649);
        EXPECT_EQ(nodeAddressFailure("7", text), 650);
        const LanguageTable table;
        const Variable copied = variable("Flow", 1, 0);
        const Variable pasted = pastedVariable(table, copied, {"1", text, "0", "1", text});
        EXPECT_EQ(pasted.modbusType, copied.modbusType);
        EXPECT_EQ(pasted.modbusSwap, copied.modbusSwap);
    }
}

// Only the Modbus source changes; every M-Bus field is pasted as copied.
TEST(PasteRules, PastedVariableKeepsItsCodingAndTakesTheNewModbusValues) {
    const LanguageTable table;
    const Variable copied = variable("Energy", 1, 0);
    const Variable pasted =
        pastedVariable(table, copied, {"0x10", "Input Register", " 300", "4", "None"});
    Variable expected = copied;
    expected.modbusSlave = 16;
    expected.modbusType = 3;
    expected.modbusRegister = 300;
    expected.modbusCount = 4;
    expected.modbusSwap = 0;
    EXPECT_EQ(pasted, expected);
}

// The lists follow the language: a renamed text is shown and read back.
TEST(PasteRules, ModbusTextsFollowTheLanguage) {
    LanguageTable table;
    table.setText(617, QStringLiteral("Registro di mantenimento"));
    const Variable copied = variable("Energy", 1, 0);
    const QList<GridRow> rows = variableRows(table, copied);
    EXPECT_EQ(rows[1].copied, QStringLiteral("Registro di mantenimento"));
    EXPECT_EQ(pastedVariable(table, copied, valuesOf(rows)), copied);
}

// The editor's paste: the limits come after the dialog; a pasted node goes to the end.
TEST(PasteRules, LimitsAreCheckedAfterTheDialog) {
    const LanguageTable table;
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    Network nodes = plant();
    nodes[0].variables.append(nodes[0].variables); // 6
    nodes[0].variables.resize(9);
    while (nodes.size() < 63)
        nodes.append(node("filler", 100 + int(nodes.size()), 0));
    ASSERT_EQ(saveNetwork(nodes, path), QString());
    NetworkEditor editor(table);
    ASSERT_EQ(editor.load(path), QString());

    // Nine variables take a tenth, at the end; the eleventh is refused and nothing changes.
    const QStringList values{"9", Holding, "7", "1", Type1};
    editor.select({0, 1});
    ASSERT_EQ(editor.copyVariable(), 0);
    EXPECT_EQ(editor.pasteVariable(values), 0);
    ASSERT_EQ(editor.network()[0].variables.size(), 10);
    EXPECT_EQ(editor.network()[0].variables.last(),
              pastedVariable(table, nodes[0].variables[1], values));
    const Network before = editor.network();
    EXPECT_EQ(editor.pasteVariable(values), 647);
    EXPECT_EQ(editor.network(), before);

    const Node source = nodes[1];
    editor.select({1, -1});
    ASSERT_EQ(editor.copyNode(), 0);
    const QStringList nodeValues = valuesOf(nodeRows(table, source));
    editor.select({});
    EXPECT_EQ(editor.pasteNode(QStringLiteral("250"), QStringLiteral("0"), nodeValues), 0);
    ASSERT_EQ(editor.network().size(), 64);
    const Node& pasted = editor.network().last();
    EXPECT_EQ(pasted.description, source.description);
    EXPECT_EQ(pasted.primary, 250);
    EXPECT_EQ(pasted.secondary, 0);
    const Network full = editor.network();
    EXPECT_EQ(editor.pasteNode(QStringLiteral("249"), QStringLiteral("0"), nodeValues), 648);
    EXPECT_EQ(editor.network(), full);
}

TEST(PasteRules, EachBlockFeedsItsOwnVariable) {
    const LanguageTable table;
    Network nodes;
    const Node source = plant()[0];
    QStringList values = valuesOf(nodeRows(table, source));
    values[5] = QStringLiteral("42");   // block 1 slave ID
    values[12] = QStringLiteral("999"); // block 2 register
    values[1] = QStringLiteral("Coil Status");
    nodes.append(pastedNode(table, source, QStringLiteral("9"), QStringLiteral("1"), values));
    const Node& pasted = nodes[0];
    ASSERT_EQ(pasted.variables.size(), 3);
    EXPECT_EQ(pasted.variables[0].modbusType, 0);
    EXPECT_EQ(pasted.variables[1].modbusSlave, 42);
    EXPECT_EQ(pasted.variables[1].modbusRegister, 100);
    EXPECT_EQ(pasted.variables[2].modbusRegister, 999);
    EXPECT_EQ(pasted.variables[2].description, QStringLiteral("Vc"));

    // A node without variables pastes as one.
    EXPECT_TRUE(
        pastedNode(table, plant()[1], QStringLiteral("10"), QStringLiteral("1"), {QString()})
            .variables.isEmpty());
}

// A Modbus type or swap beyond its list (possible only from an edited file) shows as an empty
// cell; pasting it unchanged keeps the stored position instead of writing -1.
TEST(PasteRules, PositionBeyondAListIsKeptWhenNotChanged) {
    const LanguageTable table;
    Variable copied = variable("Odd", 1, 0);
    copied.modbusType = 7;
    copied.modbusSwap = 5;
    const QList<GridRow> rows = variableRows(table, copied);
    EXPECT_EQ(rows[1].copied, QString());
    EXPECT_EQ(rows[4].copied, QString());
    EXPECT_EQ(pastedVariable(table, copied, valuesOf(rows)), copied);
    const Variable picked = pastedVariable(table, copied, {"1", "Coil Status", "0", "2", "None"});
    EXPECT_EQ(picked.modbusType, 0);
    EXPECT_EQ(picked.modbusSwap, 0);
}
