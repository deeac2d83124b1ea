#include "core/network/PasteRules.h"

#include "common/NumberRule.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/NetworkRules.h"

namespace PasteRules {

namespace Msg = NetworkMessages;

namespace {

constexpr int RowNameTexts[Rows_Per_Variable] = {668, 669, 670, 671, 672};

std::optional<qint64> number(const QString& text) {
    const auto value = NumberRule::toInt32(text);
    return value ? std::optional<qint64>(*value) : std::nullopt;
}

// Only called on values that passed the checks; 0 keeps a stray call harmless.
qint32 checkedNumber(const QString& text) {
    return NumberRule::toInt32(text).value_or(0);
}

int blockFailure(const QStringList& values, int block) {
    const int first = block * Rows_Per_Variable;
    if (!NetworkRules::slaveIdValid(number(values.value(first))))
        return Msg::SlaveId;
    if (!NetworkRules::registerValid(number(values.value(first + 2))))
        return Msg::Register;
    if (!NetworkRules::pointsValid(number(values.value(first + 3))))
        return Msg::Points;
    return 0;
}

} // namespace

int CopyBuffers::copyVariable(const Network& nodes, int nodeIndex, int variableIndex) {
    if (nodeIndex < 0 || nodeIndex >= nodes.size())
        return Msg::SelectVariableFromNode;
    const Node& node = nodes[nodeIndex];
    if (variableIndex < 0 || variableIndex >= node.variables.size())
        return Msg::SelectVariable;
    copyVar_ = node.variables[variableIndex];
    return 0;
}

int CopyBuffers::copyNode(const Network& nodes, int nodeIndex) {
    if (nodeIndex >= nodes.size())
        return Msg::NodeBeyondList;
    if (nodeIndex < 0)
        return Msg::SelectNode;
    copyNode_ = nodes[nodeIndex];
    return 0;
}

int pasteVariableRefusal(const CopyBuffers& buffers, const Network& nodes, int nodeIndex) {
    if (!buffers.canPasteVariable())
        return Msg::CopyVariableBefore;
    if (nodeIndex < 0 || nodeIndex >= nodes.size())
        return Msg::SelectNodeForVariable;
    return 0;
}

int pasteNodeRefusal(const CopyBuffers& buffers) {
    return buffers.canPasteNode() ? 0 : Msg::CopyNodeBefore;
}

RowField fieldOfRow(int row) {
    return RowField((row - 1) % Rows_Per_Variable);
}

int blockOfRow(int row) {
    return (row - 1) / Rows_Per_Variable;
}

CellEditor editorOfCell(int row, int column) {
    if (column != 2 || row < 1)
        return CellEditor::None;
    switch (fieldOfRow(row)) {
    case RowField::TypeOfData:
        return CellEditor::TypeOfDataList;
    case RowField::Swap:
        return CellEditor::SwapList;
    default:
        return CellEditor::Text;
    }
}

QStringList headerTexts(const LanguageTable& table) {
    return {table.text(665), table.text(666), table.text(667)};
}

QStringList copiedValues(const LanguageTable& table, const Variable& variable) {
    return {QString::number(variable.modbusSlave), modbusTypeText(table, variable.modbusType),
            QString::number(variable.modbusRegister), QString::number(variable.modbusCount),
            modbusSwapText(table, variable.modbusSwap)};
}

namespace {

void appendBlock(QList<GridRow>& rows, const LanguageTable& table, const Variable& variable,
                 const QString& suffix, bool shaded) {
    const QStringList values = copiedValues(table, variable);
    for (int i = 0; i < Rows_Per_Variable; ++i)
        rows.append({table.text(RowNameTexts[i]) + suffix, values[i], values[i], true, shaded});
}

} // namespace

QList<GridRow> variableRows(const LanguageTable& table, const Variable& copied) {
    QList<GridRow> rows;
    appendBlock(rows, table, copied, QString(), false);
    return rows;
}

QList<GridRow> nodeRows(const LanguageTable& table, const Node& copied) {
    QList<GridRow> rows;
    if (copied.variables.isEmpty()) {
        rows.append({QString(), QString(), QString(), false, false});
        return rows;
    }
    for (int k = 0; k < copied.variables.size(); ++k) {
        const Variable& variable = copied.variables[k];
        appendBlock(rows, table, variable, QStringLiteral(" - Var ") + variable.description,
                    k % 2 == 1);
    }
    return rows;
}

int variableDialogFailure(const QStringList& newValues) {
    return blockFailure(newValues, 0);
}

bool primaryAddressFree(const Network& nodes, qint64 primary) {
    // Nothing is selected for the dialog: every node counts, the copied one included.
    return NetworkRules::checkPrimaryAddress(nodes, primary, -1, -1) == 0;
}

int nodeAddressFailure(const QString& primary, const QString& secondary) {
    if (!NetworkRules::primaryAddressValid(number(primary)))
        return Msg::PrimaryAddress;
    if (!NetworkRules::secondaryAddressValid(number(secondary)))
        return Msg::SecondaryAddress;
    return 0;
}

int blocksFailure(const QStringList& newValues) {
    const int blocks = int(newValues.size()) / Rows_Per_Variable;
    for (int k = 0; k < blocks; ++k) {
        if (const int failure = blockFailure(newValues, k))
            return failure;
    }
    return 0;
}

int nodeDialogFailure(const Network& nodes, const QString& primary, const QString& secondary,
                      const QStringList& newValues) {
    if (const int failure = nodeAddressFailure(primary, secondary))
        return failure;
    if (!primaryAddressFree(nodes, checkedNumber(primary)))
        return Msg::IdUsed;
    return blocksFailure(newValues);
}

Variable pastedVariable(const LanguageTable& table, const Variable& copied,
                        const QStringList& blockValues) {
    Variable variable = copied; // every M-Bus field unchanged
    variable.modbusSlave = checkedNumber(blockValues.value(0));
    variable.modbusRegister = checkedNumber(blockValues.value(2));
    variable.modbusCount = checkedNumber(blockValues.value(3));
    // The lists offer only their entries, so a text they do not know is the copied value of
    // a position beyond the list (an edited file): it is kept, not turned into -1.
    const int modToD = modbusTypePosition(table, blockValues.value(1));
    if (modToD >= 0)
        variable.modbusType = modToD;
    const int modSwap = modbusSwapPosition(table, blockValues.value(4));
    if (modSwap >= 0)
        variable.modbusSwap = modSwap;
    return variable;
}

Node pastedNode(const LanguageTable& table, const Node& copied, const QString& primary,
                const QString& secondary, const QStringList& newValues) {
    Node node;
    node.description = copied.description;
    node.primary = checkedNumber(primary);
    node.secondary = checkedNumber(secondary);
    for (int k = 0; k < copied.variables.size(); ++k) {
        node.variables.append(pastedVariable(
            table, copied.variables[k], newValues.mid(k * Rows_Per_Variable, Rows_Per_Variable)));
    }
    return node;
}

} // namespace PasteRules
