#pragma once

#include "core/network/Network.h"

#include <QAbstractItemModel>
#include <QHash>

// The editor's tree over the network it owns: one root "M-Bus Network", the nodes under it
// and each node's variables under the node, always in list order. Every change of the
// network goes through here, so the tree and the list can never disagree, and a change
// touches only its own rows (a full network stays cheap to show and to edit). Only the
// commands may change it; everyone else reads.
class NetworkTree : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    static QString rootLabel();
    static QString nodeLabel(const Node& node);
    static QString variableLabel(const Variable& variable);

    const Network& nodes() const { return nodes_; }

    // Tree positions: the root, node i, variable j of node i. (-1, -1) for the root or none.
    struct Position {
        int node = -1;
        int variable = -1;
        bool operator==(const Position&) const = default;
    };
    Position positionOf(const QModelIndex& index) const;
    QModelIndex rootIndex() const;
    QModelIndex indexOf(Position position) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The network changes only through a command (NetworkCommands.h), so that an undo always
    // finds the rows its redo left, and a view always hears of the change.
    friend class NetworkCommand;
    void resetNetwork(Network nodes);
    void appendNode(const Node& node) { insertNode(int(nodes_.size()), node); }
    void insertNode(int nodePos, const Node& node);
    // Keeps the node's variables; only description and addresses change.
    void setNodeHeader(int nodePos, const QString& description, qint32 primary, qint32 secondary);
    void removeNode(int nodePos);
    void appendVariable(int nodePos, const Variable& variable) {
        insertVariable(nodePos, int(nodes_[nodePos].variables.size()), variable);
    }
    void insertVariable(int nodePos, int varPos, const Variable& variable);
    void setVariable(int nodePos, int varPos, const Variable& variable);
    void removeVariable(int nodePos, int varPos);

    // An index's internal id: 0 the root, 1 a node, else a variable: its node's key (from 2).
    // Node keys never change while the node lives, so indexes kept by the view stay right
    // when an earlier node is removed.
    enum : quintptr { RootId = 0, NodeId = 1, FirstKey = 2 };
    int nodePosOfKey(quintptr key) const { return keyPos_.value(key, -1); }
    void rebuildKeyPositions();

    Network nodes_;
    QList<quintptr> keys_;
    QHash<quintptr, int> keyPos_;
    quintptr nextKey_ = FirstKey;
};
