#include "gui/network/TreeKeys.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTreeView>

namespace TreeKeys {

namespace {

// Below the root, the nodes; below a node, its variables.
bool variableSelected(const QTreeView* tree) {
    const QModelIndex current = tree->currentIndex();
    return current.isValid() && current.parent().isValid() && current.parent().parent().isValid();
}

bool somethingSelected(const QTreeView* tree) {
    const QModelIndex current = tree->currentIndex();
    return current.isValid() && current.parent().isValid();
}

void run(QAction* entry) {
    if (entry->isEnabled())
        entry->trigger();
}

class Keys final : public QObject {
public:
    Keys(QTreeView* tree, const Entries& entries) : QObject(tree), tree_(tree), e_(entries) {
        // Ctrl+V brings back what was copied last, as a user expects of a clipboard.
        connect(e_.copyVariable, &QAction::triggered, this,
                [this] { lastPaste_ = e_.pasteVariable; });
        connect(e_.copyNode, &QAction::triggered, this, [this] { lastPaste_ = e_.pasteNode; });
        bind(QKeySequence(Qt::SHIFT | Qt::Key_F10), [this] { openMenu(); });
        bind(QKeySequence(Qt::Key_Menu), [this] { openMenu(); });
        bind(QKeySequence::keyBindings(QKeySequence::Delete), [this] { run(e_.deleteItem); });
        bind(QKeySequence::keyBindings(QKeySequence::Copy),
             [this] { run(variableSelected(tree_) ? e_.copyVariable : e_.copyNode); });
        bind(QKeySequence::keyBindings(QKeySequence::Paste), [this] {
            if (QAction* entry = pasteEntry())
                run(entry);
        });
    }

private:
    template <typename Slot> void bind(const QKeySequence& key, Slot slot) {
        bind(QList<QKeySequence>{key}, slot);
    }
    template <typename Slot> void bind(const QList<QKeySequence>& keys, Slot slot) {
        auto* shortcut = new QShortcut(tree_);
        shortcut->setKeys(keys);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    }

    QAction* pasteEntry() const {
        if (lastPaste_ && lastPaste_->isEnabled())
            return lastPaste_;
        const bool variable = e_.pasteVariable->isEnabled();
        const bool node = e_.pasteNode->isEnabled();
        if (variable != node)
            return variable ? e_.pasteVariable : e_.pasteNode;
        if (!variable)
            return nullptr;
        // Both buffers kept from an earlier showing: a variable goes where one is selected.
        return somethingSelected(tree_) ? e_.pasteVariable : e_.pasteNode;
    }

    // At the selected item's lower left corner, as the mouse would open it there; at the top
    // of the tree when nothing is selected.
    void openMenu() {
        const QModelIndex current = tree_->currentIndex();
        QPoint at(0, 0);
        if (current.isValid()) {
            tree_->scrollTo(current);
            const QRect item = tree_->visualRect(current);
            at = QPoint(item.left(), item.bottom());
        }
        e_.menu->popup(tree_->viewport()->mapToGlobal(at));
    }

    QTreeView* tree_;
    Entries e_;
    QAction* lastPaste_ = nullptr;
};

} // namespace

void install(QTreeView* tree, const Entries& entries) {
    new Keys(tree, entries);
}

} // namespace TreeKeys
