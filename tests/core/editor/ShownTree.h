#pragma once

#include "core/network/Network.h"

#include <QAbstractItemModel>
#include <QStringList>

// What a view shows of the network tree: the labels as the model's signals announced them.
// It reads a label only when a signal says it changed, as a view repaints, so a change the
// model makes without its signal (or at another row than it says) leaves this copy wrong.
class ShownTree {
public:
    explicit ShownTree(const QAbstractItemModel& model);

    // The node labels, each followed by its variables' labels indented by two blanks.
    QStringList lines() const;

    // The same lines as read from the model now, and as a network shows them (the test's own
    // wording of the labels).
    static QStringList linesOfModel(const QAbstractItemModel& model);
    static QStringList linesOf(const Network& nodes);

private:
    struct ShownNode {
        QString label;
        QStringList variables;
    };
    ShownNode readNode(int row) const;
    QModelIndex root() const { return model_.index(0, 0); }
    // The node row of a variable's parent index, -1 for the root or another index.
    int nodeRowOf(const QModelIndex& parent) const;
    void reread();

    const QAbstractItemModel& model_;
    QList<ShownNode> nodes_;
    QObject context_; // its end ends the connections
};
