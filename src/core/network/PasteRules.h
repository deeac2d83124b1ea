#pragma once

#include "core/network/Network.h"
#include "core/network/NetworkMessages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class LanguageTable;

// Copy and paste of variables and nodes, free of any window: the copy buffers, the rows of the
// paste dialog's grid, the dialog's checks and the values read back from it. Results are the
// language table's message indexes, 0 when nothing failed.
namespace PasteRules {

// The copy buffers of the network editor. They outlive every showing of the editor and every
// configuration, so they hold full copies, never references into a network.
class CopyBuffers {
public:
    // copyVariableChosen: 658 without a node, 657 without a variable of that node.
    int copyVariable(const Network& nodes, int nodeIndex, int variableIndex);
    // copyNodeChosen: 660 beyond the list, 659 with no node; the node's variables come along.
    int copyNode(const Network& nodes, int nodeIndex);

    const std::optional<Variable>& copiedVariable() const { return copyVar_; }
    const std::optional<Node>& copiedNode() const { return copyNode_; }

    // The paste entries are enabled exactly when their buffer holds something.
    bool canPasteVariable() const { return copyVar_.has_value(); }
    bool canPasteNode() const { return copyNode_.has_value(); }

private:
    std::optional<Variable> copyVar_;
    std::optional<Node> copyNode_;
};

// pasteVariableChosen before the dialog: 662 with an empty buffer, 663 without a node.
int pasteVariableRefusal(const CopyBuffers& buffers, const Network& nodes, int nodeIndex);
// pasteNodeChosen before the dialog: 664 with an empty buffer.
int pasteNodeRefusal(const CopyBuffers& buffers);

// The grid: one header row, then five rows per variable. Rows are counted from 1 below the
// header, as the checks and messages count them.
inline constexpr int Rows_Per_Variable = 5;

enum class RowField { SlaveId, TypeOfData, Register, Points, Swap };
RowField fieldOfRow(int row);
int blockOfRow(int row);

// The editor of a cell is chosen by its position alone.
enum class CellEditor { None, Text, TypeOfDataList, SwapList };
CellEditor editorOfCell(int row, int column);

// Header texts of the three columns.
QStringList headerTexts(const LanguageTable& table);

struct GridRow {
    QString name;         // column 0
    QString copied;       // column 1
    QString value;        // column 2, the value to paste
    bool editable = true; // column 2; columns 0 and 1 are never editable
    bool shaded = false;  // the light green of odd blocks

    bool operator==(const GridRow&) const = default;
};

// Column 1 (and the first column 2) of one variable: slave ID, Modbus type, register, number
// of points, swap.
QStringList copiedValues(const LanguageTable& table, const Variable& variable);

// Paste Variable: one block, names without suffix, every row white.
QList<GridRow> variableRows(const LanguageTable& table, const Variable& copied);
// Paste Node: one block per variable, names followed by " - Var " and the description, odd
// blocks shaded; a node without variables gives one empty row that cannot be edited.
QList<GridRow> nodeRows(const LanguageTable& table, const Node& copied);

// The dialog's OK in variable mode: the slave ID, register and number of points of the one
// block (641, 642, 643).
int variableDialogFailure(const QStringList& newValues);

// The new node's addresses: 649, 650 in that order.
int nodeAddressFailure(const QString& primary, const QString& secondary);

// checkPrimaryAddress of the paste dialog: no node of the network may have this primary address.
bool primaryAddressFree(const Network& nodes, qint64 primary);

// Each block of `newValues` in order: 641, 642, 643. Fewer than five rows: no variables.
int blocksFailure(const QStringList& newValues);

// The dialog's OK in node mode: the addresses, checkPrimaryAddress (651), then the blocks.
// `newValues` is column 2 from row 1 on; fewer than five rows means no variables.
int nodeDialogFailure(const Network& nodes, const QString& primary, const QString& secondary,
                      const QStringList& newValues);

// A copy of `copied` with the Modbus fields of one block (five values that passed the checks).
Variable pastedVariable(const LanguageTable& table, const Variable& copied,
                        const QStringList& blockValues);

// A copy of `copied` with the new addresses and, block by block, the new Modbus fields.
Node pastedNode(const LanguageTable& table, const Node& copied, const QString& primary,
                const QString& secondary, const QStringList& newValues);

} // namespace PasteRules
