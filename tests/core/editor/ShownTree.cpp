#include "ShownTree.h"

ShownTree::ShownTree(const QAbstractItemModel& model) : model_(model) {
    reread();
    QObject::connect(&model, &QAbstractItemModel::modelReset, &context_, [this] { reread(); });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &context_,
                     [this](const QModelIndex& parent, int first, int last) {
                         if (parent == root()) {
                             for (int row = first; row <= last; ++row)
                                 nodes_.insert(row, readNode(row));
                         } else if (const int node = nodeRowOf(parent); node >= 0) {
                             for (int row = first; row <= last; ++row)
                                 nodes_[node].variables.insert(
                                     row, model_.index(row, 0, parent).data().toString());
                         }
                     });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &context_,
                     [this](const QModelIndex& parent, int first, int last) {
                         if (parent == root())
                             nodes_.remove(first, last - first + 1);
                         else if (const int node = nodeRowOf(parent); node >= 0)
                             nodes_[node].variables.remove(first, last - first + 1);
                     });
    QObject::connect(&model, &QAbstractItemModel::dataChanged, &context_,
                     [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                         const QModelIndex parent = topLeft.parent();
                         for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
                             const QString label = model_.index(row, 0, parent).data().toString();
                             if (parent == root())
                                 nodes_[row].label = label;
                             else if (const int node = nodeRowOf(parent); node >= 0)
                                 nodes_[node].variables[row] = label;
                         }
                     });
}

ShownTree::ShownNode ShownTree::readNode(int row) const {
    const QModelIndex index = model_.index(row, 0, root());
    ShownNode node{index.data().toString(), {}};
    for (int v = 0; v < model_.rowCount(index); ++v)
        node.variables.append(model_.index(v, 0, index).data().toString());
    return node;
}

int ShownTree::nodeRowOf(const QModelIndex& parent) const {
    return parent.isValid() && parent.parent() == root() ? parent.row() : -1;
}

void ShownTree::reread() {
    nodes_.clear();
    for (int row = 0; row < model_.rowCount(root()); ++row)
        nodes_.append(readNode(row));
}

QStringList ShownTree::lines() const {
    QStringList lines;
    for (const ShownNode& node : nodes_) {
        lines.append(node.label);
        for (const QString& variable : node.variables)
            lines.append(QStringLiteral("  ") + variable);
    }
    return lines;
}

QStringList ShownTree::linesOfModel(const QAbstractItemModel& model) {
    QStringList lines;
    const QModelIndex root = model.index(0, 0);
    for (int n = 0; n < model.rowCount(root); ++n) {
        const QModelIndex node = model.index(n, 0, root);
        lines.append(node.data().toString());
        for (int v = 0; v < model.rowCount(node); ++v)
            lines.append(QStringLiteral("  ") + model.index(v, 0, node).data().toString());
    }
    return lines;
}

QStringList ShownTree::linesOf(const Network& nodes) {
    QStringList lines;
    for (const Node& node : nodes) {
        lines.append(QStringLiteral("Primary Address %1 - Secondary Address %2 - %3")
                         .arg(node.primary)
                         .arg(node.secondary)
                         .arg(node.description));
        for (const Variable& variable : node.variables)
            lines.append(QStringLiteral("  VAR - ") + variable.description);
    }
    return lines;
}
