#include "core/editor/CommandStack.h"

#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Writes what it does into a shared log, so the order of undo and redo shows.
class Logged final : public Command {
public:
    Logged(QStringList& log, const QString& name) : log_(log), name_(name) { setText(name); }
    void redo() override { log_ << QStringLiteral("do ") + name_; }
    void undo() override { log_ << QStringLiteral("undo ") + name_; }

private:
    QStringList& log_;
    QString name_;
};

void push(CommandStack& stack, QStringList& log, const char* name) {
    stack.push(std::make_unique<Logged>(log, QString::fromLatin1(name)));
}

} // namespace

// A change pushed after an undo drops the changes that were undone: redo cannot bring back a
// change made on another branch of the history.
TEST(CommandStack, APushAfterUndoDropsTheUndoneChanges) {
    CommandStack stack;
    QStringList log;
    QSignalSpy moved(&stack, &CommandStack::indexChanged);
    push(stack, log, "A");
    push(stack, log, "B");
    stack.undo();
    push(stack, log, "C");
    EXPECT_EQ(stack.count(), 2);
    EXPECT_EQ(stack.index(), 2);
    EXPECT_FALSE(stack.canRedo());
    EXPECT_EQ(stack.undoText(), QStringLiteral("C"));
    stack.redo(); // nothing to bring again
    stack.undo();
    stack.undo();
    stack.undo(); // nothing left to take back
    EXPECT_EQ(log, (QStringList{"do A", "do B", "undo B", "do C", "undo C", "undo A"}));
    EXPECT_EQ(stack.redoText(), QStringLiteral("A"));
    QList<int> indexes;
    for (const QList<QVariant>& signal : moved)
        indexes << signal.at(0).toInt();
    EXPECT_EQ(indexes, (QList<int>{1, 2, 1, 2, 1, 0}));
}

// The clean state is where the file was last saved: reached again by undo or redo, and lost
// for good when the changes after it are dropped.
TEST(CommandStack, TheCleanStateFollowsTheIndex) {
    CommandStack stack;
    QStringList log;
    QSignalSpy clean(&stack, &CommandStack::cleanChanged);
    EXPECT_TRUE(stack.isClean());
    push(stack, log, "A");
    EXPECT_FALSE(stack.isClean());
    stack.setClean();
    EXPECT_TRUE(stack.isClean());
    push(stack, log, "B");
    stack.undo();
    EXPECT_TRUE(stack.isClean());
    stack.undo();
    EXPECT_FALSE(stack.isClean());
    push(stack, log, "C"); // the saved state had A, which this branch dropped
    stack.undo();
    EXPECT_FALSE(stack.isClean()) << "the saved network is no longer in the history";
    QList<bool> states;
    for (const QList<QVariant>& signal : clean)
        states << signal.at(0).toBool();
    EXPECT_EQ(states, (QList<bool>{false, true, false, true, false}));
    stack.clear();
    EXPECT_TRUE(stack.isClean());
    EXPECT_EQ(stack.count(), 0);
    EXPECT_FALSE(stack.canUndo());
}
