#pragma once

class QAction;
class QMenu;
class QTreeView;

// The keys of the network tree, for laptops without a Menu key and users without a mouse:
// Shift+F10 and the Menu key open the pop-up menu at the selected item, Delete deletes, and
// Ctrl+C and Ctrl+V copy and paste as the menu does. Each key runs the menu's own entry, so
// its checks, questions and undo entries are the menu's; a disabled entry does nothing.
namespace TreeKeys {

struct Entries {
    QMenu* menu;
    QAction* copyVariable;
    QAction* pasteVariable;
    QAction* copyNode;
    QAction* pasteNode;
    QAction* deleteItem;
};

void install(QTreeView* tree, const Entries& entries);

} // namespace TreeKeys
