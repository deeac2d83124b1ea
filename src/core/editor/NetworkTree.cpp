#include "core/editor/NetworkTree.h"

QString NetworkTree::rootLabel() {
    return QStringLiteral("M-Bus Network");
}

QString NetworkTree::nodeLabel(const Node& node) {
    return QStringLiteral("Primary Address %1 - Secondary Address %2 - %3")
        .arg(node.primary)
        .arg(node.secondary)
        .arg(node.description);
}

QString NetworkTree::variableLabel(const Variable& variable) {
    return QStringLiteral("VAR - ") + variable.description;
}

void NetworkTree::rebuildKeyPositions() {
    keyPos_.clear();
    keyPos_.reserve(keys_.size());
    for (int i = 0; i < keys_.size(); ++i)
        keyPos_.insert(keys_[i], i);
}

void NetworkTree::resetNetwork(Network nodes) {
    beginResetModel();
    nodes_ = std::move(nodes);
    keys_.clear();
    keys_.reserve(nodes_.size());
    for (qsizetype i = 0; i < nodes_.size(); ++i)
        keys_.append(nextKey_++);
    rebuildKeyPositions();
    endResetModel();
}

void NetworkTree::insertNode(int nodePos, const Node& node) {
    beginInsertRows(rootIndex(), nodePos, nodePos);
    nodes_.insert(nodePos, node);
    keys_.insert(nodePos, nextKey_++);
    if (nodePos == keys_.size() - 1)
        keyPos_.insert(keys_.last(), nodePos); // appending, the usual case, moves no key
    else
        rebuildKeyPositions();
    endInsertRows();
}

void NetworkTree::setNodeHeader(int nodePos, const QString& description, qint32 primary,
                                qint32 secondary) {
    Node& node = nodes_[nodePos];
    node.description = description;
    node.primary = primary;
    node.secondary = secondary;
    const QModelIndex item = indexOf({nodePos, -1});
    emit dataChanged(item, item, {Qt::DisplayRole});
}

void NetworkTree::removeNode(int nodePos) {
    beginRemoveRows(rootIndex(), nodePos, nodePos);
    nodes_.removeAt(nodePos);
    keyPos_.remove(keys_.takeAt(nodePos));
    rebuildKeyPositions();
    endRemoveRows();
}

void NetworkTree::insertVariable(int nodePos, int varPos, const Variable& variable) {
    beginInsertRows(indexOf({nodePos, -1}), varPos, varPos);
    nodes_[nodePos].variables.insert(varPos, variable);
    endInsertRows();
}

void NetworkTree::setVariable(int nodePos, int varPos, const Variable& variable) {
    nodes_[nodePos].variables[varPos] = variable;
    const QModelIndex item = indexOf({nodePos, varPos});
    emit dataChanged(item, item, {Qt::DisplayRole});
}

void NetworkTree::removeVariable(int nodePos, int varPos) {
    beginRemoveRows(indexOf({nodePos, -1}), varPos, varPos);
    nodes_[nodePos].variables.removeAt(varPos);
    endRemoveRows();
}

NetworkTree::Position NetworkTree::positionOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return {};
    const quintptr id = index.internalId();
    if (id == RootId)
        return {};
    if (id == NodeId)
        return {index.row(), -1};
    const int nodePos = nodePosOfKey(id);
    return nodePos < 0 ? Position{} : Position{nodePos, index.row()};
}

QModelIndex NetworkTree::rootIndex() const {
    return createIndex(0, 0, quintptr(RootId));
}

QModelIndex NetworkTree::indexOf(Position position) const {
    if (position.node < 0 || position.node >= nodes_.size())
        return {};
    if (position.variable < 0)
        return createIndex(position.node, 0, quintptr(NodeId));
    if (position.variable >= nodes_[position.node].variables.size())
        return {};
    return createIndex(position.variable, 0, keys_[position.node]);
}

QModelIndex NetworkTree::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? rootIndex() : QModelIndex();
    const Position p = positionOf(parent);
    if (parent.internalId() == RootId)
        return indexOf({row, -1});
    if (p.node >= 0 && p.variable < 0)
        return indexOf({p.node, row});
    return {};
}

QModelIndex NetworkTree::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    const quintptr id = child.internalId();
    if (id == RootId)
        return {};
    if (id == NodeId)
        return rootIndex();
    const int nodePos = nodePosOfKey(id);
    return nodePos < 0 ? QModelIndex() : createIndex(nodePos, 0, quintptr(NodeId));
}

int NetworkTree::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    const quintptr id = parent.internalId();
    if (id == RootId)
        return int(nodes_.size());
    if (id == NodeId)
        return int(nodes_[parent.row()].variables.size());
    return 0;
}

int NetworkTree::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant NetworkTree::data(const QModelIndex& index, int role) const {
    // The tooltip shows a label the tree's width cuts.
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole))
        return {};
    const quintptr id = index.internalId();
    if (id == RootId)
        return rootLabel();
    const Position p = positionOf(index);
    if (p.node < 0)
        return {};
    if (p.variable < 0)
        return nodeLabel(nodes_[p.node]);
    return variableLabel(nodes_[p.node].variables[p.variable]);
}

Qt::ItemFlags NetworkTree::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
